// The module of the handling benchmark, built twice from this file: once
// carrying the engine (its raise stubs, its units started at load) and once
// without, so one run compares the cost of the same C++ raises.
#include <windows.h>

#include <atomic>
#include <stdexcept>

#ifdef VIPC_BENCH_WITH_ENGINE
#include "engine/EngineStartup.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogStages.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/Thread.h"
#endif

namespace {

volatile int sink = 0;

__attribute__((noinline)) void Level(int depth) {
  if (depth == 0) throw std::runtime_error("five frames deep");
  Level(depth - 1);
  sink = sink + 1;  // keeps the frames from becoming jumps
}

#ifdef VIPC_BENCH_WITH_ENGINE
constinit TEngineContext engine;
std::atomic<long long> raisedAt{0};
std::atomic<long long> firstStageAt{0};
std::atomic<long long> reportStageAt{0};

long long Ticks() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// The pending stages, with the moments the first stage and the report stage
// begin.
class TTimedStages final : public IHandlingStages {
 public:
  IHandlingStages& P() { return PendingStages(); }
  std::string BugIdentifier(TExceptionLogEngine& e, const THandlingFacts& f) override {
    firstStageAt = Ticks();
    return P().BugIdentifier(e, f);
  }
  std::string ReportText(TExceptionLogEngine& e, const THandlingFacts& f) override {
    reportStageAt = Ticks();
    return P().ReportText(e, f);
  }
  bool CheckDuplicate(TExceptionLogEngine& e, const THandlingFacts& f, bool c) override {
    return P().CheckDuplicate(e, f, c);
  }
  void TakeScreenshot(TExceptionLogEngine&, const THandlingFacts&) override {}
  void SaveScreenshot(TExceptionLogEngine&, const THandlingFacts&) override {}
  void ReleaseScreenshot(TExceptionLogEngine&) override {}
  bool ShowDialog(TExceptionLogEngine&, const THandlingFacts&, int, bool,
                  TDialogOutcome&) override {
    return true;
  }
  void AskReproduceSteps(TExceptionLogEngine&, const THandlingFacts&) override {}
  void AddCustomInformation(TExceptionLogEngine&, const THandlingFacts&,
                            const std::vector<std::string>&) override {}
  void AddReproduceRequest(TExceptionLogEngine&, const THandlingFacts&,
                           const std::string&) override {}
  bool AnswerWeb(TExceptionLogEngine&, const THandlingFacts&) override { return false; }
  void CheckLogVersion(TExceptionLogEngine&, const THandlingFacts&) override {}
  void SaveReportToLog(TExceptionLogEngine&, const THandlingFacts&, ILogStageEvents&) override {}
  void Deliver(TExceptionLogEngine&, const THandlingFacts&) override {}
  void DeleteTemporaryFiles(TExceptionLogEngine&) override {}
};
TTimedStages timedStages;

class EBenchFault : public Exception {
 public:
  using Exception::Exception;
};

// A thread whose exception nothing catches: the engine handles it at the raise.
class TFaultingThread final : public TThread {
 protected:
  void Execute() override {
    raisedAt = Ticks();
    throw EBenchFault("a fault nothing catches");
  }
};

// A thread that waits, so the process has more threads for the engine to list.
class TWaitingThread final : public TThread {
 public:
  explicit TWaitingThread(HANDLE stop) : stop_(stop) {}

 protected:
  void Execute() override { WaitForSingleObject(stop_, INFINITE); }

 private:
  HANDLE stop_;
};
#endif

}  // namespace

extern "C" {

#ifdef VIPC_BENCH_WITH_ENGINE
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) StartEngineUnits(engine);
  if (reason == DLL_THREAD_DETACH) EngineThreadEnds();
  if (reason == DLL_PROCESS_DETACH) EndEngineUnits();
  return TRUE;
}
#endif

// Raises and catches `count` exceptions five frames below the catch.
__declspec(dllexport) int BenchThrowAndCatch(int count) {
  int caught = 0;
  for (int i = 0; i < count; ++i) {
    try {
      Level(4);
    } catch (const std::exception&) {
      ++caught;
    }
  }
  return caught;
}

// Whether the engine is active in this module.
__declspec(dllexport) int BenchEngineActive() {
#ifdef VIPC_BENCH_WITH_ENGINE
  const TExceptionLogEngine* e = InterceptionEngine();
  return e && e->EngineActive;
#else
  return 0;
#endif
}

// With `threads` - 1 more threads waiting: a fault nothing catches in one
// thread; the seconds from the raise to the first stage and to the report
// stage. Both negative when the module carries no engine.
__declspec(dllexport) void BenchFaultToStage(int threads, double* toFirst, double* toReport) {
  *toFirst = *toReport = -1;
#ifdef VIPC_BENCH_WITH_ENGINE
  TExceptionLogEngine* e = InterceptionEngine();
  if (!e) return;
  e->Stages = &timedStages;
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::vector<std::unique_ptr<TWaitingThread>> waiting;
  for (int i = 1; i < threads; ++i) {
    waiting.push_back(std::make_unique<TWaitingThread>(stop));
    waiting.back()->Start();
  }
  Sleep(200);  // every thread is up and waiting
  TFaultingThread faulting;
  faulting.Start();
  faulting.WaitFor();
  SetEvent(stop);
  for (auto& thread : waiting) thread->WaitFor();
  CloseHandle(stop);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const double perSecond = static_cast<double>(frequency.QuadPart);
  *toFirst = static_cast<double>(firstStageAt - raisedAt) / perSecond;
  *toReport = static_cast<double>(reportStageAt - raisedAt) / perSecond;
  e->Stages = e->OwnStages.get();
#else
  (void)threads;
#endif
}

}  // extern "C"
