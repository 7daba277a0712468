// idapi_install: the stand-in database engine's install step. It records the
// folder that holds IDAPI32.DLL and the engine's configuration file in the
// registry, where programs that use the engine look for them.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/idapi/IdapiInstallation.h"
#include "platform/idapi/IdapiRegistry.h"
#include "platform/runtime/PathText.h"
#include "platform/runtime/SystemErrors.h"

namespace {

const char kUsage[] =
    "usage: idapi_install <engine folder> [configuration file]\n"
    "       idapi_install --remove\n"
    "  records the folder (which must hold IDAPI32.DLL) as DLLPATH and the configuration\n"
    "  file (default: IDAPI32.CFG in that folder) as CONFIGFILE01 under\n"
    "  HKLM\\SOFTWARE\\Borland\\Database Engine; --remove takes both away again\n";

std::string FullPath(const char* path) {
  char full[MAX_PATH + 1] = {};
  const DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(full) : std::string(path);
}

int Failed(const char* what, long error) {
  std::fprintf(stderr, "idapi_install: cannot %s: %s\n", what, SysErrorMessage(error).c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--remove") == 0) {
    if (const long error = RemoveEngineInstallation(); error != ERROR_SUCCESS)
      return Failed("remove the record", error);
    std::printf("removed the database engine's installation record\n");
    return 0;
  }
  if (argc < 2 || argc > 3 || argv[1][0] == '-') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string folder = IncludeTrailingPathDelimiter(FullPath(argv[1]));
  if (GetFileAttributesA((folder + kEngineLibraryName).c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "idapi_install: %s holds no %s\n", folder.c_str(), kEngineLibraryName);
    return 1;
  }
  const std::string configFile = argc == 3 ? FullPath(argv[2]) : folder + "IDAPI32.CFG";
  if (const long error = RecordEngineInstallation(folder, configFile); error != ERROR_SUCCESS)
    return Failed("record the installation", error);
  std::printf("%s=%s\n%s=%s\n", kEngineFolderValue, ExcludeTrailingPathDelimiter(folder).c_str(),
              kEngineConfigFileValue, configFile.c_str());
  return 0;
}
