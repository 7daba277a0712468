#include "platform/runtime/IniFile.h"

#include <windows.h>

#include <vector>

#include "platform/runtime/Exception.h"

TIniFile::~TIniFile() {
  UpdateFile();
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), fileName_.c_str())) {
    throw EIniFileException("Unable to write to " + fileName_);
  }
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  std::vector<char> buffer(2048);
  const DWORD length =
      GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                               static_cast<DWORD>(buffer.size()), fileName_.c_str());
  return std::string(buffer.data(), length);
}

void TIniFile::UpdateFile() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str());
}
