// The engine's cost in a process: a C++ exception raised and caught five
// frames deep, in a module that carries the engine against the same module
// without it (one run, so the ratio holds however 32-bit code runs), and the
// time from a fault nothing catches to the start of the handling sequence's
// first stage and of its report stage, in a process with 20 threads.
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "bench/BenchMachine.h"

namespace {

using TThrowAndCatch = int (*)(int);
using TFaultToStage = void (*)(int, double*, double*);

template <class Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Microseconds per raise and catch, the best of five rounds.
double MicrosecondsPerThrow(TThrowAndCatch throwAndCatch, int count) {
  double best = 1e300;
  throwAndCatch(count / 10);  // warm: the unwinder's tables, the engine's lists
  for (int round = 0; round < 5; ++round) {
    const auto start = std::chrono::steady_clock::now();
    if (throwAndCatch(count) != count) return -1;
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    best = std::min(best, spent.count() / count);
  }
  return best;
}

}  // namespace

int main() {
  PrintExecutionLine();
  const HMODULE plain = LoadLibraryA("handling_bench_plain.dll");
  const HMODULE withEngine = LoadLibraryA("handling_bench_engine.dll");
  if (!plain || !withEngine) {
    std::printf("cannot load the benchmark's modules\n");
    return 1;
  }
  if (!Export<int (*)()>(withEngine, "BenchEngineActive")()) {
    std::printf("the engine is not active in handling_bench_engine.dll\n");
    return 1;
  }
  constexpr int kThrows = 2000;
  const double without =
      MicrosecondsPerThrow(Export<TThrowAndCatch>(plain, "BenchThrowAndCatch"), kThrows);
  const double with =
      MicrosecondsPerThrow(Export<TThrowAndCatch>(withEngine, "BenchThrowAndCatch"), kThrows);
  std::printf(
      "C++ throw caught 5 frames deep: %.1f us without the engine, %.1f us with it: "
      "ratio %.2f\n",
      without, with, with / without);
  double toFirst = 0;
  double toReport = 0;
  Export<TFaultToStage>(withEngine, "BenchFaultToStage")(20, &toFirst, &toReport);
  std::printf(
      "fault nothing catches, 20 threads: first stage after %.1f ms, report stage after "
      "%.1f ms\n",
      toFirst * 1000, toReport * 1000);
  return 0;
}
