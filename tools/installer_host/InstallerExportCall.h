// Calls an installer export the way the installer does: three 32-bit
// arguments pushed right to left, the callee removing them (stdcall).
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/SehGuard.h"

struct ExportCallResult {
  bool raised = false;       // a structured exception left the export
  unsigned char result = 0;  // the low byte of EAX, when it returned
  int stackImbalance = 0;    // bytes the callee left on (or took off) the stack
  SehFailure failure;        // when raised
  std::string message;       // the boundary message, when raised by the DLL
  std::string className;     // the exception's class name, likewise
};

ExportCallResult CallInstallerExport(void* exportAddress, std::uintptr_t reserved,
                                     const char* first, const char* second);
