// The stand-in engine's install step: it records itself as a real engine
// installation does, its folder as DLLPATH and its configuration file as
// CONFIGFILE01 (both REG_SZ) under HKLM\SOFTWARE\Borland\Database Engine.
#pragma once

#include <string>

// The folder is recorded without a final "\". Returns the system's error
// code, ERROR_SUCCESS (0) once both values are written.
long RecordEngineInstallation(const std::string& engineFolder, const std::string& configFile);

// Removes both values; values already missing are fine.
long RemoveEngineInstallation();
