// The bits of the option record's flag sets, as masks of the stored integers.
#pragma once

#include <cstdint>

enum TLogFlag : std::uint8_t {
  LogSkipDuplicates = 0x01,
  LogAddReproduceText = 0x02,
  LogVersionCheck = 0x04,
  LogNameWithComputer = 0x08,
  LogModulesAndProcesses = 0x10,
  LogAssemblerAndCpu = 0x20,
};

enum TSendFlag : std::uint16_t {
  SendShowProgress = 0x0001,
  SendReportOutcome = 0x0002,
  SendWholeLog = 0x0004,
  SendXmlCopy = 0x0008,
  SendScreenshotImage = 0x0010,
  ScreenshotActiveWindowOnly = 0x0020,
  SendLastWebPage = 0x0040,
  SendInBackground = 0x0080,
  FileNameWithTimestamp = 0x0100,
  FileNameWithComputer = 0x0200,
};

enum TDialogFlag : std::uint16_t {
  DlgSendChecked = 0x0001,
  DlgScreenshotChecked = 0x0002,
  DlgOfferClipboardCopy = 0x0004,
  DlgShowDetailsButton = 0x0008,
  DlgOpenDetailed = 0x0010,
  DlgTopMost = 0x0020,
  DlgOwnLook = 0x0040,
  DlgOfferSending = 0x0080,
  DlgOfferScreenshot = 0x0100,
  DlgShowHelpButton = 0x0200,
};

enum TStackFlag : std::uint8_t {
  StackShowRoutineOnly = 0x01,
  StackShowUnitOnly = 0x02,
  StackOwnThreads = 0x04,
  StackForeignThreads = 0x08,
  StackNoRoutineNames = 0x10,
};

enum TBehaviourFlag : std::uint16_t {
  PauseOwnThreads = 0x0001,
  KeepMainThreadRunning = 0x0002,
  PauseForeignThreads = 0x0004,
  UseMainModuleOptions = 0x0008,
  ClipboardOnSendFailure = 0x0010,
  KeepPackageOnSendFailure = 0x0020,
  HandleSafecallExceptions = 0x0040,
  ChainToDefaultHandler = 0x0080,
  ReportCaughtExceptions = 0x0100,
};

// GeneralFieldsShown: one bit per general report item (bit k = item k).
inline constexpr int kGeneralFieldCount = 48;
inline constexpr std::uint64_t kAllGeneralFieldsShown =
    (std::uint64_t{1} << kGeneralFieldCount) - 1;
// The item names, "Section|Item", also the field names offered to web trackers.
extern const char* const kGeneralFieldNames[kGeneralFieldCount];
