// The live system's view of the processes: PSAPI and Tool Help, each
// function looked up at run time and skipped when missing.
#include "debuginfo/ESnapshotModuleFacts.h"
#include "debuginfo/ESnapshotProcesses.h"
#include "debuginfo/ESnapshotSystem.h"

namespace {

constexpr DWORD kQueryAndRead = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // 0x410
constexpr DWORD kLongestPath = 260;

// Calls `visit` for each entry of a Tool Help snapshot of processes.
template <class Visit>
void ForEachProcessEntry(Visit visit) {
  const TSnapshotSystemFunctions& system = SnapshotSystemFunctions();
  ForEachToolHelpEntry(TH32CS_SNAPPROCESS, 0, system.Process32First, system.Process32Next, visit);
}

class TLiveProcessSource final : public TProcessSource {
 public:
  TProcessListing Listing() const override {
    if (!IsNtPlatform()) return plSnapshotByHandle;
    if (SystemMajorVersion() < 5) return plProcessIds;
    return SystemMajorVersion() < 6 ? plSnapshotByHandle : plSnapshotEntries;
  }

  std::vector<std::uint32_t> ProcessIds(std::size_t limit) const override {
    const auto enumerate = SnapshotSystemFunctions().EnumProcesses;
    if (!enumerate) return {};
    std::vector<DWORD> ids(limit);
    DWORD bytes = 0;
    if (!enumerate(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return {};
    ids.resize(bytes / sizeof(DWORD));
    return {ids.begin(), ids.end()};
  }

  std::vector<TProcessSnapshotEntry> SnapshotProcesses() const override {
    std::vector<TProcessSnapshotEntry> entries;
    ForEachProcessEntry([&](const PROCESSENTRY32& entry) {
      entries.push_back({entry.th32ProcessID, entry.szExeFile,
                         static_cast<std::int32_t>(entry.pcPriClassBase), entry.cntThreads});
      return true;
    });
    return entries;
  }

  std::optional<TProcessHandleFacts> ReadThroughHandle(std::uint32_t processId) const override {
    const TOwnedHandle process(OpenProcess(kQueryAndRead, FALSE, processId));
    if (!process.Valid()) return std::nullopt;
    const TSnapshotSystemFunctions& system = SnapshotSystemFunctions();
    TProcessHandleFacts facts;
    if (system.GetModuleFileNameExA) {
      char path[kLongestPath + 1] = {};
      const DWORD length = system.GetModuleFileNameExA(process.Get(), nullptr, path, kLongestPath);
      facts.Path.assign(path, length <= kLongestPath ? length : 0);
    }
    facts.PriorityClass = GetPriorityClass(process.Get());
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (system.GetProcessMemoryInfo &&
        system.GetProcessMemoryInfo(process.Get(), &memory, sizeof memory))
      facts.WorkingSet = static_cast<std::uint32_t>(memory.WorkingSetSize);
    return facts;
  }

  std::string ModulePath(std::uint32_t processId, const std::string& moduleName) const override {
    const TSnapshotSystemFunctions& system = SnapshotSystemFunctions();
    std::string path;
    ForEachToolHelpEntry(TH32CS_SNAPMODULE, processId, system.Module32First, system.Module32Next,
                         [&](const MODULEENTRY32& entry) {
                           if (lstrcmpiA(entry.szModule, moduleName.c_str()) != 0) return true;
                           path = entry.szExePath;
                           return false;
                         });
    return path;
  }

  void FileVersionFacts(const std::string& path, std::string& description,
                        std::string& version) const override {
    ReadFileVersionFacts(path, description, version);
  }

  std::vector<std::uint32_t> ThreadOwners() const override {
    const TSnapshotSystemFunctions& system = SnapshotSystemFunctions();
    std::vector<std::uint32_t> owners;
    ForEachToolHelpEntry(TH32CS_SNAPTHREAD, 0, system.Thread32First, system.Thread32Next,
                         [&](const THREADENTRY32& entry) {
                           owners.push_back(entry.th32OwnerProcessID);
                           return true;
                         });
    return owners;
  }
};

}  // namespace

const TProcessSource& LiveProcessSource() {
  static const TLiveProcessSource source;
  return source;
}

std::uint32_t ParentProcessId() {
  const DWORD self = GetCurrentProcessId();
  std::uint32_t parent = 0;
  ForEachProcessEntry([&](const PROCESSENTRY32& entry) {
    if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
    return parent == 0;
  });
  return parent;
}
