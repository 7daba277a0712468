// A fresh folder under the Windows temporary folder, removed with its
// contents when the object goes away.
#pragma once

#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path with a final "\".
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The whole content of a file, or empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
