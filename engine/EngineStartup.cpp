#include "engine/EngineStartup.h"

#include "debuginfo/EDebug.h"
#include "debuginfo/ESnapshotModuleFacts.h"
#include "engine/ECore.h"
#include "engine/EHook.h"
#include "engine/ExceptionLog.h"

void StartEngineUnits(TEngineContext& context) noexcept {
  if (!context.IndexDebugInformation) context.IndexDebugInformation = IndexDebugInformation;
  if (!context.LoadOtherDebugSource) context.LoadOtherDebugSource = LoadOtherDebugSource;
  if (!context.LoadExportedFunctions) context.LoadExportedFunctions = LoadExportedFunctions;
  if (!context.LoadModuleFacts) context.LoadModuleFacts = LoadModuleFacts;
  ConnectExceptionLog(context);
  ECoreInit(context);
  EHookInit();
  ExceptionLogInit(context);
  ExceptionLogInitialised();
}

void EndEngineUnits() noexcept {
  ExceptionLogDone();
  EHookDone();
  ECoreDone();
}

void EngineThreadEnds() noexcept {
  ExceptionLogThreadEnds();
}
