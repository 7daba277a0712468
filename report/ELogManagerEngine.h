// The engine's log stage: the current log object and the operations the
// handling sequence runs for each exception: the duplicate check right after
// the report is built, the version check and the save after the dialogs.
//
// The sequence owns one TLogManager and calls it on its handling thread, one
// exception at a time (the object has no lock of its own; the log file's own
// lock guards it against other processes and modules). The operations never
// raise: a failure comes back as a TLogFailure, which the sequence turns into
// the eeLogError warning of section "Log"; the exception processing goes on.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/ECoreOptions.h"
#include "report/ELogManager.h"

// A failed log operation.
struct TLogFailure {
  // The failure's message; empty when it carried none.
  std::string Message;

  // The warning text: "[Log] <message>", or "General 'Log' error." without one.
  std::string WarningText() const;
  bool operator==(const TLogFailure&) const = default;
};

// What the handling sequence does around a save, lent to SaveReportToLog for
// one call and called on the calling thread, never while the log's lock is
// held. The handlers must not raise (the sequence's callback slot swallows
// what the program's handlers raise).
class ILogStageEvents {
 public:
  virtual ~ILogStageEvents() = default;
  // ExceptionActionNotify with ActBeforeLog; clearing `execute` skips writing
  // the file (the report still joins the text to send).
  virtual void BeforeLog(bool& execute) = 0;
  // A save attempt failed: raise the "Log" warning for `failure`, then fire
  // ExceptionErrorNotify for the stage ActAfterLog; setting `retry` (false
  // on entry) repeats the attempt.
  virtual void LogFailed(const TLogFailure& failure, bool& retry) = 0;
  // ExceptionActionNotify with ActAfterLog; `execute` says whether the file
  // was written.
  virtual void AfterLog(bool& execute) = 0;
};

struct TLogSaveResult {
  // The report (or, for a duplicate, the counted log) was written.
  bool Saved = false;
  // With the send flag SendWholeLog: every stored report, the new one
  // included, as the text to send instead of the last report.
  std::optional<std::string> WholeLog;
  // The failure of the last attempt, already handed to LogFailed.
  std::optional<TLogFailure> LastFailure;
};

class TLogManager {
 public:
  TLogManager() = default;
  TLogManager(const TLogManager&) = delete;
  TLogManager& operator=(const TLogManager&) = delete;

  // The current log object for the log file that `options` name (LogFileName,
  // expanded once more), made anew when there is none or its name differs;
  // it holds the log's lock until CloseLogFile. Raises EInOutError when no
  // writable place exists or the file cannot be read.
  TLogFile& OpenLogFile(const TDovaroModuleOptions& options);
  // Frees the current log object (and its lock), if any.
  void CloseLogFile();
  TLogFile* CurrentLog() const { return current_.get(); }

  // Whether the report of the exception being processed repeats a stored
  // one (item 2.7 equal to its bug identifier).
  bool Duplicate() const { return duplicate_; }

  // With LogSkipDuplicates: looks for a stored report with bug identifier
  // `bugId`; when one is found and `countIt`, its item 2.8 goes up by one
  // (added with the label "Count" when hidden) and the log is saved. Without
  // the flag the report counts as no duplicate.
  std::optional<TLogFailure> CheckDuplicate(const TDovaroModuleOptions& options,
                                            std::string_view bugId, bool countIt);
  // With LogVersionCheck: when the newest stored report's item 1.3 is not
  // empty and differs from `runningVersion` (item 1.3 of the current run),
  // the log file is deleted, so the next save starts a new log; the report
  // then counts as no duplicate, as the report it repeated is gone.
  std::optional<TLogFailure> CheckLogVersion(const TDovaroModuleOptions& options,
                                             std::string_view runningVersion);
  // With WriteLogFile: appends `report` (unless it is a duplicate) keeping
  // MaxLoggedErrors reports and writes the log, between BeforeLog and
  // AfterLog. Each attempt, a retry too, reads the file afresh under its
  // lock, so a retry writes the report once.
  TLogSaveResult SaveReportToLog(const TDovaroModuleOptions& options, std::string_view report,
                                 ILogStageEvents& events);

 private:
  std::unique_ptr<TLogFile> current_;
  std::string currentName_;
  bool duplicate_ = false;
};
