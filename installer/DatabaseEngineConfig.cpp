#include "installer/DatabaseEngineConfig.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

#include "installer/AliasParameters.h"
#include "installer/EngineLibraryLocation.h"
#include "platform/idapi/Idapi.h"
#include "platform/idapi/IdapiRegistry.h"
#include "platform/runtime/SehGuard.h"
#include "platform/runtime/SystemErrors.h"

namespace database_engine {
namespace {

constexpr const char* kDatabasesPath = "\\DATABASES\\";

std::string ToOem(const std::string& text) {
  std::string oem(text.size(), '\0');
  if (!text.empty()) CharToOemBuffA(text.c_str(), oem.data(), static_cast<DWORD>(text.size()));
  return oem;
}

// The process's default session: the engine library, started once, and the
// lock that serialises every call into it.
class EngineSession {
 public:
  static EngineSession& Instance() {
    static EngineSession session;
    return session;
  }

  std::mutex& Lock() { return lock_; }

  // Loads and starts the engine on first use; raises on failure.
  void Start() {
    if (started_) return;
    if (!library_) {
      const std::string path = FindEngineLibrary(EngineLibraryFolders());
      if (path.empty()) {
        throw EDBEngineError(
            std::string("The database engine ") + kEngineLibraryName + " is not installed", 0);
      }
      // By full path; the altered search lets the engine's own libraries
      // resolve from its folder.
      const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
      library_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
      const DWORD error = GetLastError();
      SetErrorMode(previous);
      if (!library_) {
        throw EDBEngineError(
            "Cannot load the database engine " + path + ": " + SysErrorMessage(error), 0);
      }
    }
    Check(Call(Function<DbiInitFn>("DbiInit"), pDBIEnv{nullptr}));
    started_ = true;
    Check(Call(Function<DbiGetCurrSessionFn>("DbiGetCurrSession"), &session_));
  }

  hDBISes Session() const { return session_; }

  template <class Fn>
  Fn Function(const char* name) {
    auto routine = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
    if (!routine) {
      throw EDBEngineError(std::string("The database engine has no function ") + name, 0);
    }
    return routine;
  }

  // Calls into the engine under a structured-exception guard: a fault in the
  // engine's code becomes an error instead of ending the installer.
  template <class Fn, class... Args>
  DBIResult Call(Fn routine, Args... arguments) {
    DBIResult result = DBIERR_NONE;
    auto call = [&] { result = routine(arguments...); };
    SehFailure failure;
    if (!CallWithSehGuard(call, failure)) {
      char text[96];
      std::snprintf(text, sizeof text, "The database engine failed with exception 0x%08lX at %p",
                    failure.code, failure.address);
      throw EDBEngineError(text, 0);
    }
    return result;
  }

  void Check(DBIResult result) {
    if (result == DBIERR_NONE) return;
    char text[DBIMAXMSGLEN + 1] = {};
    auto errorString = reinterpret_cast<DbiGetErrorStringFn>(
        reinterpret_cast<void*>(GetProcAddress(library_, "DbiGetErrorString")));
    if (!errorString || Call(errorString, result, static_cast<char*>(text)) != DBIERR_NONE ||
        !text[0]) {
      std::snprintf(text, sizeof text, "Database engine error $%04X", result);
    }
    throw EDBEngineError(text, result);
  }

  ~EngineSession() {
    if (started_) {
      if (auto exitEngine = reinterpret_cast<DbiExitFn>(
              reinterpret_cast<void*>(GetProcAddress(library_, "DbiExit")))) {
        exitEngine();
      }
    }
    if (library_) FreeLibrary(library_);
  }

 private:
  EngineSession() = default;

  std::mutex lock_;
  HMODULE library_ = nullptr;
  bool started_ = false;
  hDBISes session_ = nullptr;
};

// One engine operation: the session lock held and the engine started.
class Operation {
 public:
  Operation() : session_(EngineSession::Instance()), hold_(session_.Lock()) { session_.Start(); }
  EngineSession* operator->() { return &session_; }

 private:
  EngineSession& session_;
  std::lock_guard<std::mutex> hold_;
};

std::uint32_t ReadMode(Operation& engine) {
  std::uint32_t mode = 0;
  std::uint16_t length = 0;
  engine->Check(engine->Call(engine->Function<DbiGetPropFn>("DbiGetProp"), engine->Session(),
                             sesCFGMODE, static_cast<void*>(&mode),
                             static_cast<std::uint16_t>(sizeof mode), &length));
  return mode;
}

void WriteMode(Operation& engine, std::uint32_t mode) {
  engine->Check(engine->Call(engine->Function<DbiSetPropFn>("DbiSetProp"), engine->Session(),
                             sesCFGMODE, mode));
}

bool PathExists(Operation& engine, const std::string& name) {
  const std::string path = ToOem(kDatabasesPath + name);
  return engine->Call(engine->Function<DbiCfgPositionFn>("DbiCfgPosition"), hDBICfg{nullptr},
                      path.c_str()) == DBIERR_NONE;
}

// Restores the session's mode when an operation that changed it ends.
class ModeRestorer {
 public:
  ModeRestorer(Operation& engine, std::uint32_t mode) : engine_(engine), saved_(ReadMode(engine)) {
    WriteMode(engine_, mode);
  }
  ~ModeRestorer() {
    try {
      WriteMode(engine_, saved_);
    } catch (...) {
      // The operation's own outcome matters more than the restored mode.
    }
  }

 private:
  Operation& engine_;
  std::uint32_t saved_;
};

}  // namespace

bool IsAlias(const std::string& name) {
  if (name.empty()) return false;
  Operation engine;
  return PathExists(engine, name);
}

void DeleteAlias(const std::string& name) {
  Operation engine;
  ModeRestorer persistent(engine, cfgPersistent);
  if (!PathExists(engine, name)) return;
  const std::string oemName = ToOem(name);
  engine->Check(engine->Call(engine->Function<DbiDeleteAliasFn>("DbiDeleteAlias"), hDBICfg{nullptr},
                             oemName.c_str()));
}

void SetConfigMode(std::uint32_t modes) {
  Operation engine;
  WriteMode(engine, modes);
}

std::uint32_t ConfigMode() {
  Operation engine;
  return ReadMode(engine);
}

void AddAlias(const std::string& name, const std::string& driverType,
              const std::vector<std::string>& parameters) {
  const AliasParameterString built = BuildAliasParameterString(parameters, driverType);
  const std::string oemName = ToOem(name), oemDriver = ToOem(built.driverType),
                    oemParams = ToOem(built.params);
  Operation engine;
  engine->Check(engine->Call(engine->Function<DbiAddAliasFn>("DbiAddAlias"), hDBICfg{nullptr},
                             oemName.c_str(), oemDriver.c_str(), oemParams.c_str(), BOOL32{1}));
}

void SaveConfigFile() {
  Operation engine;
  ModeRestorer persistent(engine, cfgPersistent);
  engine->Check(engine->Call(engine->Function<DbiCfgSaveFn>("DbiCfgSave"), hDBICfg{nullptr},
                             static_cast<const char*>(nullptr), BOOL32{0}));
}

}  // namespace database_engine
