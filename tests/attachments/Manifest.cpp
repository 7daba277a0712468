#include "tests/attachments/Manifest.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/TempFolder.h"

const std::string& OutputFolder() {
  static const std::string folder = [] {
    const char* named = std::getenv("VIPC_ATTACHMENTS_OUT");
    std::string path = named && *named ? named : "attachments_out";
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    if (path.back() != '\\') path += '\\';
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
  }();
  return folder;
}

std::string JsonText(std::string_view bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\') {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
  return out + "]";
}

std::string JsonInts(std::initializer_list<int> values) {
  std::vector<std::string> items;
  for (int value : values) items.push_back(std::to_string(value));
  return JsonList(items);
}

TManifest& TManifest::Raw(std::string_view key, std::string_view json) {
  members_ += members_.empty() ? "{\n  " : ",\n  ";
  members_ += JsonText(key) + ": " + std::string(json);
  return *this;
}

void TManifest::Write() const {
  WriteFileBytes(OutputFolder() + case_ + ".json", members_ + "\n}\n");
}
