// The call stacks of 20 threads with about 64 KB of stack each, scanned and
// resolved in this process: items per second and the whole time.
//
// Usage: callstack_bench (run in build/bin).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/BenchMachine.h"
#include "bench/BenchThreads.h"
#include "debuginfo/EDebug.h"
#include "debuginfo/EStackLive.h"
#include "debuginfo/EStackThreads.h"
#include "engine/EngineStartup.h"

namespace {

constexpr int kThreads = 20;
constexpr int kFrames = 21;  // of about 3 KB each: some 64 KB of stack

__attribute__((noinline)) int Recurse(int depth) {
  volatile char frame[3000];
  frame[0] = static_cast<char>(depth);
  if (depth == 0) {
    TBlockedWorkers::ArriveAndWait();
    return frame[0];
  }
  return Recurse(depth - 1) + frame[0];
}

DWORD WINAPI Worker(void*) {
  return static_cast<DWORD>(Recurse(kFrames));
}

double Seconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

// Scans and resolves each thread's stack.
void Measure(const std::vector<DWORD>& ids) {
  TLiveStackLocator locator;
  TStackScanRequest request;
  request.AddCallees = true;
  std::size_t items = 0;
  std::size_t bytes = 0;
  const auto start = std::chrono::steady_clock::now();
  for (DWORD id : ids) {
    TDovaroStackList list;
    const TThreadStackSnapshot copy = CopyThreadStack(id);
    bytes += copy.Stack.Bytes.size();
    ScanOtherThread(list, id, 0, request, locator);
    items += list.Count();
  }
  const double whole = Seconds(std::chrono::steady_clock::now() - start);
  std::printf("%d threads, %zu KB of stack copied twice, %zu items\n", kThreads, bytes / 1024,
              items);
  std::printf("scan and resolve: %.1f ms in all, %.0f items/s, %.2f ms per thread\n", whole * 1000,
              items / whole, whole * 1000 / kThreads);
}

}  // namespace

int main() {
  PrintExecutionLine();
  TEngineContext engine;
  StartEngineUnits(engine);
  ModuleEntryByHandle(reinterpret_cast<std::uintptr_t>(GetModuleHandleA("kernel32.dll")));
  {
    const TBlockedWorkers workers(kThreads, &Worker);
    Measure(workers.Ids());
  }
  EndEngineUnits();
  return 0;
}
