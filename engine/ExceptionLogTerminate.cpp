#include "engine/ExceptionLogTerminate.h"

#include <windows.h>

#include "engine/ECoreModules.h"
#include "engine/ExceptionLogEngine.h"

namespace {
constexpr DWORD kRestartFlags = NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP;  // 0x220

void Restart(const TExceptionLogEngine& engine) {
  STARTUPINFOA startup{};
  GetStartupInfoA(&startup);
  startup.cb = sizeof startup;
  std::string commandLine = GetCommandLineA();
  PROCESS_INFORMATION process{};
  const char* folder = engine.StartFolder.empty() ? nullptr : engine.StartFolder.c_str();
  if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, kRestartFlags, nullptr,
                     folder, &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}
}  // namespace

void RequestTermination(TExceptionLogEngine& engine, std::uint8_t action) {
  if (!engine.EngineActive) return;
  engine.TerminateRequest = true;
  TDovaroModuleOptions& options =
      engine.Current ? static_cast<TDovaroModuleOptions&>(engine.EffectiveOptions)
                     : static_cast<TDovaroModuleOptions&>(CurrentZuderaDodOptions());
  options.SetTerminateAction(action);
  options.RequestedTerminateAction = action;
}

void ApplyTerminateRequest(TExceptionLogEngine& engine) {
  if (!engine.TerminateRequest.load()) return;
  if (engine.EffectiveOptions.TerminateAction() == 2) Restart(engine);
  TerminateProcess(GetCurrentProcess(), 1);
}
