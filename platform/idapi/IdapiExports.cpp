// IDAPI32.DLL: the stand-in database engine's exported C interface. It keeps
// one engine per process behind one lock, and can write a journal of every call it receives
// (IDAPI_JOURNAL names the file) so a user or a test sees what arrived.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/idapi/Idapi.h"
#include "platform/idapi/IdapiConfigLocation.h"
#include "platform/idapi/IdapiEngine.h"
#include "platform/idapi/IdapiErrors.h"

namespace {

std::mutex engineLock;
StandInEngine engine;
// The one session of the stand-in; its handle is this object's address.
char sessionObject;

std::string ThisDllFolder() {
  HMODULE self = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<const char*>(&sessionObject), &self);
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(self, path, MAX_PATH);
  std::string folder(path);
  folder.resize(folder.find_last_of('\\') + 1);
  return folder;
}

std::string ConfigFileFor(const DBIEnv* environment) {
  if (environment && environment->szIniFile[0]) return environment->szIniFile;
  return EngineConfigFile(ThisDllFolder());
}

DBIResult Journal(const std::string& call, DBIResult result) {
  const std::string path = EnvironmentText("IDAPI_JOURNAL");
  if (!path.empty()) {
    if (FILE* file = std::fopen(path.c_str(), "ab")) {
      std::fprintf(file, "%s = 0x%04X\r\n", call.c_str(), result);
      std::fclose(file);
    }
  }
  return result;
}

std::string Text(const char* text) {
  return text ? std::string(text) : std::string();
}

}  // namespace

extern "C" {

DBIResult __stdcall DbiInit(pDBIEnv pEnv) {
  std::lock_guard<std::mutex> hold(engineLock);
  const DBIResult result = engine.Init(ConfigFileFor(pEnv));
  return Journal("DbiInit(" + engine.ConfigFile() + ")", result);
}

DBIResult __stdcall DbiExit() {
  std::lock_guard<std::mutex> hold(engineLock);
  return Journal("DbiExit()", engine.Exit());
}

DBIResult __stdcall DbiGetCurrSession(hDBISes* phSes) {
  std::lock_guard<std::mutex> hold(engineLock);
  if (!phSes) return DBIERR_INVALIDPARAM;
  if (!engine.Initialized()) return DBIERR_NOTINITIALIZED;
  *phSes = &sessionObject;
  return DBIERR_NONE;
}

DBIResult __stdcall DbiGetProp(hDBIObj hObj, std::uint32_t iProp, void* pPropValue,
                               std::uint16_t iMaxLen, std::uint16_t* piLen) {
  std::lock_guard<std::mutex> hold(engineLock);
  if (!engine.Initialized()) return DBIERR_NOTINITIALIZED;
  if (hObj != &sessionObject) return DBIERR_INVALIDHNDL;
  if (iProp != sesCFGMODE) return DBIERR_NOTSUPPORTED;
  if (!pPropValue || iMaxLen < sizeof(std::uint32_t)) return DBIERR_INVALIDPARAM;
  const std::uint32_t mode = engine.ConfigMode();
  std::memcpy(pPropValue, &mode, sizeof mode);
  if (piLen) *piLen = sizeof mode;
  return DBIERR_NONE;
}

DBIResult __stdcall DbiSetProp(hDBIObj hObj, std::uint32_t iProp, std::uint32_t iPropValue) {
  std::lock_guard<std::mutex> hold(engineLock);
  if (!engine.Initialized()) return DBIERR_NOTINITIALIZED;
  if (hObj != &sessionObject) return DBIERR_INVALIDHNDL;
  if (iProp != sesCFGMODE) return DBIERR_NOTSUPPORTED;
  return Journal("DbiSetProp(sesCFGMODE, " + std::to_string(iPropValue) + ")",
                 engine.SetConfigMode(iPropValue));
}

DBIResult __stdcall DbiCfgPosition(hDBICfg hCfg, const char* pszCfgPath) {
  std::lock_guard<std::mutex> hold(engineLock);
  if (hCfg) return DBIERR_INVALIDHNDL;
  return Journal("DbiCfgPosition(" + Text(pszCfgPath) + ")", engine.Position(Text(pszCfgPath)));
}

DBIResult __stdcall DbiAddAlias(hDBICfg hCfg, const char* pszAliasName, const char* pszDriverType,
                                const char* pszParams, BOOL32 bPersist) {
  std::lock_guard<std::mutex> hold(engineLock);
  if (hCfg) return DBIERR_INVALIDHNDL;
  const std::string call = "DbiAddAlias(" + Text(pszAliasName) + ", " + Text(pszDriverType) + ", " +
                           Text(pszParams) + ", " + (bPersist ? "persistent" : "session") + ")";
  return Journal(call, engine.AddAlias(Text(pszAliasName), Text(pszDriverType), Text(pszParams),
                                       bPersist != 0));
}

DBIResult __stdcall DbiDeleteAlias(hDBICfg hCfg, const char* pszAliasName) {
  std::lock_guard<std::mutex> hold(engineLock);
  if (hCfg) return DBIERR_INVALIDHNDL;
  return Journal("DbiDeleteAlias(" + Text(pszAliasName) + ")",
                 engine.DeleteAlias(Text(pszAliasName)));
}

DBIResult __stdcall DbiCfgSave(hDBICfg hCfg, const char* pszCfgFile, BOOL32 bRegistry) {
  std::lock_guard<std::mutex> hold(engineLock);
  if (hCfg) return DBIERR_INVALIDHNDL;
  (void)bRegistry;  // the stand-in keeps no copy of its settings in the registry
  return Journal("DbiCfgSave(" + Text(pszCfgFile) + ")", engine.Save(Text(pszCfgFile)));
}

DBIResult __stdcall DbiGetErrorString(DBIResult rslt, char* pszError) {
  if (!pszError) return DBIERR_INVALIDPARAM;
  const std::string_view text = EngineErrorText(rslt);
  const std::size_t length =
      text.size() < static_cast<std::size_t>(DBIMAXMSGLEN) ? text.size() : DBIMAXMSGLEN;
  std::memcpy(pszError, text.data(), length);
  pszError[length] = '\0';
  return DBIERR_NONE;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}

}  // extern "C"
