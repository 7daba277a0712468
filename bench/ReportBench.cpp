// The whole bug report of a process with 20 more threads, each blocked at
// the end of the call chain of a module with its own debug block: their
// stacks scanned with the call stack builder, then the report built from the
// live sources with the modules, processes, assembler and CPU sections (the
// options' defaults). The faulting thread runs the same chain. Prints the
// time of each part and of the whole.
//
// Usage: report_bench [--print] (run in build/bin); --print also writes the
// last report to standard output.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/BenchMachine.h"
#include "bench/BenchThreads.h"
#include "debuginfo/EDebug.h"
#include "debuginfo/ESnapshotModules.h"
#include "debuginfo/EStackLive.h"
#include "debuginfo/EStackThreads.h"
#include "engine/ECoreServices.h"
#include "engine/EngineStartup.h"
#include "platform/memory/LiveMemory.h"
#include "report/EReportLive.h"
#include "report/EReportSections.h"
#include "report/EReportText.h"
#include "report/EReportValues.h"
#include "tests/debuginfo/fixture/CallChain.h"
#include "tests/support/LiveFault.h"

namespace {

constexpr int kThreads = 20;
constexpr int kRuns = 5;

TRunCallChain runChain = nullptr;

void Block(void*) {
  TBlockedWorkers::ArriveAndWait();
}

DWORD WINAPI Worker(void*) {
  TChainLines lines{};
  runChain(&Block, nullptr, &lines);
  return 0;
}

double Milliseconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

struct TFault {
  CONTEXT Context{};
  TReportException Exception;
  const std::vector<DWORD>* Others = nullptr;
  std::unique_ptr<TDovaroStackList> Stack;
  double StackMilliseconds = 0;
};

// The faulting thread's stack, then every other thread's.
std::unique_ptr<TDovaroStackList> CallStacks(TFault& fault, const std::vector<DWORD>& ids) {
  const auto start = std::chrono::steady_clock::now();
  TLiveStackLocator locator;
  auto stack = BuildCallStack(FaultingThreadScan(fault.Context), LiveMemory(), locator);
  TStackScanRequest others;
  others.AddCallees = true;
  for (DWORD id : ids) ScanOtherThread(*stack, id, 0, others, locator);
  fault.StackMilliseconds = Milliseconds(std::chrono::steady_clock::now() - start);
  return stack;
}

// This thread as the faulting one, at the end of the chain.
__attribute__((noinline)) void CaptureFault(void* user) {
  auto& fault = *static_cast<TFault*>(user);
  fault.Context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
  RtlCaptureContext(&fault.Context);
  fault.Exception = LiveReportException(fault.Context, "EInOutError", "Unable to create directory");
  fault.Stack = CallStacks(fault, *fault.Others);
}

// One more report, part by part.
void PrintParts(const std::vector<DWORD>& ids, const TDovaroModuleOptions& options) {
  TFault fault;
  fault.Others = &ids;
  TChainLines lines{};
  runChain(&CaptureFault, &fault, &lines);
  TLiveReportSources live;
  const TReportSources sources = live.Sources(options, *fault.Stack);
  const TReportException& e = fault.Exception;
  auto start = std::chrono::steady_clock::now();
  const auto lap = [&](const char* part) {
    const auto now = std::chrono::steady_clock::now();
    std::printf("  %-34s %6.1f ms\n", part, Milliseconds(now - start));
    start = now;
  };
  std::printf("the parts of one report:\n");
  GeneralReportText(e, sources,
                    BugIdentifierOf(e, *fault.Stack, *sources.AddressModules, *sources.System));
  lap("general sections (collectors)");
  CallStackBlock(*fault.Stack, options, *sources.Threads);
  lap("call stack table");
  ModulesBlock(sources.Modules->Modules(), options);
  lap("modules (refresh and table)");
  ProcessesBlock(sources.Processes->Processes(), options);
  lap("processes (rebuild and table)");
  AssemblerSection(e.Address, options, sources.Listing);
  lap("assembler listing");
  CpuBlock(e, options, *sources.Memory);
  lap("CPU block");
}

// Five whole reports, then one part by part.
void Measure(const std::vector<DWORD>& ids, bool print) {
  TDovaroModuleOptions options;  // modules, processes, assembler and CPU on
  std::vector<double> stacks, reports;
  TBugReport report;
  std::size_t items = 0, rows = 0;
  for (int run = 0; run < kRuns; ++run) {
    TFault fault;
    fault.Others = &ids;
    TChainLines lines{};
    runChain(&CaptureFault, &fault, &lines);
    const auto start = std::chrono::steady_clock::now();
    TLiveReportSources sources;
    report = BuildBugReport(fault.Exception, sources.Sources(options, *fault.Stack));
    reports.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
    stacks.push_back(fault.StackMilliseconds);
    items = fault.Stack->Count();
    rows = 0;
    for (std::size_t i = 0; i < items; ++i) rows += RowVisible((*fault.Stack)[i], options);
  }
  std::sort(stacks.begin(), stacks.end());
  std::sort(reports.begin(), reports.end());
  std::printf(
      "%d threads besides the faulting one: %zu call stack items, %zu rows shown, "
      "report of %zu bytes\n",
      kThreads, items, rows, report.Text.size());
  std::printf("call stacks: %.1f ms (median of %d runs)\n", stacks[kRuns / 2], kRuns);
  std::printf("report text: %.1f ms (median of %d runs; fastest %.1f ms, slowest %.1f ms)\n",
              reports[kRuns / 2], kRuns, reports.front(), reports.back());
  std::printf("whole report with its call stacks: %.1f ms\n",
              stacks[kRuns / 2] + reports[kRuns / 2]);
  PrintParts(ids, options);
  if (print) std::fwrite(report.Text.data(), 1, report.Text.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const bool print = argc > 1 && std::strcmp(argv[1], "--print") == 0;
  PrintExecutionLine();
  TEngineContext engine;
  StartEngineUnits(engine);
  const HMODULE chain = LoadLibraryA("callstack_fixture.dll");
  runChain = chain ? reinterpret_cast<TRunCallChain>(
                         reinterpret_cast<void*>(GetProcAddress(chain, "RunCallChain")))
                   : nullptr;
  if (!runChain) {
    std::printf("callstack_fixture.dll or its RunCallChain is missing\n");
    return 1;
  }
  // The engine knows the process's modules, as after a first report.
  for (std::uintptr_t module : LoadedModuleHandles()) ModuleEntryByHandle(module);
  {
    const TBlockedWorkers workers(kThreads, &Worker);
    Measure(workers.Ids(), print);
  }
  FreeLibrary(chain);
  EndEngineUnits();
  return 0;
}
