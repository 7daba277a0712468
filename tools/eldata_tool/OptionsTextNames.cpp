// Names of the option record's flag bits and enumerated values, as the option
// record defines them.
#include "tools/eldata_tool/OptionsTextNames.h"

#include <map>
#include <string>

#include "engine/ECoreOptionFlags.h"

namespace {

#define NAMED(flag) \
  { flag, #flag }

const std::map<std::string, std::vector<TValueName>, std::less<>> kFlagNames = {
    {"LogFlags",
     {NAMED(LogSkipDuplicates), NAMED(LogAddReproduceText), NAMED(LogVersionCheck),
      NAMED(LogNameWithComputer), NAMED(LogModulesAndProcesses), NAMED(LogAssemblerAndCpu)}},
    {"SendFlags",
     {NAMED(SendShowProgress), NAMED(SendReportOutcome), NAMED(SendWholeLog), NAMED(SendXmlCopy),
      NAMED(SendScreenshotImage), NAMED(ScreenshotActiveWindowOnly), NAMED(SendLastWebPage),
      NAMED(SendInBackground), NAMED(FileNameWithTimestamp), NAMED(FileNameWithComputer)}},
    {"DialogFlags",
     {NAMED(DlgSendChecked), NAMED(DlgScreenshotChecked), NAMED(DlgOfferClipboardCopy),
      NAMED(DlgShowDetailsButton), NAMED(DlgOpenDetailed), NAMED(DlgTopMost), NAMED(DlgOwnLook),
      NAMED(DlgOfferSending), NAMED(DlgOfferScreenshot), NAMED(DlgShowHelpButton)}},
    {"StackFlags",
     {NAMED(StackShowRoutineOnly), NAMED(StackShowUnitOnly), NAMED(StackOwnThreads),
      NAMED(StackForeignThreads), NAMED(StackNoRoutineNames)}},
    {"BehaviourFlags",
     {NAMED(PauseOwnThreads), NAMED(KeepMainThreadRunning), NAMED(PauseForeignThreads),
      NAMED(UseMainModuleOptions), NAMED(ClipboardOnSendFailure), NAMED(KeepPackageOnSendFailure),
      NAMED(HandleSafecallExceptions), NAMED(ChainToDefaultHandler),
      NAMED(ReportCaughtExceptions)}},
};

#undef NAMED

const std::vector<TValueName> kEndingActions = {{0, "nothing"}, {1, "terminate"}, {2, "restart"}};

const std::map<std::string, std::vector<TValueName>, std::less<>> kValueMeanings = {
    {"FirstTab",
     {{0, "general"},
      {1, "call stack"},
      {2, "modules"},
      {3, "processes"},
      {4, "assembler"},
      {5, "CPU"}}},
    {"TerminateAction", kEndingActions},
    {"CrashBurstAction", kEndingActions},
    {"FilterAfterAction", kEndingActions},
    {"MailDelivery",
     {{0, "none"},
      {1, "the user's mail client"},
      {2, "SMTP through SmtpServer"},
      {3, "SMTP to the recipient's mail exchanger"}}},
    {"WebDelivery",
     {{0, "none"},
      {1, "HTTP"},
      {2, "HTTPS"},
      {3, "FTP"},
      {4, "Bugzilla"},
      {5, "FogBugz"},
      {6, "Mantis"}}},
    {"DialogKind",
     {{0, "no dialog"}, {1, "message box"}, {2, "classic dialog"}, {3, "detailed dialog"}}},
    {"FilterScope",
     {{0, "any exception"},
      {1, "only exceptions the program catches"},
      {2, "only exceptions nothing catches"}}},
    {"FilterDialog",
     {{0, "no dialog"},
      {1, "the module's DialogKind"},
      {2, "message box"},
      {3, "classic dialog"},
      {4, "detailed dialog"}}},
    {"FilterHandler",
     {{0, "none (swallowed)"}, {1, "the runtime's own handler"}, {2, "the engine"}}},
};

const std::vector<TValueName> kNone;

const std::vector<TValueName>& Lookup(
    const std::map<std::string, std::vector<TValueName>, std::less<>>& table,
    std::string_view field) {
  const auto found = table.find(field);
  return found == table.end() ? kNone : found->second;
}

}  // namespace

const std::vector<TValueName>& FlagNames(std::string_view field) {
  return Lookup(kFlagNames, field);
}

const std::vector<TValueName>& ValueMeanings(std::string_view field) {
  return Lookup(kValueMeanings, field);
}
