#include <windows.h>

#include <vector>

#include "report/EAttachmentFiles.h"
#include "report/EAttachmentList.h"
#include "report/EAttachmentNames.h"
#include "report/EScreenshot.h"
#include "report/EXMLCopy.h"

namespace {

bool ReadFileText(const std::string& path, std::string& text) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 0x40000000;
  if (ok) {
    text.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    ok = ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr) &&
         read == text.size();
  }
  CloseHandle(file);
  return ok;
}

void RemoveFolderTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(path + "\\");
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

std::string SystemTemporaryFolder() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof path, path);
  std::string folder(path, length > 0 && length < sizeof path ? length : 0);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

const std::string& TAttachmentFolder::Prepare(std::uint32_t processId,
                                              std::uintptr_t moduleHandle) {
  Remove();
  processId_ = processId;
  module_ = moduleHandle;
  const std::string process = ProcessAttachmentFolder(SystemTemporaryFolder(), processId_, module_);
  CreateDirectoryA(process.c_str(), nullptr);
  // A folder left by an earlier process of the same id is reused; an
  // exception's folder is always made fresh.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string folder = ExceptionAttachmentFolder(process, ++exceptions_);
    if (CreateDirectoryA(folder.c_str(), nullptr)) {
      path_ = folder;
      break;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return path_;
}

void TAttachmentFolder::Remove() {
  if (path_.empty()) return;
  RemoveFolderTree(path_);
  path_.clear();
  const std::string process = ProcessAttachmentFolder(SystemTemporaryFolder(), processId_, module_);
  RemoveDirectoryA(process.c_str());  // only when empty
}

bool AttachmentFileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteLogCopy(const std::string& fileName, std::string_view textToSend) {
  try {
    const std::string text = LogCopyText(textToSend);
    return WriteWholeFile(fileName, text.data(), text.size());
  } catch (...) {
    return false;
  }
}

bool WriteXmlCopy(const std::string& xmlFileName, const std::string& logCopyFileName,
                  std::string_view textToSend, std::string_view password) {
  try {
    std::string log;
    if (logCopyFileName.empty() || !ReadFileText(logCopyFileName, log))
      log = LogCopyText(textToSend);
    const std::string xml = XmlCopyOfLogText(log, password);
    return WriteWholeFile(xmlFileName, xml.data(), xml.size());
  } catch (...) {
    return false;
  }
}

std::string AttachmentComputerName() {
  char name[16] = {};
  DWORD length = sizeof name;
  if (!GetComputerNameA(name, &length)) return {};
  return std::string(name, length);
}
