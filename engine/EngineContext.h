// What the engine's units share while a module that carries the engine runs:
// the routines by which a higher layer takes part in a lower one's work, and
// the switches of the moment. One object per such module: its entry fills the
// routines, starts the units with it (engine/EngineStartup.h) and ends them
// before the object goes away. A unit reads it through EngineContext().
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "platform/runtime/ExportBoundary.h"

struct TDovaroModuleInfo;
struct TExceptionLogEngine;
struct THandlingFacts;

// Where a failed unit step's text goes; null: the debugger output and a
// message box.
using TUnitStepFailureReporter = void (*)(const char* stepName, const std::string& text);
// The password-request events: attempt 0 asks the module itself, attempt 1
// the current module's handlers. Without a request, or when it gives none,
// the password is empty.
using TDebugPasswordRequest = std::optional<std::string> (*)(const TDovaroModuleInfo& module,
                                                             int attempt);
// Completes a newly registered module's record with debug information beyond
// its ELDATA block.
using TModuleDebugLoader = void (*)(TDovaroModuleInfo& module);
// Completes a newly registered module's record with the facts of its file
// (description, version, size, date) and, when `readModuleType`, its module
// type.
using TModuleFactsLoader = void (*)(TDovaroModuleInfo& module, bool readModuleType);
// Starts (true) or stops (false) the freeze watchdog.
using TFreezeWatchControl = void (*)(bool run);
// True for the threads the engine runs itself, which code patching never
// suspends.
using TEngineThreadTest = bool (*)(unsigned long threadId);
// Where a handled exception's delivery finds its files and puts its window.
struct TDeliveryPlace {
  std::string Folder;  // the exception's own temporary folder, ending with "\"
  // The work area captured for the exception (left, top, right, bottom).
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  // With SendWholeLog, the whole log as the save left it: the report file's
  // text instead of the last report. Empty: the last report.
  std::string WholeLog;
};
// Delivers the report of the exception being handled (mail and web).
using TReportDeliverer = void (*)(TExceptionLogEngine& engine, const THandlingFacts& facts,
                                  const TDeliveryPlace& place);

struct TEngineContext {
  // Filled by the module's entry before the units start; read by any thread.
  TUnitStepFailureReporter ReportUnitStepFailure = nullptr;
  TDebugPasswordRequest RequestDebugPassword = nullptr;
  // For a module registered with debug information: its lookup index.
  TModuleDebugLoader IndexDebugInformation = nullptr;
  // For a module registered without debug information: its map, TD32 or JDBG
  // data.
  TModuleDebugLoader LoadOtherDebugSource = nullptr;
  // For every module registered in full: its exported functions.
  TModuleDebugLoader LoadExportedFunctions = nullptr;
  // For every module registered: what the process snapshot shows of it.
  TModuleFactsLoader LoadModuleFacts = nullptr;
  TFreezeWatchControl ControlFreezeWatch = nullptr;
  TEngineThreadTest IsEngineThread = nullptr;
  // Told of every failure that leaves an export, inside its catch block.
  BoundaryObserver ObserveExportFailure = nullptr;
  // The delivery layer's run; null: the delivery stage does nothing.
  TReportDeliverer DeliverReport = nullptr;

  // While set, modules registered get their options only: no password
  // check, no debug information (the freeze watchdog starts meanwhile).
  std::atomic<bool> LightRegistration{false};
  // While set, lookups do not hide the library's own units (the library is
  // reporting a fault in itself).
  std::atomic<bool> ReportingInternalError{false};
};

// The context of this module's running engine: set by the options unit's
// start, cleared by its end; null outside that time.
TEngineContext* EngineContext() noexcept;

namespace engine_context_detail {
void Attach(TEngineContext* context) noexcept;
}  // namespace engine_context_detail
