// The services of the options unit that ask the operating system.
#include <windows.h>

#include <cmath>
#include <vector>

#include "engine/ECoreServices.h"
#include "platform/runtime/Directories.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/IniFile.h"
#include "platform/runtime/PathText.h"

namespace {

constexpr double kFileTimeTicksPerDay = 864000000000.0;
constexpr double kDaysFrom1601To1899 = 109205.0;  // 1 January 1601 to 30 December 1899

std::string EnvironmentVariable(const std::string& name) {
  char small[512];
  DWORD length = GetEnvironmentVariableA(name.c_str(), small, sizeof small);
  if (length < sizeof small) return std::string(small, length);
  std::vector<char> large(length);
  length = GetEnvironmentVariableA(name.c_str(), large.data(), static_cast<DWORD>(large.size()));
  return length < large.size() ? std::string(large.data(), length) : std::string();
}

bool SameTextIgnoringCase(std::string_view a, const char* b) {
  return lstrcmpiA(std::string(a).c_str(), b) == 0;
}

std::string CurrentFolder() {
  char folder[MAX_PATH + 1];
  const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
  return length < sizeof folder ? std::string(folder, length) : std::string();
}

std::string ProgramNameWithoutExtension() {
  char path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return ChangeFileExt(ExtractFileName(std::string(path, length)), "");
}

// Opens the file as WritableLocation describes. A missing file is probed
// through a file of this thread's own beside it, never under its own name:
// creating and removing the name itself could remove a file another process
// saved there in between (a log written by two programs at once).
bool CanOpen(const std::string& fileName, bool readOnly) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE file =
      CreateFileA(fileName.c_str(), readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE, share,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE && !readOnly && GetLastError() == ERROR_FILE_NOT_FOUND) {
    const std::string probe = ExtractFilePath(fileName) + "~" +
                              std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(GetCurrentThreadId()) + ".tmp";
    file = CreateFileA(probe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::string IniFileLocation(const std::string& fileName) {
  const std::string placed = ExtractFilePath(fileName).empty()
                                 ? IncludeTrailingPathDelimiter(EngineFolder()) + fileName
                                 : fileName;
  return WritableLocation(placed);
}

std::string WideToAnsi(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string ansi(length, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), length,
                      nullptr, nullptr);
  return ansi;
}

std::string DecodeTextFile(const std::string& bytes) {
  const auto starts = [&](const char* mark) { return bytes.rfind(mark, 0) == 0; };
  if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
    const bool bigEndian = starts("\xFE\xFF");
    std::wstring wide;
    for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
      const auto first = static_cast<unsigned char>(bytes[at]);
      const auto second = static_cast<unsigned char>(bytes[at + 1]);
      wide += static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    return WideToAnsi(wide);
  }
  if (starts("\xEF\xBB\xBF")) {
    const char* text = bytes.data() + 3;
    const int size = static_cast<int>(bytes.size() - 3);
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, size, nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, size, wide.data(), length);
    return WideToAnsi(wide);
  }
  return bytes;
}

}  // namespace

std::string ExpandVariables(std::string_view text) {
  return ExpandVariables(text, ReadVariable);
}

std::string ReadVariable(std::string_view name) {
  std::string value = EnvironmentVariable(std::string(name));
  if (!value.empty()) return value;
  char buffer[256];
  if (SameTextIgnoringCase(name, "date") &&
      GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer, sizeof buffer))
    return buffer;
  if (SameTextIgnoringCase(name, "time") &&
      GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, nullptr, nullptr, buffer, sizeof buffer))
    return buffer;
  if (SameTextIgnoringCase(name, "cd")) return CurrentFolder();
  return {};
}

std::string EngineFolder() {
  std::string base;
  // The shell's folder service, looked up by name: shell32 is not imported.
  using TGetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
  HMODULE shell = GetModuleHandleA("shell32.dll");
  if (!shell) shell = LoadLibraryA("shell32.dll");
  const auto getFolderPath = shell ? reinterpret_cast<TGetFolderPath>(reinterpret_cast<void*>(
                                         GetProcAddress(shell, "SHGetFolderPathA")))
                                   : nullptr;
  char path[MAX_PATH + 1] = {};
  if (getFolderPath &&
      SUCCEEDED(getFolderPath(nullptr, 0x001A /* CSIDL_APPDATA */, nullptr, 0, path)))
    base = path;
  if (base.empty()) base = EnvironmentVariable("AppData");
  if (base.empty()) base = "\\";
  return IncludeTrailingPathDelimiter(base) + "ZuderaDod";
}

std::string WritableLocation(const std::string& fileName, bool useSubfolder, bool readOnly) {
  const std::string name = ExpandVariables(fileName);
  if (CanOpen(name, readOnly)) return name;
  std::string folder = EngineFolder();
  ForceDirectories(folder);
  if (useSubfolder) {
    folder = IncludeTrailingPathDelimiter(folder) + ProgramNameWithoutExtension();
    ForceDirectories(folder);
  }
  const std::string fallback = IncludeTrailingPathDelimiter(folder) + ExtractFileName(name);
  if (CanOpen(fallback, readOnly)) return fallback;
  throw EInOutError("Cannot open \"" + name + "\" nor \"" + fallback + "\"");
}

std::string IniRead(const std::string& fileName, const std::string& section, const std::string& key,
                    const std::string& defaultValue) {
  try {
    return TIniFile(IniFileLocation(fileName)).ReadString(section, key, defaultValue);
  } catch (const Exception&) {
    return defaultValue;  // no readable place: the setting was never stored
  }
}

void IniWrite(const std::string& fileName, const std::string& section, const std::string& key,
              const std::string& value) {
  TIniFile(IniFileLocation(fileName)).WriteString(section, key, value);
}

bool ReadTextFile(const std::string& fileName, std::vector<std::string>& lines) {
  lines.clear();
  const HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string bytes;
  char chunk[65536];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
  CloseHandle(file);
  lines = SplitTextLines(DecodeTextFile(bytes));
  return true;
}

std::string ReadRegistryString(void* root, const std::string& key, const std::string& value) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(static_cast<HKEY>(root), key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return {};
  std::string result;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(opened, value.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(opened, value.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS)
      result = data.data();  // up to the first zero
  }
  RegCloseKey(opened);
  return result;
}

double FileDate(const std::string& fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  if (!GetFileAttributesExA(fileName.c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local))
    return 0;
  const double ticks =
      static_cast<double>(static_cast<ULONGLONG>(local.dwHighDateTime) << 32 | local.dwLowDateTime);
  return ticks / kFileTimeTicksPerDay - kDaysFrom1601To1899;
}

std::string ComputerNameForFiles() {
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = sizeof name;
  if (!GetComputerNameA(name, &length)) return {};
  return FileNameSafeText(std::string_view(name, length));
}

int UtcOffsetHours() {
  FILETIME utc, local;
  GetSystemTimeAsFileTime(&utc);
  if (!FileTimeToLocalFileTime(&utc, &local)) return 0;
  const auto ticks = [](const FILETIME& t) {
    return static_cast<long long>(static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime);
  };
  return static_cast<int>(std::lround((ticks(local) - ticks(utc)) / 36000000000.0));
}

double LocalDateTimeNow() {
  SYSTEMTIME time;
  GetLocalTime(&time);
  FILETIME file;
  SystemTimeToFileTime(&time, &file);
  const std::uint64_t ticks = (std::uint64_t{file.dwHighDateTime} << 32) | file.dwLowDateTime;
  // Days since 30 December 1899 from 100 ns ticks since 1 January 1601.
  return static_cast<double>(ticks) / 864000000000.0 - 109205.0;
}
