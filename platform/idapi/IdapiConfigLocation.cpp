#include "platform/idapi/IdapiConfigLocation.h"

#include <windows.h>

#include "platform/idapi/IdapiRegistry.h"

namespace {

std::string RegistryConfigFile() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEngineInstallationKey, 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return {};
  }
  char buffer[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH, type = 0;
  const LONG result = RegQueryValueExA(key, kEngineConfigFileValue, nullptr, &type,
                                       reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ ? std::string(buffer) : std::string();
}

}  // namespace

std::string EnvironmentText(const char* name) {
  char buffer[MAX_PATH * 2] = {};
  const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

std::string EngineConfigFile(const std::string& engineFolder) {
  if (std::string fromEnvironment = EnvironmentText("IDAPI_CFGFILE"); !fromEnvironment.empty())
    return fromEnvironment;
  if (std::string fromRegistry = RegistryConfigFile(); !fromRegistry.empty()) return fromRegistry;
  return engineFolder + "IDAPI32.CFG";
}
