// The database engine's C interface as the installer uses it: the functions
// of "IDAPI32.DLL" that register and remove aliases, looked up by name at run
// time. All are stdcall; texts are 8-bit in the OEM code page; every function
// returns a DBIResult, DBIERR_NONE (0) on success.
//
// Signatures follow the engine's public interface where it is known:
//   DbiInit(pDBIEnv)                      pEnv may be null (defaults)
//   DbiExit()
//   DbiGetCurrSession(hDBISes*)
//   DbiAddAlias(hDBICfg, alias, driverType, params, bPersist)
//   DbiDeleteAlias(hDBICfg, alias)
//   DbiCfgSave(hDBICfg, cfgFile, bRegistry) cfgFile null: the current file
//   DbiGetErrorString(DBIResult, char[DBIMAXMSGLEN + 1])
// and are chosen here where it is not:
//   DbiCfgPosition(hDBICfg, cfgPath)      DBIERR_NONE when the configuration
//                                         path (e.g. "\DATABASES\BRISOLE")
//                                         exists, DBIERR_OBJNOTFOUND if not
//   DbiGetProp(hDBIObj, iProp, pValue, iMaxLen, piLen)
//   DbiSetProp(hDBIObj, iProp, iValue)    with sesCFGMODE on the session
// A null hDBICfg means the configuration of the current session.
#pragma once

#include <cstdint>

typedef std::uint16_t DBIResult;
typedef void* hDBIObj;
typedef hDBIObj hDBISes;
typedef hDBIObj hDBICfg;
typedef int BOOL32;

inline constexpr int DBIMAXMSGLEN = 127;
inline constexpr int DBIMAXPATHLEN = 260;

struct DBIEnv {
  char szWorkDir[DBIMAXPATHLEN + 1];
  char szIniFile[DBIMAXPATHLEN + 1];  // configuration file; empty: the engine's default
  std::int16_t bForceLocalInit;
  char szLang[32];
  char szClientName[32];
};
typedef DBIEnv* pDBIEnv;

// Configuration modes, a bit set.
inline constexpr std::uint32_t cfgVirtual = 1;
inline constexpr std::uint32_t cfgPersistent = 2;
inline constexpr std::uint32_t cfgSession = 4;
inline constexpr std::uint32_t cfgAll = cfgVirtual | cfgPersistent | cfgSession;

// Session property holding the configuration mode set (a 32-bit value).
inline constexpr std::uint32_t sesCFGMODE = 0x00050006;

// Result codes.
inline constexpr DBIResult DBIERR_NONE = 0;
inline constexpr DBIResult DBIERR_NOTINITIALIZED = 0x2101;
inline constexpr DBIResult DBIERR_INVALIDPARAM = 0x2102;
inline constexpr DBIResult DBIERR_INVALIDHNDL = 0x2103;
inline constexpr DBIResult DBIERR_OBJNOTFOUND = 0x2104;
inline constexpr DBIResult DBIERR_NAMENOTUNIQUE = 0x2105;
inline constexpr DBIResult DBIERR_NOTSUPPORTED = 0x2106;
inline constexpr DBIResult DBIERR_CFGCANNOTLOAD = 0x2201;
inline constexpr DBIResult DBIERR_CFGCANNOTWRITE = 0x2202;
inline constexpr DBIResult DBIERR_UNKNOWNDRIVER = 0x2203;
inline constexpr DBIResult DBIERR_INVALIDPARAMSTRING = 0x2204;
inline constexpr DBIResult DBIERR_MODENOTALLOWED = 0x2205;

extern "C" {
typedef DBIResult(__stdcall* DbiInitFn)(pDBIEnv pEnv);
typedef DBIResult(__stdcall* DbiExitFn)();
typedef DBIResult(__stdcall* DbiGetCurrSessionFn)(hDBISes* phSes);
typedef DBIResult(__stdcall* DbiGetPropFn)(hDBIObj hObj, std::uint32_t iProp, void* pPropValue,
                                           std::uint16_t iMaxLen, std::uint16_t* piLen);
typedef DBIResult(__stdcall* DbiSetPropFn)(hDBIObj hObj, std::uint32_t iProp,
                                           std::uint32_t iPropValue);
typedef DBIResult(__stdcall* DbiCfgPositionFn)(hDBICfg hCfg, const char* pszCfgPath);
typedef DBIResult(__stdcall* DbiAddAliasFn)(hDBICfg hCfg, const char* pszAliasName,
                                            const char* pszDriverType, const char* pszParams,
                                            BOOL32 bPersist);
typedef DBIResult(__stdcall* DbiDeleteAliasFn)(hDBICfg hCfg, const char* pszAliasName);
typedef DBIResult(__stdcall* DbiCfgSaveFn)(hDBICfg hCfg, const char* pszCfgFile, BOOL32 bRegistry);
typedef DBIResult(__stdcall* DbiGetErrorStringFn)(DBIResult rslt, char* pszError);
}
