#include "debuginfo/ESnapshotSystem.h"

namespace {

template <class Function>
void LookUp(HMODULE library, const char* name, Function& function) {
  function =
      library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)))
              : nullptr;
}

TSnapshotSystemFunctions LookUpAll() {
  TSnapshotSystemFunctions f;
  // Newer systems keep PSAPI's functions in kernel32 as well; the library
  // forwards to them, so asking it serves every system.
  const HMODULE psapi = LoadLibraryA("psapi.dll");
  LookUp(psapi, "EnumProcesses", f.EnumProcesses);
  LookUp(psapi, "EnumProcessModules", f.EnumProcessModules);
  LookUp(psapi, "GetModuleFileNameExA", f.GetModuleFileNameExA);
  LookUp(psapi, "GetProcessMemoryInfo", f.GetProcessMemoryInfo);
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  LookUp(kernel, "CreateToolhelp32Snapshot", f.CreateToolhelp32Snapshot);
  LookUp(kernel, "Process32First", f.Process32First);
  LookUp(kernel, "Process32Next", f.Process32Next);
  LookUp(kernel, "Module32First", f.Module32First);
  LookUp(kernel, "Module32Next", f.Module32Next);
  LookUp(kernel, "Thread32First", f.Thread32First);
  LookUp(kernel, "Thread32Next", f.Thread32Next);
  return f;
}

OSVERSIONINFOA SystemVersion() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  return version;
}

}  // namespace

const TSnapshotSystemFunctions& SnapshotSystemFunctions() {
  static const TSnapshotSystemFunctions functions = LookUpAll();
  return functions;
}

bool IsNtPlatform() {
  static const bool nt = SystemVersion().dwPlatformId == VER_PLATFORM_WIN32_NT;
  return nt;
}

DWORD SystemMajorVersion() {
  static const DWORD major = SystemVersion().dwMajorVersion;
  return major;
}

TOwnedHandle ToolHelpSnapshot(DWORD flags, DWORD processId) {
  const auto create = SnapshotSystemFunctions().CreateToolhelp32Snapshot;
  return TOwnedHandle(create ? create(flags, processId) : INVALID_HANDLE_VALUE);
}
