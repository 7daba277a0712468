// Where an installation of the database engine records itself: the key under
// HKEY_LOCAL_MACHINE, the engine's folder (several may be separated by ";")
// and its configuration file.
#pragma once

inline constexpr const char* kEngineLibraryName = "IDAPI32.DLL";
inline constexpr const char* kEngineInstallationKey = "SOFTWARE\\Borland\\Database Engine";
inline constexpr const char* kEngineFolderValue = "DLLPATH";
inline constexpr const char* kEngineConfigFileValue = "CONFIGFILE01";
