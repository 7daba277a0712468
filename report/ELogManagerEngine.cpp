#include "report/ELogManagerEngine.h"

#include <charconv>

#include "engine/ECoreServices.h"
#include "platform/runtime/Exception.h"

namespace {

constexpr char kBugIdItem[] = "2.7";
constexpr char kCountItem[] = "2.8";
constexpr char kCountLabel[] = "Count";
constexpr char kVersionItem[] = "1.3";

// The stored count, 1 when the text is no decimal number.
long StoredCount(const std::string& text) {
  long value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && !text.empty() ? value : 1;
}

// Runs `step`, turning whatever it raises into a failure.
template <class Step>
std::optional<TLogFailure> Guarded(Step&& step) {
  try {
    step();
    return std::nullopt;
  } catch (const Exception& failure) {
    return TLogFailure{failure.Message()};
  } catch (...) {
    return TLogFailure{};
  }
}

}  // namespace

std::string TLogFailure::WarningText() const {
  return Message.empty() ? "General 'Log' error." : "[Log] " + Message;
}

TLogFile& TLogManager::OpenLogFile(const TDovaroModuleOptions& options) {
  const std::string name = ExpandVariables(options.LogFileName());
  if (current_ && currentName_ != name) CloseLogFile();
  if (!current_) {
    current_ = std::make_unique<TLogFile>(name, false);
    currentName_ = name;
  }
  return *current_;
}

void TLogManager::CloseLogFile() {
  current_.reset();
  currentName_.clear();
}

std::optional<TLogFailure> TLogManager::CheckDuplicate(const TDovaroModuleOptions& options,
                                                       std::string_view bugId, bool countIt) {
  duplicate_ = false;
  if (!(options.LogFlags() & LogSkipDuplicates)) return std::nullopt;
  std::optional<TLogFailure> failure = Guarded([&] {
    TLogFile& log = OpenLogFile(options);
    const int index = log.FindReport(kBugIdItem, bugId);
    duplicate_ = index != -1;
    if (!duplicate_ || !countIt) return;
    const long count = StoredCount(log.ItemValue(kCountItem, index));
    log.SetItemValue(kCountItem, std::to_string(count + 1), index, kCountLabel);
    log.Save();
  });
  CloseLogFile();
  return failure;
}

std::optional<TLogFailure> TLogManager::CheckLogVersion(const TDovaroModuleOptions& options,
                                                        std::string_view runningVersion) {
  if (!(options.LogFlags() & LogVersionCheck)) return std::nullopt;
  std::optional<TLogFailure> failure = Guarded([&] {
    // The file is deleted under the lock it was read under, so a report
    // saved meanwhile by another program of the new version survives.
    TLogFile& log = OpenLogFile(options);
    const std::string stored = log.ItemValue(kVersionItem, log.ReportCount() - 1);
    if (stored.empty() || stored == runningVersion) return;
    if (!DeleteLogFile(log.FileName()))
      throw EInOutError("Cannot delete log file \"" + log.FileName() + "\"");
    duplicate_ = false;
  });
  CloseLogFile();
  return failure;
}

TLogSaveResult TLogManager::SaveReportToLog(const TDovaroModuleOptions& options,
                                            std::string_view report, ILogStageEvents& events) {
  TLogSaveResult result;
  if (!options.WriteLogFile()) return result;
  bool goAhead = true;
  events.BeforeLog(goAhead);
  for (;;) {
    result.LastFailure = Guarded([&] {
      // A retry must not find the report of the failed attempt in the list.
      CloseLogFile();
      TLogFile& log = OpenLogFile(options);
      if (!duplicate_) log.Append(report, static_cast<int>(options.MaxLoggedErrors()));
      if (options.SendFlags() & SendWholeLog) result.WholeLog = log.WholeText();
      if (goAhead) {
        log.Save();
        result.Saved = true;
      }
    });
    // The lock is never held while the program's handlers run.
    CloseLogFile();
    if (!result.LastFailure) break;
    bool retry = false;
    events.LogFailed(*result.LastFailure, retry);
    if (!retry) break;
  }
  bool saved = result.Saved;
  events.AfterLog(saved);
  return result;
}
