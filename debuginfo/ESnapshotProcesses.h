// The other processes of the machine, as the bug report lists them.
//
// The list is rebuilt from a TProcessSource: the live one asks PSAPI and
// Tool Help (loaded at run time), a test hands in a fixture. A function the
// system lacks leaves its data empty; processes that cannot be opened are
// left out where they are read through their handles. Pure: no windows.h.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct TDovaroProcessInfo {
  std::uint32_t ProcessId = 0;
  std::string Path;
  std::string Description;  // of the program file, as for modules
  std::string Version;
  std::uint32_t PriorityClass = 0;  // 32 normal, 64 low, ... (0 not known)
  std::uint32_t Memory = 0;         // working-set bytes, 0 when not known
  std::uint32_t ThreadCount = 0;    // 0 when not known

  bool operator==(const TDovaroProcessInfo&) const = default;
};

// How the system lets the processes be listed.
enum TProcessListing : std::uint8_t {
  plProcessIds,        // NT 4: PSAPI's process ids, each process read through its handle
  plSnapshotByHandle,  // 2000, XP and the 9x family: a Tool Help snapshot, each entry read
                       // through its handle with the snapshot's name as fallback path
  plSnapshotEntries,   // Vista and later: the snapshot's entries as they are
};

// One entry of a Tool Help process snapshot.
struct TProcessSnapshotEntry {
  std::uint32_t ProcessId = 0;
  std::string ExeFile;  // the executable's name as the snapshot gives it
  std::int32_t BasePriority = 0;
  std::uint32_t Threads = 0;
};

// What a process opened for query and read gives.
struct TProcessHandleFacts {
  std::string Path;  // the main module's file name; empty when it could not be read
  std::uint32_t PriorityClass = 0;
  std::uint32_t WorkingSet = 0;  // 0 when not known
};

// The system's view of the processes. Each query answers for the moment it
// is asked; none raises.
class TProcessSource {
 public:
  virtual ~TProcessSource() = default;
  virtual TProcessListing Listing() const = 0;
  // At most `limit` ids; none without PSAPI.
  virtual std::vector<std::uint32_t> ProcessIds(std::size_t limit) const = 0;
  // None when Tool Help is missing or refuses.
  virtual std::vector<TProcessSnapshotEntry> SnapshotProcesses() const = 0;
  // None when the process cannot be opened for query and read.
  virtual std::optional<TProcessHandleFacts> ReadThroughHandle(std::uint32_t processId) const = 0;
  // The full path of the module of the process whose name equals
  // `moduleName` (ignoring case), or empty.
  virtual std::string ModulePath(std::uint32_t processId, const std::string& moduleName) const = 0;
  // The file's version resource: description and version (empty when none).
  virtual void FileVersionFacts(const std::string& path, std::string& description,
                                std::string& version) const = 0;
  // The owner process id of every thread of the machine; none when Tool
  // Help is missing or refuses.
  virtual std::vector<std::uint32_t> ThreadOwners() const = 0;
};

// The buffer of ids asked for on NT 4.
inline constexpr std::size_t kProcessIdLimit = 1025;

// The priority class that a Tool Help base priority stands for.
std::uint32_t PriorityClassOfBasePriority(std::int32_t basePriority);

// The processes as `source` lists them, sorted by id.
std::vector<TDovaroProcessInfo> BuildProcessesList(const TProcessSource& source);

// The process-wide list, rebuilt for each report under its lock.
class TDovaroProcessesList {
 public:
  void Refresh(const TProcessSource& source);
  // A copy of the records, sorted by id.
  std::vector<TDovaroProcessInfo> Records() const;

 private:
  mutable std::mutex lock_;
  std::vector<TDovaroProcessInfo> records_;
};
TDovaroProcessesList& ProcessesList();

// --- Win32 ---

// The live system's processes (PSAPI and Tool Help loaded at run time).
const TProcessSource& LiveProcessSource();
// ProcessesList().Refresh(LiveProcessSource()); for the reporting thread.
void RefreshProcesses();
// The id of the process that started this one (from a Tool Help process
// snapshot), 0 when not found.
std::uint32_t ParentProcessId();
