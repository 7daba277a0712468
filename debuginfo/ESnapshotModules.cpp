#include "debuginfo/ESnapshotModules.h"

#include <mutex>
#include <string>

#include "debuginfo/EDebug.h"
#include "debuginfo/ESnapshotModuleFacts.h"
#include "debuginfo/ESnapshotSystem.h"
#include "engine/ECoreModules.h"

namespace {

std::string LoadedFileName(TModuleHandle module) {
  char name[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(module), name, sizeof name);
  return std::string(name, length < sizeof name ? length : 0);
}

bool IsGone(const TDovaroModuleInfo& record) {
  const std::string name = LoadedFileName(record.Handle);
  if (name.empty() || lstrcmpiA(name.c_str(), record.FileName.c_str()) != 0) return true;
  // A file whose date cannot be read now is not taken for another one.
  const double date = ReadFileDate(name);
  return record.LastModified != 0 && date != 0 && !SameFileDate(date, record.LastModified);
}

std::vector<std::uintptr_t> ModulesFromPsapi() {
  const auto enumerate = SnapshotSystemFunctions().EnumProcessModules;
  if (!enumerate) return {};
  // The process's own pseudo handle carries query and read access. (Wine
  // under an emulator cannot read the process through a handle it opened on
  // itself; the pseudo handle is read in the process.)
  const HANDLE process = GetCurrentProcess();
  std::vector<HMODULE> modules;
  DWORD needed = 0;
  if (!enumerate(process, nullptr, 0, &needed)) return {};
  // Modules loaded meanwhile make the second answer larger: ask again.
  while (needed > modules.size() * sizeof(HMODULE)) {
    modules.resize(needed / sizeof(HMODULE));
    if (!enumerate(process, modules.data(), modules.size() * sizeof(HMODULE), &needed)) return {};
  }
  modules.resize(needed / sizeof(HMODULE));
  std::vector<std::uintptr_t> handles;
  for (const HMODULE module : modules) handles.push_back(reinterpret_cast<std::uintptr_t>(module));
  return handles;
}

std::vector<std::uintptr_t> ModulesFromToolHelp() {
  const TSnapshotSystemFunctions& system = SnapshotSystemFunctions();
  std::vector<std::uintptr_t> handles;
  ForEachToolHelpEntry(TH32CS_SNAPMODULE, GetCurrentProcessId(), system.Module32First,
                       system.Module32Next, [&](const MODULEENTRY32& entry) {
                         handles.push_back(reinterpret_cast<std::uintptr_t>(entry.hModule));
                         return true;
                       });
  return handles;
}

}  // namespace

std::vector<std::uintptr_t> LoadedModuleHandles() {
  try {
    return IsNtPlatform() ? ModulesFromPsapi() : ModulesFromToolHelp();
  } catch (...) {
    return {};
  }
}

void RefreshModules() {
  static std::mutex refreshing;
  try {
    const std::lock_guard<std::mutex> guard(refreshing);
    TDovaroModulesList& list = ModulesList();
    list.RemoveIf(IsGone);
    const TDovaroModulesList::TEnumeration enumeration(list);
    for (const std::uintptr_t handle : LoadedModuleHandles())
      if (!list.Find(reinterpret_cast<TModuleHandle>(handle))) ModuleEntryByHandle(handle);
  } catch (...) {
    // What could not be listed stays as it was.
  }
}
