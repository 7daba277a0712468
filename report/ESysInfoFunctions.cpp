// The system helpers the live collectors share: optional functions by name,
// registry values under HKEY_LOCAL_MACHINE, module paths.
#include <windows.h>

#include <vector>

#include "report/ESysInfoWin32.h"
#include "engine/ECoreServices.h"

namespace {

std::string MachineKey(const std::string& key) {
  return key.starts_with('\\') ? key.substr(1) : key;
}

// The value's bytes when the key and value exist.
std::optional<std::vector<BYTE>> MachineValue(const std::string& key, const char* value) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, MachineKey(key).c_str(), 0, KEY_READ, &opened) !=
      ERROR_SUCCESS)
    return std::nullopt;
  std::optional<std::vector<BYTE>> data;
  DWORD size = 0;
  if (RegQueryValueExA(opened, value, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    data.emplace(size);
    if (RegQueryValueExA(opened, value, nullptr, nullptr, data->data(), &size) != ERROR_SUCCESS) {
      data.reset();
    } else {
      data->resize(size);
    }
  }
  RegCloseKey(opened);
  return data;
}

}  // namespace

void* SystemFunction(const char* library, const char* name) {
  HMODULE module = GetModuleHandleA(library);
  if (!module) module = LoadLibraryA(library);
  return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

TLibraryUse::TLibraryUse(const char* library) : module_(LoadLibraryA(library)) {}

TLibraryUse::~TLibraryUse() {
  if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

std::string MachineString(const std::string& key, const char* value) {
  return ReadRegistryString(HKEY_LOCAL_MACHINE, MachineKey(key), value);
}

std::optional<std::uint32_t> MachineDword(const std::string& key, const char* value) {
  const std::optional<std::vector<BYTE>> data = MachineValue(key, value);
  if (!data || data->size() != 4) return std::nullopt;
  return std::uint32_t{(*data)[0]} | std::uint32_t{(*data)[1]} << 8 |
         std::uint32_t{(*data)[2]} << 16 | std::uint32_t{(*data)[3]} << 24;
}

std::string MachineBytes(const std::string& key, const char* value) {
  const std::optional<std::vector<BYTE>> data = MachineValue(key, value);
  return data ? std::string(data->begin(), data->end()) : std::string();
}

std::string MachineSubkeyName(const std::string& key, unsigned index) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, MachineKey(key).c_str(), 0, KEY_READ, &opened) !=
      ERROR_SUCCESS)
    return {};
  char name[1025] = {};
  DWORD length = sizeof name - 1;
  const bool found = RegEnumKeyExA(opened, index, name, &length, nullptr, nullptr, nullptr,
                                   nullptr) == ERROR_SUCCESS;
  RegCloseKey(opened);
  return found ? std::string(name, length) : std::string();
}

std::string SystemModuleFileName(void* module) {
  char name[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(module), name, MAX_PATH);
  return std::string(name, length);
}

std::string ModulePathOf(void* module, const TSystemFunctionLookup& lookup) {
  std::string path = WithoutNtPrefix(SystemModuleFileName(module));
  if (path.find('~') == std::string::npos) return path;
  const auto longPathName =
      LookUp<decltype(&GetLongPathNameA)>(lookup, "kernel32.dll", "GetLongPathNameA");
  if (!longPathName) return path;
  char longPath[MAX_PATH + 1] = {};
  const DWORD length = longPathName(path.c_str(), longPath, MAX_PATH);
  return length > 0 && length <= MAX_PATH ? std::string(longPath, length) : path;
}
