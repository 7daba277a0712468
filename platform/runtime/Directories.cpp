#include "platform/runtime/Directories.h"

#include <windows.h>

#include "platform/runtime/Exception.h"
#include "platform/runtime/PathText.h"

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) throw EInOutError("Unable to create directory");
  const std::string folder = ExcludeTrailingPathDelimiter(path);
  // A drive root ("C:") or a folder that is its own parent needs no creation.
  if (folder.size() < 3 || DirectoryExists(folder) || ExtractFilePath(folder) == folder)
    return true;
  return ForceDirectories(ExtractFilePath(folder)) &&
         (CreateDirectoryA(folder.c_str(), nullptr) || DirectoryExists(folder));
}
