#include "tests/web/WebPeer.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/support/TempFolder.h"

namespace {

std::string Unhex(const std::string& text) {
  if (text == "-") return {};
  std::string out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    out += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
  return out;
}

}  // namespace

unsigned PeerPort(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : 0;
}

std::string PeerPath(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? value : "";
}

std::string PeerAddress(const char* scheme, const char* host, unsigned port,
                        std::string_view path) {
  return std::string(scheme) + "://" + host + ":" + std::to_string(port) + "/" + std::string(path);
}

TPeerEcho ParsePeerEcho(std::string_view lines) {
  TPeerEcho echo;
  std::istringstream in{std::string(lines)};
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key == "method") {
      words >> echo.Method;
    } else if (key == "path") {
      std::string path;
      words >> path;
      echo.Path = Unhex(path);
    } else if (key == "kind") {
      words >> echo.Kind;
    } else if (key == "auth") {
      std::string auth;
      words >> auth;
      echo.Auth = Unhex(auth);
    } else if (key == "field") {
      std::string name, value;
      words >> name >> value;
      echo.Fields.emplace_back(Unhex(name), Unhex(value));
    } else if (key == "file") {
      std::string name, fileName, bytes;
      TPeerFile file;
      words >> name >> fileName >> file.Size >> bytes;
      file.Name = Unhex(name);
      file.FileName = Unhex(fileName);
      if (bytes.rfind("sha256:", 0) != 0) file.Bytes = Unhex(bytes);
      echo.Files.push_back(file);
    }
  }
  return echo;
}

std::vector<std::string> PeerJournal(const char* peer) {
  std::vector<std::string> names;
  const std::filesystem::path folder = std::filesystem::path(PeerPath("VIPC_WEB_JOURNAL")) / peer;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().string());
  std::sort(names.begin(), names.end());
  std::vector<std::string> entries;
  for (const std::string& name : names) entries.push_back(ReadFileBytes(name));
  return entries;
}
