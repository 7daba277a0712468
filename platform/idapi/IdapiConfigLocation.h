// Where the stand-in engine keeps its configuration file: the file named by
// the IDAPI_CFGFILE environment variable, else the one the registry names
// (HKLM\SOFTWARE\Borland\Database Engine, CONFIGFILE01), else IDAPI32.CFG in
// `engineFolder` (with its final "\").
#pragma once

#include <string>

std::string EngineConfigFile(const std::string& engineFolder);

// An environment variable of the process; empty when unset.
std::string EnvironmentText(const char* name);
