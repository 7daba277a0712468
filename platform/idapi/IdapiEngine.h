// The stand-in database engine's state: the persistent configuration loaded
// from its file, the aliases of the session, and the session's configuration
// mode. Persistent changes stay in memory until saved, as with the real
// engine. Not thread-safe: the exports serialise calls.
#pragma once

#include <cstdint>
#include <string>

#include "platform/idapi/Idapi.h"
#include "platform/idapi/IdapiConfigFile.h"

class StandInEngine {
 public:
  // Loads the configuration file; a missing file is an empty configuration,
  // an unreadable or malformed one makes the engine refuse to start.
  DBIResult Init(const std::string& configFile);
  DBIResult Exit();
  bool Initialized() const { return initialized_; }

  std::uint32_t ConfigMode() const { return mode_; }
  DBIResult SetConfigMode(std::uint32_t mode);

  // "\DATABASES\<name>" in the configuration the mode shows.
  DBIResult Position(const std::string& configPath) const;
  DBIResult AddAlias(const std::string& name, const std::string& driverType,
                     const std::string& params, bool persist);
  DBIResult DeleteAlias(const std::string& name);
  // Writes the persistent configuration to `file`, or to the current file.
  DBIResult Save(const std::string& file);

  const std::string& ConfigFile() const { return configFile_; }

 private:
  bool ShowsPersistent() const { return mode_ & (cfgPersistent | cfgVirtual); }
  bool ShowsSession() const { return mode_ & (cfgSession | cfgVirtual); }

  bool initialized_ = false;
  std::uint32_t mode_ = cfgAll;
  std::string configFile_;
  EngineConfiguration persistent_;
  EngineConfiguration session_;
};
