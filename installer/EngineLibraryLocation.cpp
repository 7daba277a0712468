#include "installer/EngineLibraryLocation.h"

#include <windows.h>

#include <algorithm>

#include "platform/idapi/IdapiRegistry.h"
#include "platform/runtime/PathText.h"

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string ExpandedEnvironmentText(const std::string& text) {
  const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
  if (needed == 0) return text;
  std::string expanded(needed, '\0');
  const DWORD written = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), needed);
  if (written == 0 || written > needed) return text;
  expanded.resize(written - 1);
  return expanded;
}

// The engine's folders as its installation recorded them; empty without a
// record. A 32-bit process reads the 32-bit view, where a 32-bit engine
// records itself.
std::string RecordedEnginePath() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEngineInstallationKey, 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return {};
  }
  DWORD type = 0, size = 0;
  std::string value;
  LONG result = RegQueryValueExA(key, kEngineFolderValue, nullptr, &type, nullptr, &size);
  if (result == ERROR_SUCCESS && size > 0) {
    value.resize(size);
    result = RegQueryValueExA(key, kEngineFolderValue, nullptr, &type,
                              reinterpret_cast<BYTE*>(value.data()), &size);
  }
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
  // A stored text may or may not carry its terminating zero.
  value.resize(std::min<std::size_t>(size, value.size()));
  if (const auto zero = value.find('\0'); zero != std::string::npos) value.resize(zero);
  return type == REG_EXPAND_SZ ? ExpandedEnvironmentText(value) : value;
}

std::string ThisModuleFolder() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<const char*>(&ThisModuleFolder), &self)) {
    return {};
  }
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? ExtractFilePath(path) : std::string();
}

std::string SystemFolder() {
  char path[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? IncludeTrailingPathDelimiter(path) : std::string();
}

bool HoldsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::vector<std::string> FoldersOfEnginePath(const std::string& value) {
  std::vector<std::string> folders;
  std::size_t at = 0;
  while (at <= value.size()) {
    const std::size_t end = std::min(value.find(';', at), value.size());
    const std::string folder = Trimmed(value.substr(at, end - at));
    if (!folder.empty()) folders.push_back(IncludeTrailingPathDelimiter(folder));
    at = end + 1;
  }
  return folders;
}

std::vector<std::string> EngineLibraryFolders() {
  std::vector<std::string> folders = FoldersOfEnginePath(RecordedEnginePath());
  for (std::string folder : {ThisModuleFolder(), SystemFolder()}) {
    if (!folder.empty()) folders.push_back(std::move(folder));
  }
  return folders;
}

std::string FindEngineLibrary(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    const std::string path = folder + kEngineLibraryName;
    if (HoldsFile(path)) return path;
  }
  return {};
}
