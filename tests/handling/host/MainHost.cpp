// A host program that carries the engine itself: its engine starts before it
// loads handling_probe.dll, so the probe's engine leaves the decisions to
// it. It journals what its own engine reports.
#include <windows.h>

#include <string>

#include "engine/EngineStartup.h"
#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEvents.h"
#include "platform/runtime/SehGuard.h"
#include "tests/handling/probe/Journal.h"

namespace {

TEngineContext engine;

void OnExceptionNotify(const TDovaroExceptionRecord& record, bool&) {
  JournalLine("main engine ExceptionNotify class=" + ExceptionClassName(record.RaisedObject) +
              " message=" + ExceptionMessage(record.RaisedObject).value_or("") +
              " report=" + (record.ReportText.empty() ? "empty" : "built"));
}

template <class Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

int main() {
  StartEngineUnits(engine);
  EventVariables().ExceptionNotify = OnExceptionNotify;
  const HMODULE probe = LoadLibraryA("handling_probe.dll");
  const auto watch = Export<void (*)()>(probe, "ProbeWatch");
  const auto takesOver = Export<int (*)()>(probe, "ProbeMainTakesOver");
  const auto boundary = Export<unsigned char(__stdcall*)()>(probe, "ProbeThrowThroughBoundary");
  if (!watch || !takesOver || !boundary) {
    JournalLine("host: cannot use handling_probe.dll");
    return 97;
  }
  watch();
  JournalLine("host: main takes over=" + std::to_string(takesOver()));
  SehFailure failure;
  auto call = [&] { boundary(); };
  if (!CallWithSehGuard(call, failure)) {
    JournalLine("host: boundary raised " + std::to_string(failure.code));
  }
  FreeLibrary(probe);
  EndEngineUnits();
  return 0;
}
