// The mail step through the user's mail program in a real host process: the
// stand-in mail client library registered for the current user (ahead of
// Wine's machine-wide client) and the stand-in "mailto" program registered
// in HKEY_CLASSES_ROOT, each journalling what the engine module handed it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "delivery/EMailClientMailto.h"
#include "tests/deliveryrun/DeliveryScenario.h"
#include "tests/mailclient/MailClientStandins.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr char kStandinLibrary[] = "mailclient_standin_mapi.dll";
const std::string kSent = "The message was sent successfully.";
const std::string kMailBody = "The report is attached.";
const std::string kSeparator = "\r\n\r\n\r\n";

// The log file the run left in its folder, or empty.
std::string LogFileIn(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "*.elf").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  FindClose(search);
  return folder + found.cFileName;
}

bool AnyZipIn(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "*.zip").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

std::vector<std::string> ErrorTexts(const TScenarioRun& run) {
  std::vector<std::string> texts;
  for (const TSeenWindow* box : run.Captioned("Error."))
    texts.push_back(box->Texts.empty() ? "" : box->Texts[0]);
  return texts;
}

// The debugger output of the processes that print while no debugger is
// attached: the system's shared buffer, read in a thread of its own.
class TDebugOutput {
 public:
  TDebugOutput()
      : bufferReady_(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY")),
        dataReady_(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY")),
        mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                    "DBWIN_BUFFER")),
        view_(mapping_ ? MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 4096) : nullptr) {
    if (bufferReady_ && dataReady_ && view_) thread_ = std::thread([this] { Read(); });
  }
  ~TDebugOutput() { Stop(0); }
  TDebugOutput(const TDebugOutput&) = delete;
  TDebugOutput& operator=(const TDebugOutput&) = delete;

  // The texts `processId` printed.
  std::vector<std::string> Stop(DWORD processId) {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (view_) UnmapViewOfFile(view_);
    view_ = nullptr;
    for (HANDLE handle : {mapping_, dataReady_, bufferReady_})
      if (handle) CloseHandle(handle);
    mapping_ = dataReady_ = bufferReady_ = nullptr;
    std::vector<std::string> texts;
    for (const auto& [process, text] : printed_)
      if (process == processId) texts.push_back(text);
    return texts;
  }

 private:
  void Read() {
    const auto* buffer = static_cast<const char*>(view_);
    while (!stopping_) {
      SetEvent(bufferReady_);
      if (WaitForSingleObject(dataReady_, 100) != WAIT_OBJECT_0) continue;
      DWORD process = 0;
      std::memcpy(&process, buffer, sizeof process);
      std::string text(buffer + sizeof process, strnlen(buffer + sizeof process, 4096 - 4));
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      printed_.emplace_back(process, text);
    }
  }

  HANDLE bufferReady_, dataReady_, mapping_;
  void* view_;
  std::atomic<bool> stopping_{false};
  std::vector<std::pair<DWORD, std::string>> printed_;
  std::thread thread_;
};

struct TClientCase {
  const char* mapiMode;
  bool reportInBody;
  std::vector<std::string> warnings;
  bool mailtoStarted;
  bool announcedSent;
};

TEST(DeliveryRun, MailClient_TheClientsAnswerDecidesFallbackWarningAndOutcome) {
  const std::vector<TClientCase> cases = {
      {"send", false, {}, false, true},
      {"fail", true, {"Cannot send the MAPI message."}, true, true},
      {"abort", false, {}, false, false},
  };
  for (const TClientCase& row : cases) {
    SCOPED_TRACE(row.mapiMode);
    const StandinSession session(row.mapiMode, "record");
    const auto client = RegisteredMailClient::Standin(kStandinLibrary);
    const RegisteredMailtoCommand mailto;
    // MAPI warnings get no box: the host's debugger output carries them.
    TDebugOutput debugOutput;
    TScenario scenario;
    scenario.Name = std::string("mail_client_") + row.mapiMode;
    scenario.Options = std::string("MailDelivery = 1\n") +
                       "MailRecipients = \"developer@example.com; support@example.com\"\n"
                       "SendFlags = SendReportOutcome\n"
                       "BehaviourFlags = KeepPackageOnSendFailure\n" +
                       (row.reportInBody ? "ReportInMessageBody = true\n" : "");
    const TScenarioRun run = RunScenario(scenario);
    const std::string dump = run.Dump();
    EXPECT_EQ(run.ExitCode, 0u) << dump;

    const TJournalLines mapi = session.MapiJournal();
    EXPECT_EQ(JournalValues(mapi, "send.session").size(), 1u) << dump;
    EXPECT_EQ(JournalValue(mapi, "subject"), "A delivery test");
    EXPECT_EQ(JournalValues(mapi, "recipient"),
              (std::vector<std::string>{"1|developer@example.com|SMTP:developer@example.com",
                                        "1|support@example.com|SMTP:support@example.com"}));
    EXPECT_EQ(ErrorTexts(run), std::vector<std::string>{}) << dump;
    const std::vector<std::string> printed = debugOutput.Stop(run.HostProcessId);
    std::vector<std::string> warnings;
    for (const std::string& line : printed) {
      const std::string start = "[WARNING] - Code: eeEmailMAPIError - Address: ";
      const std::size_t message = line.find(" - Message: \"");
      if (line.rfind(start, 0) == 0 && message != std::string::npos && line.back() == '"')
        warnings.push_back(line.substr(message + 13, line.size() - message - 14));
    }
    EXPECT_EQ(warnings, row.warnings) << dump;
    const auto boxes = run.Captioned("Information.");
    ASSERT_EQ(boxes.size(), row.announcedSent ? 1u : 0u) << dump;
    if (row.announcedSent) {
      EXPECT_NE(std::find(boxes[0]->Texts.begin(), boxes[0]->Texts.end(), kSent),
                boxes[0]->Texts.end())
          << dump;
    }
    EXPECT_FALSE(AnyZipIn(run.Folder)) << "nothing is kept\n" << dump;

    const TJournalLines shell = session.MailtoJournal();
    EXPECT_EQ(!shell.empty(), row.mailtoStarted) << dump;

    if (std::string(row.mapiMode) == "send") {
      EXPECT_EQ(JournalValue(mapi, "body"), kMailBody);
      // The package alone, under its shown name: the client only gets the
      // files that exist when the mail is handed over.
      const std::vector<std::string> files = JournalValues(mapi, "file");
      ASSERT_EQ(files.size(), 1u) << dump;
      const std::string file = files[0];
      EXPECT_EQ(file.rfind("4294967295|", 0), 0u) << file;
      EXPECT_NE(file.find("\\BugReport.zip|BugReport.zip"), std::string::npos) << file;
    }
    if (std::string(row.mapiMode) == "fail") {
      // The client had the report in the body: the "mailto" address starts
      // with the same text and, cut to fit, names the log file that stays.
      const std::string body = JournalValue(mapi, "body");
      ASSERT_EQ(body.rfind(kMailBody + kSeparator, 0), 0u) << body;
      const std::string command = JournalValue(shell, "command");
      const std::string address =
          "\"mailto:developer%40example%2Ecom,support%40example%2Ecom"
          "?Subject=A%20delivery%20test&Body=" +
          MailtoEncode(body.substr(0, kMailBody.size() + kSeparator.size() + 200));
      EXPECT_NE(command.find(address), std::string::npos) << command;
      const std::string log = LogFileIn(run.Folder);
      ASSERT_FALSE(log.empty()) << dump;
      EXPECT_NE(command.find(MailtoEncode("\r\n[...] The whole report is in " + log + ".") + "\""),
                std::string::npos)
          << command;
    }
  }
}

}  // namespace
