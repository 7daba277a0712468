// Helpers of the end-to-end engine tests: the modules of this build that carry
// the engine, and what they publish.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "engine/ECoreOptions.h"

// A module loaded for the test and freed afterwards.
class TLoadedModule {
 public:
  explicit TLoadedModule(const std::string& fileName);
  ~TLoadedModule();
  TLoadedModule(const TLoadedModule&) = delete;
  TLoadedModule& operator=(const TLoadedModule&) = delete;

  HMODULE Handle() const { return module_; }
  template <class Function>
  Function Export(const char* name) const {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

// The options a module of this process published in its shared area, or none.
std::optional<std::string> PublishedOptionsError(HMODULE module, TDovaroModuleOptions& options);

// The values this module's options file gives VInstallParamsClient.dll.
void ExpectInstallerOptions(const TDovaroModuleOptions& options);

// A file beside the test program.
std::string BesideTests(const std::string& name);
