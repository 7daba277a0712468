#include "report/EReportLive.h"

#include "debuginfo/ESnapshotModuleFacts.h"
#include "debuginfo/ESnapshotObjectClass.h"
#include "debuginfo/ESnapshotSystem.h"
#include "debuginfo/ESnapshotThreads.h"
#include "platform/memory/LiveMemory.h"
#include "report/ESysInfoWin32.h"

namespace {

std::uint64_t CreationTicks(DWORD threadId) {
  const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
  if (!thread) return UINT64_MAX;
  FILETIME created, exited, kernel, user;
  const bool known = GetThreadTimes(thread, &created, &exited, &kernel, &user) != FALSE;
  CloseHandle(thread);
  if (!known) return UINT64_MAX;
  return static_cast<std::uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

std::uint32_t EarliestThreadOfProcess() {
  const TSnapshotSystemFunctions& system = SnapshotSystemFunctions();
  const DWORD process = GetCurrentProcessId();
  std::uint32_t earliest = 0;
  std::uint64_t earliestTicks = UINT64_MAX;
  ForEachToolHelpEntry(TH32CS_SNAPTHREAD, 0, system.Thread32First, system.Thread32Next,
                       [&](const THREADENTRY32& entry) {
                         if (entry.th32OwnerProcessID != process) return true;
                         const std::uint64_t ticks = CreationTicks(entry.th32ThreadID);
                         if (!earliest || ticks < earliestTicks) {
                           earliest = entry.th32ThreadID;
                           earliestTicks = ticks;
                         }
                         return true;
                       });
  return earliest;
}

}  // namespace

std::uint32_t MainThreadId() {
  static const std::uint32_t id = EarliestThreadOfProcess();
  return id;
}

std::optional<int> TLiveThreadFacts::Priority(std::uint32_t threadId) {
  const std::optional<TDovaroThreadEntry> entry = ThreadsList().FindByThreadId(threadId);
  if (!entry) return std::nullopt;
  if (entry->Priority != kPriorityNotRead) return entry->Priority;
  int priority = 0;
  if (const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId)) {
    priority = GetThreadPriority(thread);
    CloseHandle(thread);
  }
  if (priority == THREAD_PRIORITY_ERROR_RETURN) priority = 0;
  ThreadsList().Update(threadId, [&](TDovaroThreadEntry& listed) { listed.Priority = priority; });
  return priority;
}

std::string TLiveThreadFacts::ClassName(std::uint32_t threadId) {
  const std::optional<TDovaroThreadEntry> entry = ThreadsList().FindByThreadId(threadId);
  return entry && entry->ThreadObject ? LiveObjectClassName(entry->ThreadObject) : std::string();
}

bool TLiveThreadFacts::IsMainThread(std::uint32_t threadId) {
  return threadId != 0 && threadId == MainThreadId();
}

std::optional<TAddressModule> TLiveAddressModules::ModuleAt(TAddress address) {
  MEMORY_BASIC_INFORMATION region{};
  if (address == 0 ||
      VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) == 0 ||
      region.State != MEM_COMMIT || !region.AllocationBase)
    return std::nullopt;
  const auto handle = AddressOf(region.AllocationBase);
  if (const auto known = modules_.find(handle); known != modules_.end()) return known->second;
  TAddressModule module;
  module.Handle = handle;
  module.SystemFileName = SystemModuleFileName(region.AllocationBase);
  if (module.SystemFileName.empty()) return std::nullopt;
  module.Path = ModulePathOf(region.AllocationBase, SystemFunction);
  ReadFileVersionFacts(module.Path, module.Description, module.Version);
  return modules_.emplace(handle, std::move(module)).first->second;
}

TLiveReportSources::TLiveReportSources(TSystemFunctionLookup lookup) : system_(std::move(lookup)) {}

TReportSources TLiveReportSources::Sources(const TDovaroModuleOptions& options,
                                           const TDovaroStackList& stack) {
  TReportSources sources;
  sources.Options = &options;
  sources.Stack = &stack;
  sources.Threads = &threads_;
  sources.Modules = &LiveSnapshot();
  sources.Processes = &LiveSnapshot();
  sources.Memory = &LiveMemory();
  sources.AddressModules = &modules_;
  sources.System = &system_;
  sources.Listing.Memory = &LiveMemory();
  sources.Listing.InstructionLength = &EngineInstructionLength;
  sources.Listing.Lookup = &listing_;
  return sources;
}
