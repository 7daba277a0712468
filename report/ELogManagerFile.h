// The log file on disk: the lock that serialises its writers across
// processes, reading it whole, replacing it in one step, deleting it.
//
// Every writer of a log holds its lock from loading the file to saving it,
// so a report another process saved meanwhile is part of what gets written
// back. The file itself is replaced atomically: a failed save leaves the
// previous file as it was. All of this may run during exception handling
// (heap use, waits); none of it inside a handler that forbids them.
#pragma once

#include <optional>
#include <string>

// The lock's name for a log: derived from the file's full path compared
// without regard to case, short and free of path characters. Never raises.
std::string LogLockName(const std::string& fileName);

// The named lock of one log file, owned for the object's life. Waits for
// another holder up to `timeoutMilliseconds`; a holder that ended without
// releasing it hands it on (the file is whole: saves replace it in one step).
// Raises EInOutError when the lock cannot be made or the wait times out.
class TLogFileLock {
 public:
  static constexpr unsigned long kDefaultTimeoutMilliseconds = 30000;

  explicit TLogFileLock(const std::string& fileName,
                        unsigned long timeoutMilliseconds = kDefaultTimeoutMilliseconds);
  ~TLogFileLock();
  TLogFileLock(const TLogFileLock&) = delete;
  TLogFileLock& operator=(const TLogFileLock&) = delete;

 private:
  void* mutex_ = nullptr;
};

// The file's whole content, or nothing when it does not exist. Others may
// read, write, replace and delete it meanwhile. Raises EInOutError when it
// exists but cannot be read.
std::optional<std::string> ReadLogFileBytes(const std::string& fileName);

// Makes `bytes` the file's content in one step: written to "<name>.tmp-<pid>"
// beside it, flushed, then moved over the file. Raises EInOutError when any
// step fails; the temporary file is removed and the previous file, if any,
// is left byte for byte as it was.
void ReplaceLogFileBytes(const std::string& fileName, const std::string& bytes);

// Removes the file, clearing its read-only attribute first. False when it
// could not be removed (a missing file counts as removed).
bool DeleteLogFile(const std::string& fileName);
