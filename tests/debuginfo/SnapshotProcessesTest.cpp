// The processes list: built from a fixture of the system's view for each
// way of listing, and from the real system under Wine.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "debuginfo/ESnapshotProcesses.h"
#include "platform/runtime/PathText.h"

namespace {

// A machine of three processes: 8 (a service that refuses to be opened),
// 4 (the system, no path) and 20 (a program).
class TFixtureProcesses : public TProcessSource {
 public:
  TProcessListing Way = plSnapshotEntries;
  bool WithPsapi = true;

  TProcessListing Listing() const override { return Way; }
  std::vector<std::uint32_t> ProcessIds(std::size_t limit) const override {
    EXPECT_EQ(limit, 1025u);
    if (!WithPsapi) return {};
    return {20, 8, 4};
  }
  std::vector<TProcessSnapshotEntry> SnapshotProcesses() const override {
    return {{20, "tool.exe", 8, 3}, {8, "service.exe", 13, 2}, {4, "System", 0, 9}};
  }
  std::optional<TProcessHandleFacts> ReadThroughHandle(std::uint32_t id) const override {
    if (id == 8) return std::nullopt;
    if (id == 4) return TProcessHandleFacts{"", 128, 4096};
    return TProcessHandleFacts{WithPsapi ? "  C:\\apps\\tool.exe " : "", 32,
                               WithPsapi ? 1536u : 0u};
  }
  std::string ModulePath(std::uint32_t id, const std::string& name) const override {
    if (id == 20 && name == "tool.exe") return "C:\\apps\\tool.exe";
    return {};
  }
  void FileVersionFacts(const std::string& path, std::string& description,
                        std::string& version) const override {
    ++versionReads[path];
    description = path == "C:\\apps\\tool.exe" ? "The tool" : "";
    version = path == "C:\\apps\\tool.exe" ? "1.2.3.4" : "";
  }
  std::vector<std::uint32_t> ThreadOwners() const override {
    return {4, 4, 20, 20, 20, 4, 77, 8, 20};
  }

  mutable std::map<std::string, int> versionReads;
};

std::vector<std::uint32_t> Ids(const std::vector<TDovaroProcessInfo>& processes) {
  std::vector<std::uint32_t> ids;
  for (const auto& process : processes) ids.push_back(process.ProcessId);
  return ids;
}

}  // namespace

TEST(ProcessesList, VistaAndLater_ListEveryEntryAsTheSnapshotGivesIt) {
  TFixtureProcesses machine;
  const auto processes = BuildProcessesList(machine);
  const std::vector<TDovaroProcessInfo> expected = {
      {4, "System", "", "", 0, 0, 9},
      {8, "service.exe", "", "", 128, 0, 2},  // cannot be opened, yet listed with memory 0
      {20, "C:\\apps\\tool.exe", "The tool", "1.2.3.4", 32, 0, 3},
  };
  EXPECT_EQ(processes, expected);
  EXPECT_EQ(machine.versionReads.count("System"), 0u) << "a name without extension is no file";
}

TEST(ProcessesList, BeforeVista_ProcessesThatCannotBeOpenedAreLeftOut) {
  for (const TProcessListing way : {plProcessIds, plSnapshotByHandle}) {
    SCOPED_TRACE(way == plProcessIds ? "NT 4" : "2000 and XP");
    TFixtureProcesses machine;
    machine.Way = way;
    const auto processes = BuildProcessesList(machine);
    // With process ids the system process has no path at all and is left
    // out too; from a snapshot its name stands in for the path.
    const std::vector<TDovaroProcessInfo> byIds = {
        {20, "C:\\apps\\tool.exe", "The tool", "1.2.3.4", 32, 1536, 4}};
    const std::vector<TDovaroProcessInfo> bySnapshot = {
        {4, "System", "", "", 128, 4096, 3},
        {20, "C:\\apps\\tool.exe", "The tool", "1.2.3.4", 32, 1536, 4}};
    EXPECT_EQ(processes, way == plProcessIds ? byIds : bySnapshot);
  }
}

TEST(ProcessesList, WithoutPsapi_PathsComeFromTheSnapshotAndMemoryStaysZero) {
  TFixtureProcesses machine;
  machine.Way = plSnapshotByHandle;
  machine.WithPsapi = false;
  const auto processes = BuildProcessesList(machine);
  ASSERT_EQ(Ids(processes), (std::vector<std::uint32_t>{4, 20}));
  EXPECT_EQ(processes[1].Path, "tool.exe");
  EXPECT_EQ(processes[1].Memory, 0u);
  machine.Way = plProcessIds;
  EXPECT_TRUE(BuildProcessesList(machine).empty());
}

TEST(ProcessesList, BasePriority_MapsToItsPriorityClass) {
  const struct {
    std::int32_t basePriority;
    std::uint32_t priorityClass;
  } rows[] = {{0, 0},  {1, 64},     {4, 64},     {5, 64},   {6, 16384}, {7, 16384}, {8, 32},
              {9, 32}, {10, 32768}, {12, 32768}, {13, 128}, {23, 128},  {24, 256},  {31, 256}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.basePriority);
    EXPECT_EQ(PriorityClassOfBasePriority(row.basePriority), row.priorityClass);
  }
}

TEST(ProcessesList, ThisProcess_IsListedWithItsPathAndThreads) {
  const DWORD self = GetCurrentProcessId();
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
  // The full path comes from a module snapshot of the process, which Wine
  // cannot take under an emulator (it reads the process from outside); the
  // snapshot's name of the program then stands.
  const HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, self);
  const bool fullPaths = modules != INVALID_HANDLE_VALUE;
  if (fullPaths) CloseHandle(modules);
  const std::string expectedPath = fullPaths ? path : ExtractFileName(path);
  if (!fullPaths) std::printf("[ note     ] no module snapshots here: the path is the name\n");
  // The thread count is compared with an independent count taken before and
  // after; should a thread start or end meanwhile, the next round decides.
  const auto threadsOfThisProcess = [self] {
    std::uint32_t count = 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
      count += entry.th32OwnerProcessID == self;
    CloseHandle(snapshot);
    return count;
  };
  for (int round = 0; round < 3; ++round) {
    const std::uint32_t before = threadsOfThisProcess();
    RefreshProcesses();
    const auto processes = ProcessesList().Records();
    const std::uint32_t after = threadsOfThisProcess();
    EXPECT_TRUE(
        std::is_sorted(processes.begin(), processes.end(),
                       [](const auto& a, const auto& b) { return a.ProcessId < b.ProcessId; }));
    const auto found = std::find_if(processes.begin(), processes.end(),
                                    [&](const auto& p) { return p.ProcessId == self; });
    ASSERT_NE(found, processes.end());
    EXPECT_EQ(lstrcmpiA(found->Path.c_str(), expectedPath.c_str()), 0) << found->Path;
    EXPECT_NE(found->PriorityClass, 0u);
    EXPECT_GT(processes.size(), 1u) << "Wine's own services run beside the tests";
    if (before != after) continue;
    EXPECT_EQ(found->ThreadCount, before);
    return;
  }
  ADD_FAILURE() << "the thread count never stood still";
}

TEST(ProcessesList, ParentProcessId_IsTheOneTheSystemRecords) {
  // The referee: the process's basic information from ntdll.
  struct TBasicInformation {
    LONG ExitStatus;
    void* PebBaseAddress;
    ULONG_PTR AffinityMask;
    LONG BasePriority;
    ULONG_PTR UniqueProcessId;
    ULONG_PTR InheritedFromUniqueProcessId;
  } information{};
  using TQuery = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<TQuery>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  ASSERT_NE(query, nullptr);
  ASSERT_EQ(query(GetCurrentProcess(), 0, &information, sizeof information, nullptr), 0);
  EXPECT_EQ(ParentProcessId(), information.InheritedFromUniqueProcessId);
}
