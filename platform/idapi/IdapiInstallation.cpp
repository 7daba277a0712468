#include "platform/idapi/IdapiInstallation.h"

#include <windows.h>

#include "platform/idapi/IdapiRegistry.h"

namespace {

// The installation key with write access, created when missing.
class InstallationKey {
 public:
  InstallationKey() {
    result_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEngineInstallationKey, 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key_, nullptr);
  }
  ~InstallationKey() {
    if (result_ == ERROR_SUCCESS) RegCloseKey(key_);
  }
  InstallationKey(const InstallationKey&) = delete;
  InstallationKey& operator=(const InstallationKey&) = delete;

  long Result() const { return result_; }

  long WriteText(const char* name, const std::string& text) {
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
  }

  long Remove(const char* name) {
    const long result = RegDeleteValueA(key_, name);
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
  }

 private:
  HKEY key_ = nullptr;
  long result_;
};

}  // namespace

long RecordEngineInstallation(const std::string& engineFolder, const std::string& configFile) {
  InstallationKey key;
  if (key.Result() != ERROR_SUCCESS) return key.Result();
  std::string folder = engineFolder;
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();  // "C:\" keeps its own
  if (const long result = key.WriteText(kEngineFolderValue, folder); result != ERROR_SUCCESS)
    return result;
  return key.WriteText(kEngineConfigFileValue, configFile);
}

long RemoveEngineInstallation() {
  InstallationKey key;
  if (key.Result() != ERROR_SUCCESS) return key.Result();
  if (const long result = key.Remove(kEngineFolderValue); result != ERROR_SUCCESS) return result;
  return key.Remove(kEngineConfigFileValue);
}
