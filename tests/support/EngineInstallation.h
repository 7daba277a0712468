// The stand-in database engine of this build as a test installs it: the
// engine lies in a folder of its own (bin\engine\, on no search path) and is
// found through the installation record that its install step writes.
#pragma once

#include <string>

#include "tests/support/RegistryTools.h"

// The folder of the built IDAPI32.DLL, with a final "\".
std::string StandInEngineFolder();

// The engine's installation record for the length of a test: the record found
// at the start is taken away and put back at the end.
class EngineRecordScope {
 public:
  EngineRecordScope();
  ~EngineRecordScope();
  EngineRecordScope(const EngineRecordScope&) = delete;
  EngineRecordScope& operator=(const EngineRecordScope&) = delete;

  // The install step: `engineFolder` as DLLPATH, `configFile` as CONFIGFILE01.
  void Record(const std::string& engineFolder, const std::string& configFile);

 private:
  RegistryValue savedFolder_;
  RegistryValue savedConfigFile_;
};
