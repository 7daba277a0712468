#include "tests/support/EngineInstallation.h"

#include <stdexcept>

#include "platform/idapi/IdapiInstallation.h"
#include "platform/idapi/IdapiRegistry.h"
#include "tests/support/ChildProcess.h"

namespace {

void PutBack(const char* name, const RegistryValue& saved) {
  if (saved.exists)
    WriteRegistryValue(HKEY_LOCAL_MACHINE, kEngineInstallationKey, name, saved.type, saved.data);
}

}  // namespace

std::string StandInEngineFolder() {
  return ProgramFolder() + "engine\\";
}

EngineRecordScope::EngineRecordScope()
    : savedFolder_(
          ReadRegistryValue(HKEY_LOCAL_MACHINE, kEngineInstallationKey, kEngineFolderValue)),
      savedConfigFile_(
          ReadRegistryValue(HKEY_LOCAL_MACHINE, kEngineInstallationKey, kEngineConfigFileValue)) {
  if (RemoveEngineInstallation() != ERROR_SUCCESS)
    throw std::runtime_error("cannot remove the engine's installation record");
}

EngineRecordScope::~EngineRecordScope() {
  RemoveEngineInstallation();
  try {
    PutBack(kEngineFolderValue, savedFolder_);
    PutBack(kEngineConfigFileValue, savedConfigFile_);
  } catch (const std::exception&) {
    // A record that cannot be put back leaves no engine recorded, which the
    // next test's scope starts from anyway.
  }
}

void EngineRecordScope::Record(const std::string& engineFolder, const std::string& configFile) {
  if (RecordEngineInstallation(engineFolder, configFile) != ERROR_SUCCESS)
    throw std::runtime_error("cannot record the engine's installation");
}
