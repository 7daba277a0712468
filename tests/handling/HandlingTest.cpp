// The handling sequence in real processes: a host program loads a module
// that carries the engine and runs one scenario; the engine's events and
// stages write what they saw into a journal that the test reads back.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "dialogs/EDialogResources.h"
#include "tests/support/ChildProcess.h"
#include "tools/window_capture/DialogWindows.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr unsigned long kAccessViolation = 0xC0000005;
constexpr unsigned long kIntegerDivideByZero = 0xC0000094;
constexpr unsigned long kApplicationCode = 0xE0000001;

struct TScenario {
  unsigned long ExitCode = 0;
  bool TimedOut = false;
  std::vector<std::string> Journal;
  std::string Output;
  std::string Report;  // the report text ExceptionNotify saw, with the engine's own stages

  std::vector<std::string> Lines(const std::string& start) const {
    std::vector<std::string> lines;
    for (const std::string& line : Journal) {
      if (line.rfind(start, 0) == 0) lines.push_back(line);
    }
    return lines;
  }
  bool Has(const std::string& start) const { return !Lines(start).empty(); }
  // The value of "name=" in a journal line (up to the next blank).
  static std::string Field(const std::string& line, const std::string& name) {
    const std::size_t at = line.find(" " + name + "=");
    if (at == std::string::npos) return {};
    const std::size_t from = at + name.size() + 2;
    const std::size_t end = line.find(' ', from);
    return line.substr(from, end == std::string::npos ? std::string::npos : end - from);
  }
};

TScenario RunScenario(const std::string& scenario, const std::string& host = "handling_host.exe",
                      const std::string& module = {}) {
  TempFolder folder;
  const std::string journal = folder.Path() + "journal.txt";
  SetEnvironmentVariableA("VIPC_HANDLING_JOURNAL", journal.c_str());
  SetEnvironmentVariableA("VIPC_HANDLING_RESTARTED", nullptr);
  std::string command = host + " " + scenario;
  if (!module.empty()) command += " " + module;
  const ChildOutcome outcome = RunChild(command, 120000);
  // A restarted process writes on after the first one ended.
  if (scenario == "restart") {
    for (int i = 0; i < 600 && ReadFileBytes(journal).find("restarted in") == std::string::npos;
         ++i) {
      Sleep(100);
    }
  }
  TScenario result;
  result.ExitCode = outcome.exitCode;
  result.TimedOut = outcome.timedOut;
  result.Output = outcome.output;
  result.Report = ReadFileBytes(journal + ".report");
  std::istringstream lines(ReadFileBytes(journal));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    result.Journal.push_back(line);
  }
  SetEnvironmentVariableA("VIPC_HANDLING_JOURNAL", nullptr);
  return result;
}

std::string Dump(const TScenario& scenario) {
  std::string text = "journal:\n";
  for (const std::string& line : scenario.Journal) text += "  " + line + "\n";
  return text + "output:\n" + scenario.Output;
}

std::string MainThread(const TScenario& scenario) {
  const auto lines = scenario.Lines("host: main thread=");
  return lines.empty() ? std::string()
                       : lines.front().substr(std::string("host: main thread=").size());
}

// The value of a report item ("  2.5 Type          : EAccessViolation").
std::string ItemValue(const std::string& text, const std::string& item) {
  const std::size_t at = text.find("\r\n  " + item + " ");
  if (at == std::string::npos) return "(no item " + item + ")";
  const std::size_t from = text.find(": ", at) + 2;
  return text.substr(from, text.find("\r\n", from) - from);
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

}  // namespace

TEST(Handling, HostFaults_HandledOnceInAHandlingThreadThenTheProcessEndsWithTheCode) {
  struct TRow {
    const char* scenario;
    unsigned long code;
    const char* className;
    bool mainThread;
    const char* routine;  // of the host's library, named through its exports
  };
  const TRow rows[] = {
      {"av-main", kAccessViolation, "EAccessViolation", true, "HostWritesNowhere"},
      {"av-thread", kAccessViolation, "EAccessViolation", false, "HostWritesNowhere"},
      {"div-main", kIntegerDivideByZero, "EDivByZero", true, "HostDividesByZero"},
      {"div-thread", kIntegerDivideByZero, "EDivByZero", false, "HostDividesByZero"},
      {"raise-main", kApplicationCode, "EExternalException", true, "HostRaises"},
      {"raise-thread", kApplicationCode, "EExternalException", false, "HostRaises"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.scenario);
    const TScenario run = RunScenario(row.scenario);
    EXPECT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, row.code) << Dump(run);
    const auto notified = run.Lines("ExceptionNotify");
    ASSERT_EQ(notified.size(), 1u) << Dump(run);
    EXPECT_EQ(TScenario::Field(notified[0], "class"), row.className);
    const std::string raise = TScenario::Field(notified[0], "raise");
    EXPECT_EQ(TScenario::Field(notified[0], "thread"), raise) << "events run in the raising thread";
    EXPECT_EQ(raise == MainThread(run), row.mainThread);
    const auto stages = run.Lines("stage thread=");
    ASSERT_FALSE(stages.empty()) << Dump(run);
    EXPECT_NE(stages[0].substr(std::string("stage thread=").size()), raise)
        << "the sequence runs in a handling thread while the faulting thread waits";
    EXPECT_NE(TScenario::Field(notified[0], "stack").find(row.routine), std::string::npos)
        << Dump(run);
  }
}

TEST(Handling, CppRaises_ReportedAtTheRaiseOnlyWhenNothingCatchesThem) {
  const TScenario uncaught = RunScenario("cpp-uncaught");
  EXPECT_EQ(uncaught.ExitCode, 1u) << Dump(uncaught);
  const auto notified = uncaught.Lines("ExceptionNotify");
  ASSERT_EQ(notified.size(), 1u) << Dump(uncaught);
  EXPECT_NE(TScenario::Field(notified[0], "class").find("EProbeError"), std::string::npos);
  EXPECT_NE(TScenario::Field(notified[0], "stack").find("ProbeRaiser"), std::string::npos)
      << "the raising routine is still on the stack: handled before unwinding\n"
      << Dump(uncaught);

  const TScenario caught = RunScenario("cpp-caught");
  EXPECT_EQ(caught.ExitCode, 0u) << Dump(caught);
  EXPECT_FALSE(caught.Has("ExceptionNotify")) << Dump(caught);
  EXPECT_FALSE(caught.Has("HandledExceptionNotify")) << "not asked to report caught ones";

  const TScenario abort = RunScenario("cpp-abort");
  EXPECT_FALSE(abort.Has("ExceptionNotify")) << Dump(abort);

  const TScenario thread = RunScenario("cpp-thread");
  EXPECT_EQ(thread.ExitCode, 0u) << Dump(thread);
  const auto inThread = thread.Lines("ExceptionNotify");
  ASSERT_EQ(inThread.size(), 1u) << Dump(thread);
  EXPECT_NE(TScenario::Field(inThread[0], "raise"), MainThread(thread));
  EXPECT_NE(TScenario::Field(inThread[0], "stack").find("ProbeRaiser"), std::string::npos);
}

TEST(Handling, CaughtExceptions_WhenAskedReportedAtTheCatchWithTheStackOfTheRaise) {
  const TScenario run = RunScenario("cpp-caught-reported");
  EXPECT_EQ(run.ExitCode, 0u) << Dump(run);
  EXPECT_TRUE(run.Has("host: caught=1")) << "the program's catch still runs: " << Dump(run);
  EXPECT_FALSE(run.Has("ExceptionNotify")) << Dump(run);
  const auto handled = run.Lines("HandledExceptionNotify");
  ASSERT_EQ(handled.size(), 1u) << Dump(run);
  EXPECT_EQ(TScenario::Field(handled[0], "class"), "EProbeError");
  EXPECT_EQ(TScenario::Field(handled[0], "message"), "caught");
  const std::string stack = TScenario::Field(handled[0], "stack");
  EXPECT_EQ(stack.rfind("ProbeRaiser", 0), 0u)
      << "the raise's frames, gone by the catch, come from the copy: " << Dump(run);
  EXPECT_NE(stack.find("ProbeThrowCaught"), std::string::npos) << Dump(run);
}

TEST(Handling, ExceptionRaisedInsideAnEventCallback_IsNotReported) {
  const TScenario run = RunScenario("callback-raise");
  EXPECT_EQ(run.ExitCode, 0u) << Dump(run);
  EXPECT_EQ(run.Lines("ExceptionNotify").size(), 1u) << Dump(run);
  EXPECT_TRUE(run.Has("second exception result=false")) << Dump(run);
}

TEST(Handling, Filters_FirstMatchScopeBaseClassAndSwallowing) {
  const TScenario first = RunScenario("filter-first");
  const auto firstNotified = first.Lines("ExceptionNotify");
  ASSERT_EQ(firstNotified.size(), 1u) << Dump(first);
  EXPECT_NE(firstNotified[0].find("shown=the first filter"), std::string::npos) << Dump(first);

  const TScenario scope = RunScenario("filter-scope1");
  const auto scopeNotified = scope.Lines("ExceptionNotify");
  ASSERT_EQ(scopeNotified.size(), 1u) << Dump(scope);
  EXPECT_EQ(scopeNotified[0].find("only caught ones"), std::string::npos)
      << "scope 1 never matches what nothing catches";

  const TScenario base = RunScenario("filter-base");
  const auto baseNotified = base.Lines("ExceptionNotify");
  ASSERT_EQ(baseNotified.size(), 1u) << Dump(base);
  EXPECT_NE(baseNotified[0].find("shown=by its base class"), std::string::npos) << Dump(base);
  EXPECT_NE(baseNotified[0].find("class=EHostDerived"), std::string::npos)
      << "a class of the host, matched by its ancestor's name";

  const TScenario none = RunScenario("filter-none");
  EXPECT_FALSE(none.Has("ExceptionNotify")) << Dump(none);
  EXPECT_FALSE(none.Has("stage")) << "handler none: no stage runs\n" << Dump(none);
}

TEST(Handling, Events_ReachTheProgramsVariablesInTheirOrder) {
  const TScenario run = RunScenario("cpp-thread");
  std::vector<std::string> events;
  for (const std::string& line : run.Journal) {
    if (line.rfind("host:", 0) == 0 || line.rfind("stage thread", 0) == 0) continue;
    events.push_back(line.substr(0, line.find(" thread=")));
  }
  EXPECT_EQ(events, (std::vector<std::string>{
                        "ExceptionNotify", "CustomDataRequest", "stage custom information lines=1",
                        "ExceptionActionNotify action=0", "stage dialog kind=1",
                        "ExceptionActionNotify action=1", "ExceptionActionNotify action=2",
                        "stage log", "ExceptionActionNotify action=3"}))
      << Dump(run);
}

TEST(Handling, ClearedGoOnFlag_SkipsTheStagesAndLetsTheRuntimeHandle) {
  const TScenario run = RunScenario("goon-cleared");
  EXPECT_EQ(run.ExitCode, 0u) << Dump(run);
  EXPECT_TRUE(run.Has("ExceptionNotify"));
  EXPECT_FALSE(run.Has("stage dialog")) << Dump(run);
  EXPECT_FALSE(run.Has("stage log")) << Dump(run);
}

TEST(Handling, RetryFlagOfAFailedLogSave_RepeatsTheSaveOnceMore) {
  const TScenario run = RunScenario("log-retry");
  // The save fails twice; the first failure's retry repeats it once, the
  // second failure's is not set.
  EXPECT_EQ(run.Lines("stage log").size(), 2u) << Dump(run);
  EXPECT_EQ(run.Lines("ExceptionErrorNotify action=3").size(), 2u) << Dump(run);
}

TEST(Handling, ErrorBurst_RequestsTheActionAfterTheLastOne) {
  const TScenario run = RunScenario("burst");
  EXPECT_EQ(run.ExitCode, 1u) << "terminated after the third report\n" << Dump(run);
  EXPECT_EQ(run.Lines("ExceptionNotify").size(), 3u) << Dump(run);
  EXPECT_FALSE(run.Has("host: survived the burst")) << Dump(run);
}

TEST(Handling, RestartRequest_StartsTheProgramAgainWithItsCommandLineAndFolder) {
  const TScenario run = RunScenario("restart");
  EXPECT_EQ(run.ExitCode, 1u) << Dump(run);
  EXPECT_FALSE(run.Has("host: not restarted")) << Dump(run);
  const auto restarted = run.Lines("host: restarted in ");
  ASSERT_EQ(restarted.size(), 1u) << "exactly one restart: the guard holds\n" << Dump(run);
  EXPECT_NE(restarted[0].find("handling_host.exe"), std::string::npos);
  EXPECT_NE(restarted[0].find(" restart"), std::string::npos);
}

TEST(Handling, FrozenMainWindow_ReportedOncePerFreezeAndWatchedOn) {
  const TScenario run = RunScenario("freeze");
  EXPECT_EQ(run.ExitCode, 0u) << Dump(run);
  const auto notified = run.Lines("ExceptionNotify");
  ASSERT_EQ(notified.size(), 2u) << "one report for each of the two freezes\n" << Dump(run);
  for (const std::string& line : notified) {
    EXPECT_NE(line.find("message=The application seems to be frozen."), std::string::npos);
    EXPECT_EQ(TScenario::Field(line, "raise"), MainThread(run));
  }
}

TEST(Handling, FailureThroughAnExportBoundary_IsReportedAndStillReachesTheHost) {
  const TScenario run = RunScenario("boundary");
  EXPECT_EQ(run.ExitCode, 0u) << Dump(run);
  EXPECT_EQ(run.Lines("ExceptionNotify").size(), 1u) << Dump(run);
  EXPECT_TRUE(run.Has("host: boundary raised " + std::to_string(0xE0564950UL))) << Dump(run);
}

TEST(Handling, EngineReport_ReachesTheEventAndTheLogWhichCountsTheSameFaultAgain) {
  TempFolder folder;
  const std::string log = folder.Path() + "host.elf";
  SetEnvironmentVariableA("VIPC_HANDLING_LOG", log.c_str());
  const TScenario first = RunScenario("report");
  const std::string afterFirst = ReadFileBytes(log);
  const TScenario second = RunScenario("report");
  SetEnvironmentVariableA("VIPC_HANDLING_LOG", nullptr);

  EXPECT_EQ(first.ExitCode, kAccessViolation) << Dump(first);
  const std::string& report = first.Report;
  ASSERT_FALSE(report.empty()) << Dump(first);
  EXPECT_EQ(ItemValue(report, "2.5"), "EAccessViolation");
  const std::string address = ItemValue(report, "2.2");
  EXPECT_EQ(ItemValue(report, "2.6"), "Access violation at address " + address +
                                          " in module 'handling_host_code.dll'. Write of "
                                          "address 00000010.");
  EXPECT_TRUE(ItemValue(report, "2.3").starts_with("handling_host_code.dll")) << report;
  const std::string id = ItemValue(report, "2.7");
  EXPECT_EQ(id.size(), 4u) << report;
  // The faulting thread's block first, with the host's routine at the address.
  const std::size_t block = report.find("|*Exception Thread: ID=" + MainThread(first));
  ASSERT_NE(block, std::string::npos) << report;
  const std::size_t row = report.find("|" + address + "|handling_host_code.dll", block);
  ASSERT_NE(row, std::string::npos) << report;
  EXPECT_NE(report.substr(row, report.find("\r\n", row) - row).find("HostWritesNowhere"),
            std::string::npos)
      << report;
  for (const char* section : {"\r\nModules Information:\r\n", "\r\nProcesses Information:\r\n",
                              "\r\nAssembler Information:\r\n", "\r\nRegisters:\r\n"}) {
    EXPECT_NE(report.find(section), std::string::npos) << section;
  }

  // The log holds the report once; the second run of the same fault counts it.
  EXPECT_EQ(Occurrences(afterFirst, "2.7 ID            : " + id), 1u) << afterFirst;
  EXPECT_EQ(ItemValue(afterFirst, "2.8"), "1");
  EXPECT_EQ(ItemValue(second.Report, "2.7"), id) << "the same fault, the same identifier";
  const std::string afterSecond = ReadFileBytes(log);
  EXPECT_EQ(Occurrences(afterSecond, "2.7 ID            : " + id), 1u) << afterSecond;
  EXPECT_EQ(ItemValue(afterSecond, "2.8"), "2") << afterSecond;
}

TEST(Handling, ModuleEvents_ReachAModuleOfAnotherEngineOnlyInsideTheDataVersionWindow) {
  const struct {
    const char* module;
    bool receives;
  } rows[] = {
      {"handling_events_6099.dll", false},
      {"handling_events_6100.dll", true},
      {"handling_events_6200.dll", true},
      {"handling_events_6201.dll", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.module);
    const TScenario run = RunScenario(std::string("module-events:") + row.module);
    EXPECT_EQ(run.ExitCode, kAccessViolation) << Dump(run);
    ASSERT_EQ(run.Lines("ExceptionNotify").size(), 1u) << "the program's variable: " << Dump(run);
    const auto notified = run.Lines("module event ExceptionNotify");
    const auto actions = run.Lines("module event ExceptionActionNotify");
    if (!row.receives) {
      EXPECT_TRUE(notified.empty()) << Dump(run);
      EXPECT_TRUE(actions.empty()) << Dump(run);
      continue;
    }
    ASSERT_EQ(notified.size(), 1u) << Dump(run);
    EXPECT_EQ(TScenario::Field(notified[0], "module"), row.module);
    EXPECT_EQ(TScenario::Field(notified[0], "flag"), "true");
    EXPECT_EQ(TScenario::Field(notified[0], "record"), "yes");
    EXPECT_FALSE(actions.empty()) << Dump(run);
    // The module's export comes before the program's variable.
    const auto at = [&](const std::string& start) {
      return std::find_if(run.Journal.begin(), run.Journal.end(),
                          [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    };
    EXPECT_LT(at("module event ExceptionNotify"), at("ExceptionNotify"));
  }
}

TEST(Handling, MainTakesOver_AHostCarryingTheEngineDecidesAboutTheModulesFailures) {
  const TScenario run = RunScenario("", "handling_main_host.exe");
  EXPECT_EQ(run.ExitCode, 0u) << Dump(run);
  EXPECT_TRUE(run.Has("host: main takes over=1")) << Dump(run);
  const auto reported = run.Lines("main engine ExceptionNotify");
  ASSERT_EQ(reported.size(), 1u) << Dump(run);
  EXPECT_EQ(TScenario::Field(reported[0], "class"), "EProbeError");
  EXPECT_EQ(TScenario::Field(reported[0], "report"), "built");
  EXPECT_FALSE(run.Has("stage thread=")) << "the module's own engine runs no sequence";
  // The module hears of it as the module of the raise, through its export.
  EXPECT_EQ(run.Lines("ExceptionNotify").size(), 1u) << Dump(run);
  EXPECT_TRUE(run.Has("host: boundary raised")) << "the failure still leaves the export";
}

namespace {

// A scenario whose classic dialog the test reads and answers from here.
struct TDialogScenario {
  TScenario run;
  bool shown = false;
  SeenDialog seen;
  std::string logWhileShown;  // the log file while the dialog was up
  std::string log;            // and at the end
};

TDialogScenario RunDialogScenario(const std::string& scenario,
                                  const std::function<void(HWND window, DWORD process)>& answer) {
  TempFolder folder;
  const std::string journal = folder.Path() + "journal.txt";
  const std::string log = folder.Path() + "host.elf";
  SetEnvironmentVariableA("VIPC_HANDLING_JOURNAL", journal.c_str());
  SetEnvironmentVariableA("VIPC_HANDLING_LOG", log.c_str());
  SetEnvironmentVariableA("VIPC_HANDLING_RESTARTED", nullptr);
  TDialogScenario result;
  RunningChild child("handling_host.exe " + scenario);
  if (HWND window = WaitForDialog(child.ProcessId(), "Error occurred", 180000)) {
    result.shown = true;
    Sleep(300);
    result.seen = ReadDialog(window);
    result.logWhileShown = ReadFileBytes(log);
    answer(window, child.ProcessId());
  }
  const ChildOutcome outcome = child.Finish(180000);
  if (scenario == "dialog-restart") {  // the restarted process writes on
    for (int i = 0; i < 600 && ReadFileBytes(journal).find("restarted with") == std::string::npos;
         ++i) {
      Sleep(100);
    }
  }
  result.run.ExitCode = outcome.exitCode;
  result.run.TimedOut = outcome.timedOut;
  result.run.Output = outcome.output;
  std::istringstream lines(ReadFileBytes(journal));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    result.run.Journal.push_back(line);
  }
  result.log = ReadFileBytes(log);
  SetEnvironmentVariableA("VIPC_HANDLING_JOURNAL", nullptr);
  SetEnvironmentVariableA("VIPC_HANDLING_LOG", nullptr);
  return result;
}

// The journal's dialog and log events in their order.
std::vector<std::string> Actions(const TScenario& run) {
  std::vector<std::string> actions;
  for (const std::string& line : run.Journal) {
    if (line.rfind("ExceptionActionNotify", 0) == 0)
      actions.push_back(line.substr(0, line.find(" thread=")));
  }
  return actions;
}

}  // namespace

TEST(Handling, ClassicDialog_AFaultInTheHostShowsItThenTheReportIsLoggedThenTheProcessEnds) {
  const TDialogScenario run = RunDialogScenario("dialog-fault", [](HWND window, DWORD) {
    TypeInto(GetDlgItem(window, IDC_CLASSIC_REPRODUCE), "clicked save twice");
    // The box may offer an address of an earlier run: typed over.
    HWND email = GetDlgItem(window, IDC_CLASSIC_EMAIL);
    PostMessageA(email, EM_SETSEL, 0, -1);
    TypeInto(email, "tester@example.com");
    ClickButton(window, IDC_CLASSIC_DONT_SEND);
  });
  ASSERT_TRUE(run.shown) << Dump(run.run);
  EXPECT_EQ(run.seen.caption, "Error occurred");
  const SeenControl* message = run.seen.Control(IDC_CLASSIC_MESSAGE);
  ASSERT_NE(message, nullptr);
  EXPECT_TRUE(message->text.starts_with("Access violation at address ")) << message->text;
  EXPECT_TRUE(run.seen.Control(IDC_CLASSIC_SEND)->visible) << "sending is offered";
  EXPECT_EQ(run.logWhileShown.find("EAccessViolation"), std::string::npos)
      << "the report is logged after the dialog";

  EXPECT_EQ(run.run.ExitCode, kAccessViolation) << "the last-chance filter ends the process\n"
                                                << Dump(run.run);
  EXPECT_EQ(Actions(run.run),
            (std::vector<std::string>{
                "ExceptionActionNotify action=0", "ExceptionActionNotify action=1",
                "ExceptionActionNotify action=2", "ExceptionActionNotify action=3"}))
      << Dump(run.run);
  EXPECT_EQ(ItemValue(run.log, "2.5"), "EAccessViolation") << run.log;
  EXPECT_TRUE(message->text.starts_with("Access violation at address " + ItemValue(run.log, "2.2")))
      << "the logged report is this exception's";
  EXPECT_EQ(ItemValue(run.log, "3.3"), "tester@example.com") << "the typed address";
  const std::size_t request = run.log.find("\r\nRequest:\r\n");
  ASSERT_NE(request, std::string::npos) << run.log;
  const std::size_t note = run.log.find("clicked save twice");
  EXPECT_NE(note, std::string::npos);
  EXPECT_LT(request, note);
  EXPECT_LT(note, run.log.find("\r\n\r\n", request)) << "the note is the section's item";
}

TEST(Handling, ClassicDialog_TheConfiguredEnds) {
  struct TRow {
    const char* scenario;
    bool checkTheBox;
    unsigned long exitCode;
    const char* journalLine;  // what the host wrote after the dialog, if anything
  };
  const TRow rows[] = {
      {"dialog-continue", false, 0, "host: continued"},
      {"dialog-terminate", true, 1, nullptr},
      {"dialog-restart", true, 1, "host: restarted with"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.scenario);
    const TDialogScenario run = RunDialogScenario(row.scenario, [&](HWND window, DWORD) {
      if (row.checkTheBox) ClickButton(window, IDC_CLASSIC_TERMINATE);
      ClickButton(window, IDC_CLASSIC_DONT_SEND);
    });
    ASSERT_TRUE(run.shown) << Dump(run.run);
    const SeenControl* box = run.seen.Control(IDC_CLASSIC_TERMINATE);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->visible, row.checkTheBox);
    EXPECT_EQ(run.run.ExitCode, row.exitCode) << Dump(run.run);
    if (row.journalLine) {
      EXPECT_TRUE(run.run.Has(row.journalLine)) << Dump(run.run);
    }
    std::vector<std::string> actions = {
        "ExceptionActionNotify action=0", "ExceptionActionNotify action=1",
        "ExceptionActionNotify action=2", "ExceptionActionNotify action=3"};
    // The terminate button's event confirms the request, inside the dialog.
    if (row.checkTheBox) actions.insert(actions.begin() + 1, "ExceptionActionNotify action=8");
    EXPECT_EQ(Actions(run.run), actions) << "the dialog, then the log\n" << Dump(run.run);
    EXPECT_NE(run.log.find("2.7 ID"), std::string::npos) << "the report is in the log";
  }
}

TEST(Handling, ReproduceRequest_AfterTheDetailedKindItsTextIsTheReportsRequestSection) {
  // The detailed dialog is not built: the message box stands in for it, and
  // the steps-to-reproduce request follows.
  SeenDialog request;
  const TDialogScenario run = RunDialogScenario("dialog-request", [&](HWND box, DWORD process) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    HWND window = WaitForDialog(process, "Request", 120000);
    ASSERT_NE(window, nullptr);
    Sleep(300);
    request = ReadDialog(window);
    TypeInto(GetDlgItem(window, IDC_REQUEST_EDIT), "opened the file, pressed print");
    ClickButton(window, IDC_REQUEST_OK);
  });
  ASSERT_TRUE(run.shown) << Dump(run.run);
  EXPECT_EQ(run.run.ExitCode, kAccessViolation) << Dump(run.run);
  ASSERT_NE(request.Control(IDC_REQUEST_LABEL), nullptr) << Dump(run.run);
  EXPECT_EQ(request.Control(IDC_REQUEST_LABEL)->text,
            "Please describe the steps to reproduce the error:");
  const std::size_t section = run.log.find("\r\nRequest:\r\n");
  ASSERT_NE(section, std::string::npos) << run.log;
  const std::size_t note = run.log.find("opened the file, pressed print");
  EXPECT_GT(note, section);
  EXPECT_LT(note, run.log.find("\r\n\r\n", section)) << "the note is the section's item";
}
