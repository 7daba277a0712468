// A host program of the handling tests: it loads handling_probe.dll (a
// module that carries the engine) and runs one scenario named on its command
// line, writing what it saw to the tests' journal. Where a scenario ends the
// process, the test reads the exit code.
#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/runtime/Exception.h"
#include "platform/runtime/SehGuard.h"
#include "tests/handling/probe/Journal.h"

namespace {

HMODULE probe = nullptr;

template <class Function>
Function Probe(const char* name) {
  auto routine = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(probe, name)));
  if (!routine) {
    JournalLine(std::string("host: no export ") + name);
    ExitProcess(90);
  }
  return routine;
}

void SetOption(const char* name, unsigned value) {
  Probe<void (*)(const char*, unsigned)>("ProbeSetOption")(name, value);
}

void AddFilter(const char* name, int scope, int dialog, int handler, int after,
               const char* message) {
  Probe<void (*)(const char*, int, int, int, int, const char*)>("ProbeAddFilter")(
      name, scope, dialog, handler, after, message);
}

}  // namespace

// The host's own faulting code, in a library of the host's (named through
// that library's export table).
extern "C" __declspec(dllimport) void HostFaults(int kind);

namespace {

DWORD WINAPI FaultingThread(void* kind) {
  HostFaults(static_cast<int>(reinterpret_cast<std::intptr_t>(kind)));
  return 0;
}

int FaultIn(bool secondThread, int kind) {
  if (!secondThread) {
    HostFaults(kind);
    return 0;
  }
  HANDLE thread =
      CreateThread(nullptr, 0, &FaultingThread,
                   reinterpret_cast<void*>(static_cast<std::intptr_t>(kind)), 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  return 0;
}

// A class of this program that derives from the runtime's root class.
class EHostBase : public Exception {
 public:
  using Exception::Exception;
};
class EHostDerived : public EHostBase {
 public:
  using EHostBase::EHostBase;
};

int HandOver(const Exception& failure) {
  return Probe<int (*)(const void*, unsigned)>("ProbeHandOver")(
      &failure, static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&HostFaults)));
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) {
    JournalLine("host: hangs");
    Sleep(static_cast<DWORD>(w));
    JournalLine("host: answers again");
    return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

// The main window stops answering twice, for `milliseconds` each time.
int Freeze(DWORD milliseconds) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &WindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "HandlingHostWindow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("HandlingHostWindow", "Handling host", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                              100, nullptr, nullptr, windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOW);
  SetOption("FreezeTimeoutSecs", 1);
  SetOption("FreezeWatch", 1);
  for (int round = 0; round < 2; ++round) {
    const DWORD until = GetTickCount() + 1500;
    MSG message;
    while (GetTickCount() < until) {
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      Sleep(20);
    }
    SendMessageA(window, WM_APP, milliseconds, 0);
  }
  const DWORD until = GetTickCount() + 1500;
  MSG message;
  while (GetTickCount() < until) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(20);
  }
  SetOption("FreezeWatch", 0);
  DestroyWindow(window);
  return 0;
}

// A window in a known colour, then a fault in the main thread handled with
// the engine's own screenshot, report and log stages; the probe copies the
// exception's attachments into the folder named by VIPC_ATTACHMENTS_OUT.
int HandledFaultWithAttachments() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = CreateSolidBrush(RGB(255, 128, 0));
  windowClass.lpszClassName = "HandlingHostShot";
  RegisterClassA(&windowClass);
  HWND window =
      CreateWindowExA(WS_EX_TOPMOST, "HandlingHostShot", "Handling host", WS_POPUP | WS_VISIBLE,
                      200, 200, 320, 240, nullptr, nullptr, windowClass.hInstance, nullptr);
  SetForegroundWindow(window);
  const DWORD until = GetTickCount() + 800;
  MSG message;
  while (GetTickCount() < until) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(20);
  }
  char out[MAX_PATH] = {};
  GetEnvironmentVariableA("VIPC_ATTACHMENTS_OUT", out, sizeof out);
  std::string folder = out;
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  SetOption("DialogKind", 0);
  SetOption("WebDelivery", 1);
  SetOption("SendFlags", 0x0051 | 0x0008);  // with the screenshot and the XML copy
  Probe<void (*)(const char*)>("ProbeAttachments")(folder.c_str());
  return FaultIn(false, 0);
}

int Run(const std::string& scenario) {
  if (scenario == "attachments") return HandledFaultWithAttachments();
  if (scenario == "av-main") return FaultIn(false, 0);
  if (scenario == "av-thread") return FaultIn(true, 0);
  if (scenario == "div-main") return FaultIn(false, 1);
  if (scenario == "div-thread") return FaultIn(true, 1);
  if (scenario == "raise-main") return FaultIn(false, 2);
  if (scenario == "raise-thread") return FaultIn(true, 2);
  if (scenario == "cpp-uncaught") {
    Probe<void (*)()>("ProbeThrowUncaught")();
    return 0;
  }
  if (scenario == "cpp-caught-reported") {
    SetOption("BehaviourFlags", 0x0100);  // ReportCaughtExceptions
    const int caught = Probe<int (*)()>("ProbeThrowCaught")();
    JournalLine("host: caught=" + std::to_string(caught));
    return 0;
  }
  if (scenario == "cpp-caught") return Probe<int (*)()>("ProbeThrowCaught")() == 1 ? 0 : 3;
  if (scenario == "cpp-abort") {
    Probe<void (*)()>("ProbeThrowAbort")();
    return 0;
  }
  if (scenario == "cpp-thread") return Probe<int (*)()>("ProbeThrowInThread")() == 1 ? 0 : 3;
  if (scenario == "callback-raise") {
    Probe<void (*)()>("ProbeRaiseInCallback")();
    return Probe<int (*)()>("ProbeThrowInThread")() == 1 ? 0 : 3;
  }
  if (scenario == "goon-cleared") {
    Probe<void (*)()>("ProbeClearGoOn")();
    return Probe<int (*)()>("ProbeThrowInThread")() == 1 ? 0 : 3;
  }
  if (scenario == "log-retry") {
    Probe<void (*)(int, int)>("ProbeFailLog")(2, 1);
    return Probe<int (*)()>("ProbeThrowInThread")() == 1 ? 0 : 3;
  }
  if (scenario == "filter-first") {
    AddFilter("EProbeError", 0, 0, 2, 0, "the first filter");
    AddFilter("EProbeError", 0, 0, 2, 0, "the second filter");
    return Probe<int (*)()>("ProbeThrowInThread")() == 1 ? 0 : 3;
  }
  if (scenario == "filter-scope1") {
    AddFilter("EProbeError", 1, 0, 2, 0, "only caught ones");
    return Probe<int (*)()>("ProbeThrowInThread")() == 1 ? 0 : 3;
  }
  if (scenario == "filter-base") {
    AddFilter("EHostBase", 0, 0, 2, 0, "by its base class");
    try {
      throw EHostDerived("a host failure");
    } catch (const Exception& failure) {
      JournalLine("host: hand over result=" + std::to_string(HandOver(failure)));
    }
    return 0;
  }
  if (scenario == "filter-none") {
    AddFilter("EProbeError", 0, 0, 0, 0, "");
    return Probe<int (*)()>("ProbeThrowInThread")() == 1 ? 0 : 3;
  }
  if (scenario == "restart") {
    if (GetEnvironmentVariableA("VIPC_HANDLING_RESTARTED", nullptr, 0) > 0) {
      char folder[MAX_PATH] = {};
      GetCurrentDirectoryA(sizeof folder, folder);
      JournalLine(std::string("host: restarted in ") + folder + " with " + GetCommandLineA());
      return 0;
    }
    SetEnvironmentVariableA("VIPC_HANDLING_RESTARTED", "1");  // the restarted process inherits it
    AddFilter("EProbeError", 0, 0, 2, 2, "");
    SetOption("TerminateAction", 2);
    Probe<int (*)()>("ProbeThrowInThread")();
    JournalLine("host: not restarted");
    return 0;
  }
  if (scenario == "burst") {
    SetOption("CrashBurstAction", 1);
    SetOption("CrashBurstCount", 3);
    SetOption("CrashBurstMinutes", 1);
    for (int i = 1; i <= 3; ++i) {
      JournalLine("host: fault " + std::to_string(i));
      Probe<int (*)()>("ProbeThrowInThread")();
    }
    JournalLine("host: survived the burst");
    return 0;
  }
  if (scenario == "freeze") return Freeze(2500);
  if (scenario.rfind("module-events:", 0) == 0) {
    // A fault in the code of a module of another engine's data version.
    const std::string name = scenario.substr(scenario.find(':') + 1);
    const HMODULE events = LoadLibraryA(name.c_str());
    auto fault = events ? reinterpret_cast<void (*)()>(
                              reinterpret_cast<void*>(GetProcAddress(events, "EventsModuleFaults")))
                        : nullptr;
    if (!fault) {
      JournalLine("host: cannot load " + name);
      return 95;
    }
    fault();
    return 0;
  }
  if (scenario == "report") {
    // The engine's report and log of a fault in the host's own code; the
    // log skips a report it already holds, counting it instead.
    char log[MAX_PATH] = {};
    GetEnvironmentVariableA("VIPC_HANDLING_LOG", log, sizeof log);
    Probe<void (*)(const char*)>("ProbeUseEngineStages")(log);
    SetOption("LogFlags", 0x31);
    SetOption("DialogKind", 0);
    return FaultIn(false, 0);
  }
  if (scenario.rfind("dialog-", 0) == 0) {
    // The classic dialog of the engine's own stages, answered by the test;
    // the end is the one the scenario names.
    const std::string end = scenario.substr(std::string("dialog-").size());
    if (GetEnvironmentVariableA("VIPC_HANDLING_RESTARTED", nullptr, 0) > 0) {
      JournalLine(std::string("host: restarted with ") + GetCommandLineA());
      return 0;
    }
    char log[MAX_PATH] = {};
    GetEnvironmentVariableA("VIPC_HANDLING_LOG", log, sizeof log);
    Probe<void (*)(const char*)>("ProbeUseEngineStages")(log);
    SetOption("LogFlags", 0x33);  // with the steps-to-reproduce text
    SetOption("DialogKind", 2);
    SetOption("WebDelivery", 6);  // sending is offered
    if (end == "request") SetOption("DialogKind", 3);
    if (end == "continue") {
      const int caught = Probe<int (*)()>("ProbeThrowInThread")();
      JournalLine("host: continued");
      return caught == 1 ? 0 : 3;
    }
    if (end == "terminate" || end == "restart") {
      SetOption("TerminateAction", end == "terminate" ? 1 : 2);
      SetOption("TerminateButtonAfter", 0);
      if (end == "restart") SetEnvironmentVariableA("VIPC_HANDLING_RESTARTED", "1");
    }
    return FaultIn(false, 0);
  }
  if (scenario == "boundary") {
    SehFailure failure;
    unsigned char result = 0;
    auto call = [&] { result = Probe<unsigned char(__stdcall*)()>("ProbeThrowThroughBoundary")(); };
    if (!CallWithSehGuard(call, failure)) {
      JournalLine("host: boundary raised " + std::to_string(failure.code));
    }
    return 0;
  }
  JournalLine("host: unknown scenario " + scenario);
  return 99;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 98;
  const char* module = argc > 2 ? argv[2] : "handling_probe.dll";
  probe = LoadLibraryA(module);
  if (!probe) {
    JournalLine(std::string("host: cannot load ") + module);
    return 97;
  }
  JournalLine("host: main thread=" + std::to_string(GetCurrentThreadId()));
  Probe<void (*)()>("ProbeWatch")();
  if (!Probe<int (*)()>("ProbeEngineActive")()) {
    JournalLine("host: the engine is not active");
    return 96;
  }
  return Run(argv[1]);
}
