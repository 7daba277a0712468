// A module of an engine of another data version, loaded beside the one that
// handles: it subscribes to the engine's events through its exports, and its
// own code faults. The build makes copies of it whose engine data carry
// versions inside and outside the handling engine's window.
#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/ExceptionLogTypes.h"
#include "tests/handling/probe/Journal.h"

namespace {

volatile std::uintptr_t faultingAddress = 0x10;

std::string OwnFileName() {
  HMODULE self = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&OwnFileName), &self);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(self, path, sizeof path);
  const std::string file = path;
  return file.substr(file.find_last_of("\\/") + 1);
}

}  // namespace

extern "C" {

__declspec(dllexport) void __stdcall ZuderaDod_ExceptionNotifyEvent(
    const TDovaroExceptionRecord* record, bool* goOn) {
  JournalLine("module event ExceptionNotify module=" + OwnFileName() +
              " flag=" + (goOn && *goOn ? "true" : "false") + " record=" + (record ? "yes" : "no"));
}

__declspec(dllexport) void __stdcall ZuderaDod_ExceptionActionNotifyEvent(
    const TDovaroExceptionRecord*, int action, bool*) {
  JournalLine("module event ExceptionActionNotify module=" + OwnFileName() +
              " action=" + std::to_string(action));
}

__declspec(dllexport) __attribute__((noinline)) void EventsModuleFaults() {
  *reinterpret_cast<volatile int*>(faultingAddress) = 1;
}

}  // extern "C"
