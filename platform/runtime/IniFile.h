// An INI file written key by key through the system's private-profile
// functions, so every other line of the file stays as it was.
#pragma once

#include <string>

class TIniFile {
 public:
  explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
  // Releasing the file object flushes the system's cached copy once more.
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const { return fileName_; }

  // Raises EIniFileException("Unable to write to <file>") when the system
  // refuses the write.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  // Asks the system to write its cached copy of the file to disk.
  void UpdateFile();

 private:
  std::string fileName_;
};
