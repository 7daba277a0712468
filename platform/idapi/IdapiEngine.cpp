#include "platform/idapi/IdapiEngine.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/idapi/IdapiParams.h"

namespace {

constexpr const char* kKnownDrivers[] = {"STANDARD", "INTRBASE", "ORACLE", "MSSQL",
                                         "SYBASE",   "INFORMIX", "DB2"};
constexpr std::string_view kDatabasesPath = "\\DATABASES\\";

bool KnownDriver(const std::string& driver) {
  for (const char* known : kKnownDrivers) {
    if (SameAliasName(driver, known)) return true;
  }
  return false;
}

}  // namespace

DBIResult StandInEngine::Init(const std::string& configFile) {
  if (initialized_) return DBIERR_NONE;
  configFile_ = configFile;
  persistent_ = {};
  session_ = {};
  mode_ = cfgAll;
  std::ifstream file(configFile_, std::ios::binary);
  if (file) {
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    if (file.bad()) return DBIERR_CFGCANNOTLOAD;
    auto parsed = ParseEngineConfiguration(text);
    if (!parsed) return DBIERR_CFGCANNOTLOAD;
    persistent_ = std::move(*parsed);
  }
  initialized_ = true;
  return DBIERR_NONE;
}

DBIResult StandInEngine::Exit() {
  if (!initialized_) return DBIERR_NOTINITIALIZED;
  initialized_ = false;  // unsaved persistent changes are lost, as with the real engine
  return DBIERR_NONE;
}

DBIResult StandInEngine::SetConfigMode(std::uint32_t mode) {
  if (!initialized_) return DBIERR_NOTINITIALIZED;
  if (mode == 0 || (mode & ~cfgAll)) return DBIERR_INVALIDPARAM;
  mode_ = mode;
  return DBIERR_NONE;
}

DBIResult StandInEngine::Position(const std::string& configPath) const {
  if (!initialized_) return DBIERR_NOTINITIALIZED;
  if (configPath.size() <= kDatabasesPath.size() ||
      !SameAliasName(configPath.substr(0, kDatabasesPath.size()), kDatabasesPath)) {
    return DBIERR_OBJNOTFOUND;
  }
  const std::string name = configPath.substr(kDatabasesPath.size());
  if ((ShowsPersistent() && persistent_.Find(name)) || (ShowsSession() && session_.Find(name)))
    return DBIERR_NONE;
  return DBIERR_OBJNOTFOUND;
}

DBIResult StandInEngine::AddAlias(const std::string& name, const std::string& driverType,
                                  const std::string& params, bool persist) {
  if (!initialized_) return DBIERR_NOTINITIALIZED;
  if (name.empty()) return DBIERR_INVALIDPARAM;
  if (!KnownDriver(driverType)) return DBIERR_UNKNOWNDRIVER;
  auto parsed = ParseAliasParams(params);
  if (!parsed) return DBIERR_INVALIDPARAMSTRING;
  const bool toPersistent = persist && (mode_ & cfgPersistent);
  if (!toPersistent && !ShowsSession()) return DBIERR_MODENOTALLOWED;
  EngineConfiguration& target = toPersistent ? persistent_ : session_;
  if (target.Find(name)) return DBIERR_NAMENOTUNIQUE;
  target.aliases.push_back({name, driverType, std::move(*parsed)});
  return DBIERR_NONE;
}

DBIResult StandInEngine::DeleteAlias(const std::string& name) {
  if (!initialized_) return DBIERR_NOTINITIALIZED;
  if (ShowsPersistent() && persistent_.Remove(name)) return DBIERR_NONE;
  if (ShowsSession() && session_.Remove(name)) return DBIERR_NONE;
  return DBIERR_OBJNOTFOUND;
}

DBIResult StandInEngine::Save(const std::string& file) {
  if (!initialized_) return DBIERR_NOTINITIALIZED;
  const std::string target = file.empty() ? configFile_ : file;
  // Written beside, then moved over: a failed save leaves the old file whole.
  const std::string temporary = target + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << FormatEngineConfiguration(persistent_);
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      return DBIERR_CFGCANNOTWRITE;
    }
  }
  if (std::remove(target.c_str()) != 0) {
    std::ifstream existing(target);
    if (existing) {
      std::remove(temporary.c_str());
      return DBIERR_CFGCANNOTWRITE;
    }
  }
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    std::remove(temporary.c_str());
    return DBIERR_CFGCANNOTWRITE;
  }
  return DBIERR_NONE;
}
