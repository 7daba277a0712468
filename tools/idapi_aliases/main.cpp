// idapi_aliases: lists the aliases of the stand-in database engine's
// configuration file with their driver type and parameters.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/idapi/IdapiConfigFile.h"
#include "platform/idapi/IdapiConfigLocation.h"
#include "platform/runtime/PathText.h"

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
    std::fputs("usage: idapi_aliases [configuration file]\n", stderr);
    return 2;
  }
  std::string file;
  if (argc == 2) {
    file = argv[1];
  } else {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    file = EngineConfigFile(ExtractFilePath(path));
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::printf("%s: no configuration file (no aliases)\n", file.c_str());
    return 0;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto configuration = ParseEngineConfiguration(text);
  if (!configuration) {
    std::fprintf(stderr, "%s: not a valid configuration file\n", file.c_str());
    return 1;
  }
  std::printf("%s: %zu alias(es)\n", file.c_str(), configuration->aliases.size());
  for (const auto& alias : configuration->aliases) {
    std::printf("%s (%s)\n", alias.name.c_str(), alias.driverType.c_str());
    for (const auto& [name, value] : alias.parameters)
      std::printf("  %s=%s\n", name.c_str(), value.c_str());
  }
  return 0;
}
