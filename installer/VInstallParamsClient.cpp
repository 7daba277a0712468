// The module's entry and its installer exports.
//
// Both exports are stdcall with three 32-bit arguments, the first reserved
// and never read, and return a one-byte Boolean. Text arguments are 8-bit
// ANSI; a null pointer is the empty text. A failure the operations do not
// handle leaves the export as the structured exception described in
// platform/runtime/ExportBoundary.h.
#include <windows.h>

#include <memory>
#include <string>

#include "delivery/EDelivery.h"
#include "engine/EngineStartup.h"
#include "installer/BDEConfig.h"
#include "installer/UF_InstallParamsClient.h"
#include "platform/runtime/ExportBoundary.h"

namespace {

// The engine of this module: started at process attach, ended at detach.
constinit TEngineContext engine;

std::string TextArgument(const char* text) {
  return text ? std::string(text) : std::string();
}

unsigned char AsBoolean(bool value) {
  return value ? 1 : 0;
}

}  // namespace

extern "C" {

unsigned char __stdcall SetParameters(void* /*reserved*/, const char* serverHost,
                                      const char* targetFolder) {
  return RunExport("SetParameters", reinterpret_cast<const void*>(&SetParameters),
                   engine.ObserveExportFailure, [&] {
                     const std::string host = TextArgument(serverHost);
                     auto container = std::make_unique<TF_InstallParamsClient>();
                     container->TargetFolder = TextArgument(targetFolder);
                     return AsBoolean(container->RequestServerParameters(host));
                   });
}

unsigned char __stdcall SetBDEConfig(void* /*reserved*/, const char* aliasName,
                                     const char* serverName) {
  return RunExport("SetBDEConfig", reinterpret_cast<const void*>(&SetBDEConfig),
                   engine.ObserveExportFailure, [&] {
                     return AsBoolean(ConfigureDatabaseClient(TextArgument(aliasName),
                                                              TextArgument(serverName)));
                   });
}

// The module's notification handler: the engine's units start when the
// process attaches the module (with the delivery lent to the engine) and end
// when it detaches it; the installer part
// has nothing to set up or tear down.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    engine.DeliverReport = StartDelivery;  // the engine's delivery stage
    StartEngineUnits(engine);
  }
  if (reason == DLL_THREAD_DETACH) EngineThreadEnds();
  if (reason == DLL_PROCESS_DETACH) EndEngineUnits();
  return TRUE;
}

}  // extern "C"
