// Building the processes list from what the system's view gives.
#include "debuginfo/ESnapshotProcesses.h"

#include <algorithm>

#include "platform/runtime/PathText.h"

namespace {

std::string Trimmed(std::string_view text) {
  const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// A process read through its handle, or none when it cannot be opened or
// gives no path.
std::optional<TDovaroProcessInfo> ReadThroughHandle(const TProcessSource& source,
                                                    std::uint32_t processId,
                                                    const std::string& fallbackPath) {
  const auto facts = source.ReadThroughHandle(processId);
  if (!facts) return std::nullopt;
  TDovaroProcessInfo process;
  process.ProcessId = processId;
  process.Path = Trimmed(facts->Path.empty() ? fallbackPath : facts->Path);
  if (process.Path.empty()) return std::nullopt;
  source.FileVersionFacts(process.Path, process.Description, process.Version);
  process.PriorityClass = facts->PriorityClass;
  process.Memory = facts->WorkingSet;
  return process;
}

// A snapshot entry as it is: its name made a full path from the process's
// own modules when it names a file.
TDovaroProcessInfo FromSnapshotEntry(const TProcessSource& source,
                                     const TProcessSnapshotEntry& entry) {
  TDovaroProcessInfo process;
  process.ProcessId = entry.ProcessId;
  process.Path = entry.ExeFile;
  if (!ExtractFileExt(entry.ExeFile).empty()) {
    if (std::string full = source.ModulePath(entry.ProcessId, entry.ExeFile); !full.empty())
      process.Path = std::move(full);
    source.FileVersionFacts(process.Path, process.Description, process.Version);
  }
  process.PriorityClass = PriorityClassOfBasePriority(entry.BasePriority);
  process.ThreadCount = entry.Threads;
  return process;
}

// Adds one to the thread count of each thread's owner. Threads of one
// process come one after another, so the last owner found is tried first.
void CountThreads(const std::vector<std::uint32_t>& owners,
                  std::vector<TDovaroProcessInfo>& processes) {
  std::size_t last = 0;
  for (const std::uint32_t owner : owners) {
    if (last < processes.size() && processes[last].ProcessId == owner) {
      ++processes[last].ThreadCount;
      continue;
    }
    const auto found = std::lower_bound(
        processes.begin(), processes.end(), owner,
        [](const TDovaroProcessInfo& process, std::uint32_t id) { return process.ProcessId < id; });
    if (found == processes.end() || found->ProcessId != owner) continue;
    last = static_cast<std::size_t>(found - processes.begin());
    ++found->ThreadCount;
  }
}

}  // namespace

std::uint32_t PriorityClassOfBasePriority(std::int32_t basePriority) {
  if (basePriority == 0) return 0;
  if (basePriority < 6) return 64;      // low (idle)
  if (basePriority < 8) return 16384;   // below normal
  if (basePriority < 10) return 32;     // normal
  if (basePriority < 13) return 32768;  // above normal
  if (basePriority > 23) return 256;    // real time
  return 128;                           // high
}

std::vector<TDovaroProcessInfo> BuildProcessesList(const TProcessSource& source) {
  std::vector<TDovaroProcessInfo> processes;
  const auto add = [&](std::optional<TDovaroProcessInfo> process) {
    if (process) processes.push_back(std::move(*process));
  };
  const TProcessListing listing = source.Listing();
  if (listing == plProcessIds) {
    for (const std::uint32_t id : source.ProcessIds(kProcessIdLimit))
      add(ReadThroughHandle(source, id, {}));
  } else {
    for (const TProcessSnapshotEntry& entry : source.SnapshotProcesses())
      add(listing == plSnapshotEntries ? FromSnapshotEntry(source, entry)
                                       : ReadThroughHandle(source, entry.ProcessId, entry.ExeFile));
  }
  std::stable_sort(processes.begin(), processes.end(),
                   [](const TDovaroProcessInfo& a, const TDovaroProcessInfo& b) {
                     return a.ProcessId < b.ProcessId;
                   });
  // Only the snapshot's entries carry their thread counts.
  if (listing != plSnapshotEntries) CountThreads(source.ThreadOwners(), processes);
  return processes;
}

void TDovaroProcessesList::Refresh(const TProcessSource& source) {
  std::lock_guard<std::mutex> guard(lock_);
  records_.clear();
  records_ = BuildProcessesList(source);
}

std::vector<TDovaroProcessInfo> TDovaroProcessesList::Records() const {
  std::lock_guard<std::mutex> guard(lock_);
  return records_;
}

TDovaroProcessesList& ProcessesList() {
  static TDovaroProcessesList list;
  return list;
}

void RefreshProcesses() {
  ProcessesList().Refresh(LiveProcessSource());
}
