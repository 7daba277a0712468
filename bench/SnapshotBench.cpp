// How long the process snapshot takes in a real process: refreshing the
// modules list (first time, unchanged, after a module came and went),
// completing the entries a refresh made, rebuilding the processes list, and
// the threads list's operations with 20 live threads.
//
// Usage: snapshot_bench (run in build/bin, beside snapshot_package_fixture.dll).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "bench/BenchMachine.h"
#include "debuginfo/EDebug.h"
#include "debuginfo/ESnapshot.h"
#include "debuginfo/ESnapshotModules.h"
#include "debuginfo/ESnapshotSuspend.h"
#include "engine/ECoreModules.h"
#include "engine/EngineStartup.h"

namespace {

constexpr int kThreads = 20;

// Microseconds per round of `rounds` runs of `work`.
double MicrosecondsPerRound(int rounds, const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) work();
  const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / rounds;
}

void Print(const char* what, double microseconds, const char* detail = "") {
  std::printf("%-44s %12.1f us  %s\n", what, microseconds, detail);
}

// Threads that wait until the object goes away.
class TWaitingThreads {
 public:
  TWaitingThreads() : release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    for (int i = 0; i < kThreads; ++i) {
      DWORD id = 0;
      handles_.push_back(CreateThread(nullptr, 0, Wait, release_, 0, &id));
      ids_.push_back(id);
    }
  }
  ~TWaitingThreads() {
    SetEvent(release_);
    WaitForMultipleObjects(static_cast<DWORD>(handles_.size()), handles_.data(), TRUE, INFINITE);
    for (const HANDLE handle : handles_) CloseHandle(handle);
    CloseHandle(release_);
  }
  const std::vector<HANDLE>& Handles() const { return handles_; }
  const std::vector<DWORD>& Ids() const { return ids_; }

 private:
  static DWORD WINAPI Wait(void* release) {
    WaitForSingleObject(release, INFINITE);
    return 0;
  }
  HANDLE release_;
  std::vector<HANDLE> handles_;
  std::vector<DWORD> ids_;
};

void ModuleFigures() {
  const double first = MicrosecondsPerRound(1, RefreshModules);
  char detail[64];
  std::snprintf(detail, sizeof detail, "(%zu modules)", ModulesList().Count());
  Print("RefreshModules, first (registers all)", first, detail);
  const double completing = MicrosecondsPerRound(1, [] {
    for (const std::uintptr_t handle : LoadedModuleHandles()) ModuleEntryByHandle(handle);
  });
  Print("ModuleEntryByHandle completing every entry", completing);
  Print("RefreshModules, nothing changed", MicrosecondsPerRound(20, RefreshModules));
  Print("RefreshModules, one module loaded",
        MicrosecondsPerRound(5,
                             [] {
                               const HMODULE module = LoadLibraryA("snapshot_package_fixture.dll");
                               RefreshModules();
                               FreeLibrary(module);
                               RefreshModules();
                             }) /
            2,
        "(half of load + refresh + unload + refresh)");
  Print("TLiveSnapshot::Modules (refresh and rows)",
        MicrosecondsPerRound(20, [] { LiveSnapshot().Modules(); }));
}

void ProcessFigures() {
  const double refresh = MicrosecondsPerRound(10, RefreshProcesses);
  char detail[64];
  std::snprintf(detail, sizeof detail, "(%zu processes)", ProcessesList().Records().size());
  Print("RefreshProcesses", refresh, detail);
}

void ThreadFigures() {
  const TWaitingThreads threads;
  TDovaroThreadsList list;
  const auto addAll = [&] {
    for (int i = 0; i < kThreads; ++i) {
      TDovaroThreadEntry entry;
      entry.ThreadId = threads.Ids()[i];
      entry.ThreadHandle = threads.Handles()[i];
      list.Add(std::move(entry));
    }
  };
  Print("Add (purging first), per entry", MicrosecondsPerRound(1, addAll) / kThreads);
  Print("FindByThreadId, per search", MicrosecondsPerRound(1000, [&] {
                                        for (const DWORD id : threads.Ids())
                                          list.FindByThreadId(id);
                                      }) / kThreads);
  Print("Copy of the list (20 entries)",
        MicrosecondsPerRound(1000, [&] { const TDovaroThreadsList copy(list); }));
  Print("PurgeEnded (20 live entries)", MicrosecondsPerRound(100, [&] { list.PurgeEnded(); }));
  Print("TSuspendedThread, per thread",
        MicrosecondsPerRound(10,
                             [&] {
                               for (const DWORD id : threads.Ids()) const TSuspendedThread held(id);
                             }) /
            kThreads,
        "(suspend, read registers, resume)");
  Print("Delete, per entry", MicrosecondsPerRound(1, [&] {
                               for (const DWORD id : threads.Ids()) list.Delete(id);
                             }) / kThreads);
}

}  // namespace

int main() {
  PrintExecutionLine();
  static TEngineContext context;
  StartEngineUnits(context);
  ModuleFigures();
  ProcessFigures();
  ThreadFigures();
  EndEngineUnits();
  return 0;
}
