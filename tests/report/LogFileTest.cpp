// The log file on disk and the engine's log operations: real files in
// temporary folders, the edge cases of stored reports, the fallback to the
// engine folder, and saves that fail without harming the stored log.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/ECoreOptions.h"
#include "engine/ECoreServices.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/PathText.h"
#include "report/ELogManager.h"
#include "report/ELogManagerEngine.h"
#include "report/ELogManagerFile.h"
#include "report/ELogManagerItems.h"
#include "tests/report/support/LogReports.h"
#include "tests/report/support/LogStageRecorder.h"
#include "tests/support/TempFolder.h"

namespace {

// A host module in a temporary folder whose log is "<folder>\Host.elf".
struct TLogPlace {
  TempFolder Folder;
  TDovaroModuleOptions Options{Folder.Path() + "Host.exe"};
  std::string Log = Folder.Path() + "Host.elf";

  std::vector<std::string> StoredIds() const {
    TLogFile log(Log, true);
    std::vector<std::string> ids;
    for (int index = 0; index < log.ReportCount(); ++index)
      ids.push_back(log.ItemValue("2.7", index));
    return ids;
  }
};

std::string StoredFile(const std::vector<std::string>& reports) {
  TStoredReports stored;
  for (const std::string& report : reports) AppendStoredReport(stored, report, -1);
  return LogFileText(stored);
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  const HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return names;
}

// The engine folder's place for a log of this program (the fallback).
std::string EngineFolderLog(const std::string& fileName) {
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  return IncludeTrailingPathDelimiter(EngineFolder()) +
         ChangeFileExt(ExtractFileName(program), "") + "\\" + fileName;
}

}  // namespace

TEST(TLogFile, MissingFile_IsAnEmptyLogThatTheFirstSaveCreates) {
  TLogPlace place;
  TLogFile log(place.Log, false);
  EXPECT_EQ(log.FileName(), place.Log);
  EXPECT_EQ(log.ReportCount(), 0);
  EXPECT_EQ(log.WholeText(), "");
  EXPECT_FALSE(FileExists(place.Log)) << "opening does not create the file";
  log.Append(NumberedReport(1), 32);
  log.Save();
  EXPECT_EQ(ReadFileBytes(place.Log), StoredFile({NumberedReport(1)}));
}

TEST(TLogFile, EmptyList_SavesAnEmptyFile) {
  TLogPlace place;
  WriteFileBytes(place.Log, "notes without any report\r\n\r\n\r\n\r\n");
  TLogFile log(place.Log, false);
  EXPECT_EQ(log.ReportCount(), 0);
  log.Save();
  EXPECT_TRUE(FileExists(place.Log));
  EXPECT_EQ(ReadFileBytes(place.Log), "");
}

TEST(TLogFile, EditedOrDamagedFiles_LoadTheirReportsAndSaveClean) {
  const std::string a = NumberedReport(1), b = NumberedReport(2);
  const std::string clean = StoredFile({a, b});
  std::string lfOnly;
  for (char c : clean)
    if (c != '\r') lfOnly += c;
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"without the final CR LF pairs", clean.substr(0, clean.size() - 8)},
      {"with LF-only line ends", lfOnly},
      {"with garbage between reports",
       a + "\r\n\r\n\r\n\r\nleft over by an editor\r\n\r\n\r\n\r\n\r\n" + b + "\r\n\r\n\r\n"},
      {"with a truncated last report", clean + "\r\n" + NumberedReport(3).substr(0, 300)},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    TLogPlace place;
    WriteFileBytes(place.Log, row.bytes);
    TLogFile log(place.Log, false);
    ASSERT_EQ(log.ReportCount(), 2);
    EXPECT_EQ(log.ItemValue("2.7", 0), "0001");
    EXPECT_EQ(log.ItemValue("2.7", 1), "0002");
    log.Save();
    EXPECT_EQ(ReadFileBytes(place.Log), clean);
  }
}

TEST(TLogFile, ItemsOutsideTheList_ReadEmptyAndChangeNothing) {
  TLogPlace place;
  WriteFileBytes(place.Log, StoredFile({NumberedReport(1)}));
  TLogFile log(place.Log, false);
  EXPECT_EQ(log.ItemValue("2.7", 1), "");
  EXPECT_EQ(log.ItemValue("2.7", -1), "");
  log.SetItemValue("2.8", "5", 1, "Count");
  EXPECT_EQ(log.ItemValue("2.8", 0), "1");
  EXPECT_EQ(log.FindReport("2.7", "0001"), 0);
  EXPECT_EQ(log.FindReport("2.7", "0002"), -1);
}

TEST(TLogFile, ReadOnlyObject_ReadsButDoesNotSave) {
  TLogPlace place;
  const std::string bytes = StoredFile({NumberedReport(1)});
  WriteFileBytes(place.Log, bytes);
  TLogFile log(place.Log, true);
  EXPECT_EQ(log.ReportCount(), 1);
  log.Append(NumberedReport(2), -1);
  EXPECT_THROW(log.Save(), EInOutError);
  EXPECT_EQ(ReadFileBytes(place.Log), bytes);

  TLogFile missing(place.Folder.Path() + "Missing.elf", true);
  EXPECT_EQ(missing.ReportCount(), 0);
}

TEST(TLogFile, FailedSave_LeavesTheStoredLogByteForByte) {
  // A full disk cannot be had under Wine; the same failures of the save are
  // made by what Wine does refuse.
  struct Case {
    const char* name;
    // Makes the save fail after the log was loaded; returns the clean-up.
    std::function<std::function<void()>(const std::string& log)> block;
  } cases[] = {
      {"the temporary file cannot be created (as on a full disk)",
       [](const std::string& log) -> std::function<void()> {
         const std::string temporary = log + ".tmp-" + std::to_string(GetCurrentProcessId());
         CreateDirectoryA(temporary.c_str(), nullptr);
         return [temporary] { RemoveDirectoryA(temporary.c_str()); };
       }},
      {"another handle holds the log without sharing",
       [](const std::string& log) -> std::function<void()> {
         const HANDLE held =
             CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
         return [held] { CloseHandle(held); };
       }},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    TLogPlace place;
    const std::string before = StoredFile({NumberedReport(1), NumberedReport(2)});
    WriteFileBytes(place.Log, before);
    {
      TLogFile log(place.Log, false);
      log.Append(NumberedReport(3), -1);
      const std::function<void()> unblock = row.block(place.Log);
      EXPECT_THROW(log.Save(), EInOutError);
      unblock();
    }
    EXPECT_EQ(ReadFileBytes(place.Log), before);
    EXPECT_EQ(FilesIn(place.Folder.Path()), std::vector<std::string>{"Host.elf"})
        << "no temporary file is left";
  }
}

TEST(TLogFile, VanishedFolder_FailsTheSaveWithoutMakingItAgain) {
  TLogPlace place;
  const std::string folder = place.Folder.Path() + "gone\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  WriteFileBytes(folder + "Host.elf", StoredFile({NumberedReport(1)}));
  TLogFile log(folder + "Host.elf", false);
  log.Append(NumberedReport(2), -1);
  DeleteFileA((folder + "Host.elf").c_str());
  ASSERT_TRUE(RemoveDirectoryA(folder.c_str()));
  EXPECT_THROW(log.Save(), EInOutError);
  EXPECT_FALSE(FileExists(folder));
}

TEST(LogLockName, IsTheSameForOneFileWrittenInAnyCase) {
  const std::string name = LogLockName("C:\\Logs\\Host.elf");
  EXPECT_EQ(LogLockName("c:\\LOGS\\host.ELF"), name);
  EXPECT_EQ(LogLockName("C:/Logs/Host.elf"), name);
  EXPECT_NE(LogLockName("C:\\Logs\\Other.elf"), name);
  EXPECT_EQ(name.find('\\'), std::string::npos);
  EXPECT_LT(name.size(), 40u);
}

TEST(DeleteLogFile, ReadOnlyFile_IsRemoved) {
  TempFolder folder;
  const std::string file = folder.Path() + "Old.elf";
  WriteFileBytes(file, "x");
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(DeleteLogFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_TRUE(DeleteLogFile(file)) << "a missing file counts as removed";
}

TEST(SaveReportToLog, LimitThree_KeepsTheThreeNewest) {
  TLogPlace place;
  place.Options.SetMaxLoggedErrors(3);
  TLogManager manager;
  for (int n = 1; n <= 4; ++n) {
    TLogStageRecorder events;
    const TLogSaveResult result = manager.SaveReportToLog(place.Options, NumberedReport(n), events);
    EXPECT_TRUE(result.Saved);
    EXPECT_FALSE(result.LastFailure);
    EXPECT_EQ(events.Calls, (std::vector<std::string>{"before", "after: saved"}));
  }
  EXPECT_EQ(place.StoredIds(), (std::vector<std::string>{"0002", "0003", "0004"}));
  EXPECT_EQ(manager.CurrentLog(), nullptr) << "the log is closed again";
}

TEST(SaveReportToLog, WriteLogFileClear_TouchesNothing) {
  TLogPlace place;
  place.Options.SetWriteLogFile(false);
  TLogManager manager;
  TLogStageRecorder events;
  EXPECT_FALSE(manager.SaveReportToLog(place.Options, NumberedReport(1), events).Saved);
  EXPECT_TRUE(events.Calls.empty());
  EXPECT_FALSE(FileExists(place.Log));
}

TEST(SaveReportToLog, BeforeLogHandlerSkipsSaving_TheWholeLogIsStillSent) {
  TLogPlace place;
  const std::string before = StoredFile({NumberedReport(1)});
  WriteFileBytes(place.Log, before);
  place.Options.SetSendFlags(place.Options.SendFlags() | SendWholeLog);
  TLogManager manager;
  TLogStageRecorder events;
  events.SkipSaving = true;
  const TLogSaveResult result = manager.SaveReportToLog(place.Options, NumberedReport(2), events);
  EXPECT_FALSE(result.Saved);
  EXPECT_FALSE(result.LastFailure) << "a skipped save is no failure";
  EXPECT_EQ(events.Calls, (std::vector<std::string>{"before", "after: not saved"}));
  EXPECT_EQ(ReadFileBytes(place.Log), before);
  ASSERT_TRUE(result.WholeLog);
  const TStoredReports sent = SplitLogText(*result.WholeLog + "\r\n");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(ReportItemValue(sent[1], "2.7"), "0002");
}

TEST(SaveReportToLog, FailedSave_IsTheLogWarningAndKeepsTheOldFile) {
  TLogPlace place;
  const std::string before = StoredFile({NumberedReport(1)});
  WriteFileBytes(place.Log, before);
  // The temporary file's name is taken, as a full disk would refuse it.
  const std::string temporary = place.Log + ".tmp-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryA(temporary.c_str(), nullptr));
  TLogManager manager;
  TLogStageRecorder events;
  const TLogSaveResult result = manager.SaveReportToLog(place.Options, NumberedReport(2), events);
  RemoveDirectoryA(temporary.c_str());
  EXPECT_FALSE(result.Saved);
  ASSERT_TRUE(result.LastFailure);
  EXPECT_EQ(
      result.LastFailure->WarningText().rfind("[Log] Cannot create log file \"" + place.Log, 0), 0u)
      << result.LastFailure->WarningText();
  ASSERT_EQ(events.Calls.size(), 3u);
  EXPECT_EQ(events.Calls[0], "before");
  EXPECT_EQ(events.Calls[1], "failed: " + result.LastFailure->WarningText());
  EXPECT_EQ(events.Calls[2], "after: not saved");
  EXPECT_EQ(ReadFileBytes(place.Log), before);
}

TEST(SaveReportToLog, RetryAfterAFailedSave_WritesTheReportOnce) {
  TLogPlace place;
  WriteFileBytes(place.Log, StoredFile({NumberedReport(1)}));
  const std::string temporary = place.Log + ".tmp-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryA(temporary.c_str(), nullptr));
  TLogManager manager;
  TLogStageRecorder events;
  events.Retries = 1;
  events.OnFailure = [&] { RemoveDirectoryA(temporary.c_str()); };
  const TLogSaveResult result = manager.SaveReportToLog(place.Options, NumberedReport(2), events);
  EXPECT_TRUE(result.Saved);
  EXPECT_FALSE(result.LastFailure);
  ASSERT_EQ(events.Calls.size(), 3u);
  EXPECT_EQ(events.Calls.back(), "after: saved");
  EXPECT_EQ(place.StoredIds(), (std::vector<std::string>{"0001", "0002"}));
}

TEST(TLogFailure, WarningText_NamesTheLogStage) {
  EXPECT_EQ(TLogFailure{"Disk full."}.WarningText(), "[Log] Disk full.");
  EXPECT_EQ(TLogFailure{}.WarningText(), "General 'Log' error.");
}

TEST(CheckDuplicate, RepeatedError_IsCountedInTheStoredReport) {
  struct Case {
    const char* name;
    bool countShown;
  } cases[] = {{"count shown", true}, {"count hidden", false}};
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    TLogPlace place;
    place.Options.SetLogFlags(place.Options.LogFlags() | LogSkipDuplicates);
    TSampleReport repeated;
    repeated.Id = "BEEF";
    repeated.CountShown = row.countShown;
    WriteFileBytes(place.Log, StoredFile({NumberedReport(1), SampleReport(repeated)}));
    TLogManager manager;

    EXPECT_FALSE(manager.CheckDuplicate(place.Options, "BEEF", true));
    EXPECT_TRUE(manager.Duplicate());
    EXPECT_EQ(manager.CurrentLog(), nullptr) << "the log is closed again";
    TLogStageRecorder events;
    EXPECT_TRUE(manager.SaveReportToLog(place.Options, SampleReport(repeated), events).Saved);

    TLogFile log(place.Log, true);
    ASSERT_EQ(log.ReportCount(), 2) << "a duplicate adds no report";
    EXPECT_EQ(log.ItemValue("2.8", 1), "2");
    EXPECT_EQ(log.ItemValue("2.8", 0), "1");
    EXPECT_EQ(log.ItemValue("2.9", 1), "New");
    EXPECT_EQ(log.ItemValue("2.6", 1), repeated.Message);
    TSampleReport counted = repeated;
    counted.Count = "2";
    std::string expected = SampleReport(counted);
    if (!row.countShown) {
      const std::size_t note = expected.find("  2.10 Note");
      expected.insert(expected.find("\r\n", note) + 2, "  2.8 Count  : 2\r\n");
    }
    EXPECT_NE(log.Reports()[1].find(expected), std::string::npos) << "only item 2.8 changed:\n"
                                                                  << log.Reports()[1];

    EXPECT_FALSE(manager.CheckDuplicate(place.Options, "BEEF", true));
    EXPECT_EQ(TLogFile(place.Log, true).ItemValue("2.8", 1), "3");
  }
}

TEST(CheckDuplicate, NewIdentifierOrFlagClear_IsNoDuplicate) {
  TLogPlace place;
  const std::string bytes = StoredFile({NumberedReport(1)});
  WriteFileBytes(place.Log, bytes);
  TLogManager manager;
  place.Options.SetLogFlags(LogSkipDuplicates);
  EXPECT_FALSE(manager.CheckDuplicate(place.Options, "0002", true));
  EXPECT_FALSE(manager.Duplicate());
  place.Options.SetLogFlags(0);
  EXPECT_FALSE(manager.CheckDuplicate(place.Options, "0001", true));
  EXPECT_FALSE(manager.Duplicate());
  EXPECT_EQ(ReadFileBytes(place.Log), bytes);
}

TEST(CheckLogVersion, ChangedVersion_StartsANewLogWithTheNewReport) {
  TLogPlace place;
  place.Options.SetLogFlags(LogVersionCheck | LogSkipDuplicates);
  TSampleReport old;
  old.Version = "1.0.0.0";
  WriteFileBytes(place.Log, StoredFile({NumberedReport(7), SampleReport(old)}));
  TLogManager manager;

  EXPECT_FALSE(manager.CheckLogVersion(place.Options, "1.0.0.0"));
  EXPECT_TRUE(FileExists(place.Log)) << "the same version keeps the log";

  // The new report repeats a stored one, whose count goes with the old log.
  EXPECT_FALSE(manager.CheckDuplicate(place.Options, old.Id, true));
  ASSERT_TRUE(manager.Duplicate());
  EXPECT_FALSE(manager.CheckLogVersion(place.Options, "1.0.0.1"));
  EXPECT_FALSE(FileExists(place.Log));
  EXPECT_FALSE(manager.Duplicate());

  TSampleReport current;
  current.Version = "1.0.0.1";
  TLogStageRecorder events;
  EXPECT_TRUE(manager.SaveReportToLog(place.Options, SampleReport(current), events).Saved);
  EXPECT_EQ(ReadFileBytes(place.Log), StoredFile({SampleReport(current)}));
}

TEST(CheckLogVersion, FlagClearOrEmptyLog_KeepsTheLog) {
  TLogPlace place;
  WriteFileBytes(place.Log, StoredFile({NumberedReport(1)}));
  TLogManager manager;
  EXPECT_FALSE(manager.CheckLogVersion(place.Options, "2.0"));
  EXPECT_TRUE(FileExists(place.Log));
  place.Options.SetLogFlags(LogVersionCheck);
  WriteFileBytes(place.Log, "");
  EXPECT_FALSE(manager.CheckLogVersion(place.Options, "2.0"));
  EXPECT_TRUE(FileExists(place.Log));
}

TEST(SaveReportToLog, UnwritableLogFolder_FallsBackToTheEngineFolder) {
  struct Case {
    const char* name;
    // Makes `folder` unwritable; false when this system cannot.
    std::function<bool(const std::string& folder)> block;
  } cases[] = {
      {"a read-only folder",
       [](const std::string& folder) {
         CreateDirectoryA(folder.c_str(), nullptr);
         SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY);
         // Windows ignores the attribute on folders and Wine maps it to the
         // permission bits, which a root user passes: ask the system.
         const std::string probe = folder + "\\probe";
         const HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_FLAG_DELETE_ON_CLOSE, nullptr);
         if (file == INVALID_HANDLE_VALUE) return true;
         CloseHandle(file);
         SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
         return false;
       }},
      {"a file where the folder should be",
       [](const std::string& folder) {
         WriteFileBytes(folder, "not a folder");
         return true;
       }},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    TLogPlace place;
    const std::string folder = place.Folder.Path() + "logs";
    if (!row.block(folder)) {
      std::printf("[ SKIPPED ROW ] %s: files can still be created there on this system\n",
                  row.name);
      continue;
    }
    const std::string name = "Fallback" + std::to_string(GetCurrentProcessId()) + ".elf";
    place.Options.SetLogFolder(folder + "\\" + name);
    const std::string fallback = EngineFolderLog(name);
    DeleteFileA(fallback.c_str());
    TLogManager manager;
    TLogStageRecorder events;
    const TLogSaveResult result = manager.SaveReportToLog(place.Options, NumberedReport(1), events);
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(result.Saved);
    EXPECT_EQ(ReadFileBytes(fallback), StoredFile({NumberedReport(1)}));
    DeleteFileA(fallback.c_str());
  }
}
