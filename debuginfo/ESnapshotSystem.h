// The system functions the snapshot asks that a system may lack (PSAPI and
// Tool Help), looked up by name on first use: where one is missing the
// snapshot leaves that data empty. For the snapshot's Win32 files only; not
// from a module's entry (the first use may load PSAPI).
#pragma once

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <string>

struct TSnapshotSystemFunctions {
  // PSAPI
  decltype(&::EnumProcesses) EnumProcesses = nullptr;
  decltype(&::EnumProcessModules) EnumProcessModules = nullptr;
  decltype(&::GetModuleFileNameExA) GetModuleFileNameExA = nullptr;
  decltype(&::GetProcessMemoryInfo) GetProcessMemoryInfo = nullptr;
  // Tool Help
  decltype(&::CreateToolhelp32Snapshot) CreateToolhelp32Snapshot = nullptr;
  decltype(&::Process32First) Process32First = nullptr;
  decltype(&::Process32Next) Process32Next = nullptr;
  decltype(&::Module32First) Module32First = nullptr;
  decltype(&::Module32Next) Module32Next = nullptr;
  decltype(&::Thread32First) Thread32First = nullptr;
  decltype(&::Thread32Next) Thread32Next = nullptr;
};

// Looked up once; the libraries stay loaded until the process ends.
const TSnapshotSystemFunctions& SnapshotSystemFunctions();

// True on the Windows NT family.
bool IsNtPlatform();
// The system's major version number.
DWORD SystemMajorVersion();

// Closes a handle on leaving the scope (a Tool Help snapshot, a process).
class TOwnedHandle {
 public:
  explicit TOwnedHandle(HANDLE handle) : handle_(handle) {}
  ~TOwnedHandle() {
    if (Valid()) CloseHandle(handle_);
  }
  TOwnedHandle(const TOwnedHandle&) = delete;
  TOwnedHandle& operator=(const TOwnedHandle&) = delete;
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// A Tool Help snapshot of `flags` for `processId`; invalid when Tool Help is
// missing or refuses.
TOwnedHandle ToolHelpSnapshot(DWORD flags, DWORD processId);

// Calls `visit` (returning whether to go on) for each entry of a Tool Help
// snapshot, walked with `first` and `next`; nothing when either is missing.
template <class Entry, class Visit>
void ForEachToolHelpEntry(DWORD flags, DWORD processId, BOOL(WINAPI* first)(HANDLE, Entry*),
                          BOOL(WINAPI* next)(HANDLE, Entry*), Visit visit) {
  if (!first || !next) return;
  const TOwnedHandle snapshot = ToolHelpSnapshot(flags, processId);
  if (!snapshot.Valid()) return;
  Entry entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = first(snapshot.Get(), &entry); more; more = next(snapshot.Get(), &entry))
    if (!visit(entry)) return;
}
