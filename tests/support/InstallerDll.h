// The real VInstallParamsClient.dll, loaded into the test program and called
// as the installer calls it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "tools/installer_host/InstallerExportCall.h"

class InstallerDll {
 public:
  InstallerDll();
  ~InstallerDll();
  InstallerDll(const InstallerDll&) = delete;
  InstallerDll& operator=(const InstallerDll&) = delete;

  HMODULE Module() const { return module_; }
  void* Export(const char* name) const;

  ExportCallResult SetParameters(const char* serverHost, const char* targetFolder,
                                 std::uintptr_t reserved = 0) const;
  ExportCallResult SetBDEConfig(const char* aliasName, const char* serverName,
                                std::uintptr_t reserved = 0) const;

 private:
  HMODULE module_;
};
