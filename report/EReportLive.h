// The report's sources in this process: the threads list and the main
// thread for the thread headers, the module holding an address, the live
// snapshot, memory, collectors and assembler listing. The handling flow's
// report stage builds the report with them:
//
//   TLiveReportSources live;
//   TBugReport report = BuildBugReport(exception, live.Sources(options, stack));
//
// For the handling thread: they allocate, read files and ask the system, so
// not inside a handler that forbids the heap. None raises except by running
// out of memory.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "debuginfo/EDisAsmProcess.h"
#include "report/EReportInput.h"
#include "report/ESysInfo.h"

// The thread headers' facts from the process-wide threads list: a listed
// thread's priority (read from the thread and stored in its entry the first
// time), the class of its live object, and whether it is the process's main
// thread.
class TLiveThreadFacts final : public IStackThreadFacts {
 public:
  std::optional<int> Priority(std::uint32_t threadId) override;
  std::string ClassName(std::uint32_t threadId) override;
  bool IsMainThread(std::uint32_t threadId) override;
};

// The process's main thread: the earliest started of its threads; 0 when
// the system does not say.
std::uint32_t MainThreadId();

// The module of an address from the system's memory query and the module's
// file, each module read once per object.
class TLiveAddressModules final : public IAddressModules {
 public:
  std::optional<TAddressModule> ModuleAt(TAddress address) override;

 private:
  std::map<std::uintptr_t, TAddressModule> modules_;
};

// Every live source of one report; the object must outlive the report's
// building.
class TLiveReportSources {
 public:
  explicit TLiveReportSources(TSystemFunctionLookup lookup = SystemFunction);
  TReportSources Sources(const TDovaroModuleOptions& options, const TDovaroStackList& stack);
  TLiveSystemInfo& System() { return system_; }
  TLiveAddressModules& AddressModules() { return modules_; }

 private:
  TLiveSystemInfo system_;
  TLiveThreadFacts threads_;
  TLiveAddressModules modules_;
  TProcessListingLookup listing_;
};
