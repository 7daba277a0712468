// The installer's access to the database engine's alias configuration, on
// the process's default engine session.
//
// The engine is "IDAPI32.DLL" (see platform/idapi/Idapi.h for the functions
// and their signatures), found as EngineLibraryLocation.h says, loaded by full
// path and started on the first call of any operation; it stays loaded until
// this module unloads. Calls serialise on
// the session's process-wide lock. Texts go to the engine in the OEM code
// page. Every failure, loading and starting the engine included, raises
// EDBEngineError with the engine's error text; a fault inside the engine is
// caught and raised the same way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/runtime/Exception.h"

class EDBEngineError : public Exception {
 public:
  EDBEngineError(std::string message, std::uint16_t code)
      : Exception(std::move(message)), code_(code) {}
  std::uint16_t ErrorCode() const noexcept { return code_; }

 private:
  std::uint16_t code_;
};

namespace database_engine {

// True when "\DATABASES\<name>" exists; an empty name is false without
// asking the engine.
bool IsAlias(const std::string& name);
// Removes the alias from the persistent configuration; the session's mode is
// restored afterwards.
void DeleteAlias(const std::string& name);
// The mode set of the session: cfgVirtual 1, cfgPersistent 2, cfgSession 4.
void SetConfigMode(std::uint32_t modes);
std::uint32_t ConfigMode();
// Adds the alias with the session's current mode and the persistent flag set.
void AddAlias(const std::string& name, const std::string& driverType,
              const std::vector<std::string>& parameters);
// Writes the persistent configuration to the engine's current file, in
// persistent mode; the previous mode is restored afterwards.
void SaveConfigFile();

}  // namespace database_engine
