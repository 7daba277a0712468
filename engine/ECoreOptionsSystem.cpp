// The members of the option object that reach the operating system: texts
// with expanded variables, the log file name and the option files.
#include <windows.h>

#include <string>

#include "engine/ECoreByteStream.h"
#include "engine/ECoreOptionStream.h"
#include "engine/ECoreOptions.h"
#include "engine/ECoreServices.h"
#include "platform/runtime/Directories.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/PathText.h"
#include "platform/runtime/SystemErrors.h"

namespace {

std::string WithoutEvery(std::string text, std::string_view part) {
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at))
    text.erase(at, part.size());
  return text;
}

[[noreturn]] void RaiseFileError(const char* what, const std::string& fileName) {
  throw EInOutError(std::string(what) + " \"" + fileName + "\". " +
                    SysErrorMessage(GetLastError()));
}

}  // namespace

std::string TDovaroModuleOptions::Text(int index) const {
  return ExpandVariables(StoredText(index));
}

std::string TDovaroModuleOptions::LogFileName(const std::string& name) const {
  const std::string source = name.empty() ? WithoutEvery(ModulePath(), ".vshost") : name;
  const std::string file = ChangeFileExt(source, ".elf");
  std::string result;
  if (lstrcmpiA(ExtractFileExt(LogFolder()).c_str(), ".elf") == 0) {
    result = LogFolder();
  } else {
    const std::string folder = LogFolder().empty() ? ExtractFilePath(file) : LogFolder();
    result = IncludeTrailingPathDelimiter(folder) + ExtractFileName(file);
  }
  try {
    const std::string folder = ExpandVariables(ExtractFilePath(result));
    if (!folder.empty()) ForceDirectories(folder);
  } catch (const Exception&) {
    // An unusable folder is replaced by the engine folder just below.
  }
  result = WritableLocation(result, true, false);
  if (LogFlags() & LogNameWithComputer) {
    const std::string extension = ExtractFileExt(result);
    result = ChangeFileExt(result, "") + "_" + ComputerNameForFiles() + extension;
  }
  return result;
}

void TDovaroModuleOptions::SaveToFile(const std::string& fileName) const {
  const std::vector<std::uint8_t> bytes = SaveOptionsToBytes(*this);
  const HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) RaiseFileError("Cannot create file", fileName);
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  if (!ok) RaiseFileError("Cannot write file", fileName);
}

void TDovaroModuleOptions::LoadFromFile(const std::string& fileName) {
  const HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) RaiseFileError("Cannot open file", fileName);
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0)
    bytes.insert(bytes.end(), chunk, chunk + read);
  CloseHandle(file);
  TByteReader reader(bytes);
  LoadFromStream(reader);
}
