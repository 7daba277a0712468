#include "delivery/EDeliveryFiles.h"

#include <windows.h>

#include <vector>

#include "delivery/EDeliveryTexts.h"
#include "engine/ECoreOptionFlags.h"
#include "engine/ECoreOptions.h"
#include "report/EAttachmentFiles.h"
#include "report/EAttachmentNames.h"

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::vector<std::string> ZipFilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "*.zip").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

}  // namespace

std::string ShownDeliveryName(const TDovaroModuleOptions& options, const std::string& path,
                              double exceptionTime) {
  const std::uint16_t flags = options.SendFlags();
  const bool withComputer = flags & FileNameWithComputer;
  const bool withTimestamp = flags & FileNameWithTimestamp;
  return ShownAttachmentName(path, withComputer,
                             withComputer ? AttachmentComputerName() : std::string(), withTimestamp,
                             withTimestamp ? AttachmentTimestamp(exceptionTime) : std::string());
}

bool KeepPackage(const std::string& packageFile, const std::string& shownName,
                 const std::string& logFileName) {
  const std::string folder = FolderOf(logFileName);
  if (folder.empty() || !AttachmentFileExists(packageFile)) return false;
  const std::string name = FreeKeptName(shownName, [&](const std::string& candidate) {
    return GetFileAttributesA((folder + candidate).c_str()) != INVALID_FILE_ATTRIBUTES;
  });
  // Without the replace flag: a name that came into use meanwhile is not
  // overwritten (the package then stays where it was and goes with it).
  if (!MoveFileExA(packageFile.c_str(), (folder + name).c_str(), MOVEFILE_COPY_ALLOWED)) {
    return false;
  }
  std::vector<std::string> kept;
  for (const std::string& zip : ZipFilesIn(folder)) {
    if (IsKeptPackageName(zip, kZipPackageFileName)) kept.push_back(zip);
  }
  for (const std::string& old : PackagesToPrune(kept, kKeptPackages)) {
    DeleteFileA((folder + old).c_str());
  }
  return true;
}
