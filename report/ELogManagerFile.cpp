#include "report/ELogManagerFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/runtime/Exception.h"
#include "platform/runtime/SystemErrors.h"
#include "report/EHash.h"

namespace {

[[noreturn]] void RaiseFileError(const char* what, const std::string& fileName,
                                 DWORD code = GetLastError()) {
  throw EInOutError(std::string(what) + " \"" + fileName + "\". " + SysErrorMessage(code));
}

std::string FullPath(const std::string& fileName) {
  char small[MAX_PATH + 1];
  const DWORD length = GetFullPathNameA(fileName.c_str(), sizeof small, small, nullptr);
  if (length == 0) return fileName;
  if (length < sizeof small) return std::string(small, length);
  std::vector<char> large(length);
  const DWORD again = GetFullPathNameA(fileName.c_str(), length, large.data(), nullptr);
  return again > 0 && again < length ? std::string(large.data(), again) : fileName;
}

// Closes a file handle on every path out.
class TFileHandle {
 public:
  explicit TFileHandle(HANDLE handle) : handle_(handle) {}
  ~TFileHandle() { Close(); }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;

  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  bool Close() {
    const bool closed = !Valid() || CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

bool WriteAll(HANDLE file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

// Moves the temporary over the log. A reader that has the log open (a virus
// scanner, a program exporting it) makes the system refuse for a moment, so
// a refusal is tried again a few times.
bool MoveOver(const std::string& temporary, const std::string& fileName) {
  constexpr int kAttempts = 10;
  constexpr DWORD kPauseMilliseconds = 50;
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExA(temporary.c_str(), fileName.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    const DWORD code = GetLastError();
    if (attempt == kAttempts || (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION))
      return false;
    Sleep(kPauseMilliseconds);
  }
}

}  // namespace

std::string LogLockName(const std::string& fileName) {
  std::string folded = FullPath(fileName);
  if (!folded.empty()) CharUpperBuffA(folded.data(), static_cast<DWORD>(folded.size()));
  char name[40];
  std::snprintf(name, sizeof name, "ZuderaDod.LogFile.%08X",
                static_cast<unsigned>(Crc32(folded.data(), folded.size())));
  return name;
}

TLogFileLock::TLogFileLock(const std::string& fileName, unsigned long timeoutMilliseconds) {
  const std::string name = LogLockName(fileName);
  mutex_ = CreateMutexA(nullptr, FALSE, name.c_str());
  if (!mutex_) RaiseFileError("Cannot make the lock of log file", fileName);
  const DWORD waited = WaitForSingleObject(mutex_, timeoutMilliseconds);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return;
  const DWORD code = waited == WAIT_TIMEOUT ? ERROR_LOCK_VIOLATION : GetLastError();
  CloseHandle(mutex_);
  mutex_ = nullptr;
  RaiseFileError("Another program holds log file", fileName, code);
}

TLogFileLock::~TLogFileLock() {
  if (!mutex_) return;
  ReleaseMutex(mutex_);
  CloseHandle(mutex_);
}

std::optional<std::string> ReadLogFileBytes(const std::string& fileName) {
  TFileHandle file(CreateFileA(fileName.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return std::nullopt;
    RaiseFileError("Cannot open log file", fileName, code);
  }
  std::string bytes;
  char chunk[65536];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr))
      RaiseFileError("Cannot read log file", fileName);
    if (read == 0) break;
    bytes.append(chunk, read);
  }
  return bytes;
}

void ReplaceLogFileBytes(const std::string& fileName, const std::string& bytes) {
  const std::string temporary = fileName + ".tmp-" + std::to_string(GetCurrentProcessId());
  TFileHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) RaiseFileError("Cannot create log file", fileName);
  bool written = WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get());
  written = file.Close() && written;
  if (!written) {
    const DWORD code = GetLastError();
    DeleteFileA(temporary.c_str());
    RaiseFileError("Cannot write log file", fileName, code);
  }
  if (!MoveOver(temporary, fileName)) {
    const DWORD code = GetLastError();
    DeleteFileA(temporary.c_str());
    RaiseFileError("Cannot replace log file", fileName, code);
  }
}

bool DeleteLogFile(const std::string& fileName) {
  const DWORD attributes = GetFileAttributesA(fileName.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesA(fileName.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  return DeleteFileA(fileName.c_str()) != FALSE;
}
