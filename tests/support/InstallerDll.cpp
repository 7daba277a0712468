#include "tests/support/InstallerDll.h"

#include <stdexcept>

InstallerDll::InstallerDll() : module_(LoadLibraryA("VInstallParamsClient.dll")) {
  if (!module_) throw std::runtime_error("cannot load VInstallParamsClient.dll");
}

InstallerDll::~InstallerDll() {
  FreeLibrary(module_);
}

void* InstallerDll::Export(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(module_, name));
}

ExportCallResult InstallerDll::SetParameters(const char* serverHost, const char* targetFolder,
                                             std::uintptr_t reserved) const {
  return CallInstallerExport(Export("SetParameters"), reserved, serverHost, targetFolder);
}

ExportCallResult InstallerDll::SetBDEConfig(const char* aliasName, const char* serverName,
                                            std::uintptr_t reserved) const {
  return CallInstallerExport(Export("SetBDEConfig"), reserved, aliasName, serverName);
}
