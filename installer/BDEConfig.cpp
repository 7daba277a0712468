#include "installer/BDEConfig.h"

#include <windows.h>

#include <exception>
#include <vector>

#include "installer/AliasParameters.h"
#include "installer/DatabaseEngineConfig.h"
#include "installer/InstallerMessages.h"
#include "installer/MessageWindow.h"
#include "platform/idapi/Idapi.h"
#include "platform/runtime/Registry.h"

namespace {

// Read and write, not full access.
constexpr REGSAM kKeyAccess = KEY_READ | KEY_WRITE;
static_assert(kKeyAccess == 0x2001F);

constexpr const char* kClientSettingsKey = "Software\\Vesk\\Brisole\\Settings";
constexpr const char* kEngineInitKey =
    "\\Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT";

bool RegisterAlias(const std::string& aliasName, const std::vector<std::string>& parameters) {
  try {
    if (database_engine::IsAlias(aliasName)) database_engine::DeleteAlias(aliasName);
    database_engine::SetConfigMode(cfgPersistent);
    database_engine::AddAlias(aliasName, kAliasDriverType, parameters);
    database_engine::SaveConfigFile();
    return true;
  } catch (const std::exception&) {
    // The user sees the parameters that could not be registered, not the
    // engine's own wording.
    return false;
  }
}

void WriteClientSettings(const std::string& aliasName) {
  TRegistry registry(kKeyAccess);
  registry.SetRootKey(HKEY_CURRENT_USER);
  if (!registry.OpenKey(kClientSettingsKey, true)) return;
  registry.WriteString("DatabaseAlias", aliasName);
  registry.WriteString("DatabasePassword", "gravelpit");
  registry.WriteString("DatabaseUser", "SYSDBA");
  registry.WriteBool("TranslateFieldNames", false);
  registry.CloseKey();
}

void WriteEngineTuning() {
  TRegistry registry(kKeyAccess);
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  if (!registry.OpenKey(kEngineInitKey, true)) return;  // e.g. without administrative rights
  registry.WriteString("MAXFILEHANDLES", "1024");
  registry.WriteString("SHAREDMEMSIZE", "8192");
  registry.WriteString("MAXBUFSIZE", "8192");
  registry.WriteString("MEMSIZE", "16");
  registry.CloseKey();
}

}  // namespace

bool ConfigureDatabaseClient(const std::string& aliasName, const std::string& serverName) {
  const std::vector<std::string> parameters = BrisoleAliasParameters(serverName);
  if (!RegisterAlias(aliasName, parameters)) {
    ShowInstallerMessage(std::string(installer_messages::kCannotAddAlias) + JoinLines(parameters));
    return false;
  }
  WriteClientSettings(aliasName);
  WriteEngineTuning();
  return true;
}
