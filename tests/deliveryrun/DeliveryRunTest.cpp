// The delivery of a handled fault's report in a real host process under the
// virtual display, against real SMTP and HTTP peers on loopback: what
// arrived, the send progress window as it showed, the outcome and warning
// boxes, the events' threads, the clipboard and the files left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "report/EBase64.h"
#include "tests/deliveryrun/DeliveryScenario.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr unsigned long kAccessViolation = 0xC0000005;
const std::string kSent = "The message was sent successfully.";
const std::string kNotSent = "Sorry, sending the message didn't work.";

std::string SmtpAt(const char* portVariable) {
  return "SmtpServerPort = " + PeerPort(portVariable) + "\n";
}
std::string Recipients(const std::string& address) {
  return "MailRecipients = \"" + address + "\"\n";
}
std::string UploadTo(const std::string& path) {
  return "WebAddress = \"http://127.0.0.1:" + PeerPort("VIPC_HTTP_PORT") + "/" + path + "/\"\n";
}

RECT WorkArea() {
  RECT area{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

// The bytes of the part named `fileName` of a multipart text: base64 in a
// mail, raw in an upload.
std::string PartBytes(const std::string& message, const std::string& fileName, bool base64) {
  const std::size_t name = message.find("filename=\"" + fileName + "\"");
  if (name == std::string::npos) return {};
  const std::size_t start = message.find("\r\n\r\n", name);
  if (start == std::string::npos) return {};
  const std::size_t end = message.find("\r\n--", start + 4);
  std::string body = message.substr(start + 4, end - start - 4);
  if (!base64) return body;
  std::erase_if(body, [](char c) { return c == '\r' || c == '\n'; });
  return Base64Decode(body);
}

// The host's own temporary folders ("ZuderaDod_<process id>...").
bool TemporaryFoldersLeft(unsigned long processId) {
  char temporary[MAX_PATH] = {};
  GetTempPathA(sizeof temporary, temporary);
  char pattern[MAX_PATH + 32];
  wsprintfA(pattern, "%sZuderaDod_%08X*", temporary, static_cast<unsigned>(processId));
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

std::set<std::string> ZipsIn(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "*.zip").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.insert(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// A status line of the send window: one of the progress texts 112 to 122,
// after "Message N/M: " while the mail sender counts its messages.
bool IsProgressText(std::string text) {
  static const std::set<std::string> texts = {
      "Resolving DNS...",       "Login...",           "Connecting with server...",
      "Connected with server.", "Sending message...", "Message sent.",
      "Select project...",      "Searching...",       "Modifying...",
      "Disconnecting...",       "Disconnected."};
  if (text.rfind("Message ", 0) == 0) {
    const std::size_t colon = text.find(": ");
    if (colon == std::string::npos) return false;
    text = text.substr(colon + 2);
  }
  return texts.count(text) == 1;
}

bool HasText(const TSeenWindow& window, const std::string& text) {
  return std::find(window.Texts.begin(), window.Texts.end(), text) != window.Texts.end();
}

std::string JournalThread(const TScenarioRun& run, const std::string& start) {
  for (const std::string& line : run.Journal) {
    if (line.rfind(start, 0) == 0) return line.substr(line.find("thread=") + 7);
  }
  return "(none)";
}

bool Journaled(const TScenarioRun& run, const std::string& line) {
  return std::find(run.Journal.begin(), run.Journal.end(), line) != run.Journal.end() ||
         std::any_of(run.Journal.begin(), run.Journal.end(),
                     [&](const std::string& l) { return l.rfind(line + " ", 0) == 0; });
}

// The run's one outcome box ("Information."), showing `text`.
void ExpectOutcomeBox(const TScenarioRun& run, const std::string& text) {
  const auto boxes = run.Captioned("Information.");
  ASSERT_EQ(boxes.size(), 1u) << run.Dump();
  EXPECT_TRUE(HasText(*boxes[0], text)) << run.Dump();
}

}  // namespace

TEST(DeliveryRun, ForegroundMailAndWeb_OnePackageTravelsBothWaysAndSuccessIsAnnounced) {
  TScenario scenario;
  scenario.Name = "foreground";
  scenario.HostMode = "fault";
  scenario.HoldReplies = true;
  scenario.Options = "MailDelivery = 2\nWebDelivery = 1\n" + SmtpAt("VIPC_SMTP_PORT") +
                     Recipients("developer@example.com") + UploadTo("upload") +
                     "SendFlags = SendShowProgress | SendReportOutcome | SendScreenshotImage\n"
                     "BehaviourFlags = ClipboardOnSendFailure\n";
  const TScenarioRun run = RunScenario(scenario);
  const std::string dump = run.Dump();
  EXPECT_EQ(run.ExitCode, kAccessViolation) << dump;

  const std::vector<std::string> mails = PeerEntries("smtp", "message");
  const std::vector<std::string> uploads = PeerEntries("http", "upload");
  ASSERT_EQ(mails.size(), 1u) << dump;
  ASSERT_EQ(uploads.size(), 1u) << dump;
  EXPECT_NE(mails[0].find("<engine@example.com>"), std::string::npos) << mails[0];
  EXPECT_NE(mails[0].find("Subject: A delivery test"), std::string::npos) << mails[0];
  const std::string mailed = PartBytes(mails[0], "BugReport.zip", true);
  const std::string uploaded = PartBytes(uploads[0], "BugReport.zip", false);
  ASSERT_EQ(mailed.substr(0, 4), std::string("PK\x03\x04", 4)) << mails[0].substr(0, 2000);
  // Packed once for the mail: the upload carries the very same package.
  EXPECT_EQ(mailed, uploaded);

  // The send window of each step, centred in the work area, read live while
  // the peer held its reply.
  const auto sendWindows = run.Captioned("Send.");
  ASSERT_GE(sendWindows.size(), 1u) << dump;
  const RECT area = WorkArea();
  const RECT r = sendWindows[0]->Rect;
  EXPECT_EQ(r.left, area.left + (area.right - area.left - (r.right - r.left)) / 2) << dump;
  EXPECT_EQ(r.top, area.top + (area.bottom - area.top - (r.bottom - r.top)) / 2) << dump;
  EXPECT_EQ(sendWindows[0]->BarLow, 0);
  EXPECT_EQ(sendWindows[0]->BarHigh, 100);
  EXPECT_FALSE(run.ProgressTexts.empty()) << dump;
  for (const std::string& text : run.ProgressTexts) EXPECT_TRUE(IsProgressText(text)) << dump;

  ExpectOutcomeBox(run, kSent);
  EXPECT_TRUE(run.Captioned("Error.").empty()) << dump;
  // The events ran in the thread that raised the fault.
  const std::string raising = JournalThread(run, "raising");
  for (const char* action : {"action 4", "action 5", "action 6", "action 7"}) {
    EXPECT_EQ(JournalThread(run, action), raising) << action << "\n" << dump;
  }
  EXPECT_TRUE(run.Clipboard.empty()) << "a delivery that worked leaves the clipboard alone";
  EXPECT_TRUE(ZipsIn(run.Folder).empty()) << "no package is kept after success";
  EXPECT_FALSE(TemporaryFoldersLeft(run.HostProcessId));
}

TEST(DeliveryRun, Background_TheSenderRunsTheEventsAndItsWindowSitsBottomRight) {
  TScenario scenario;
  scenario.Name = "background";
  scenario.HoldReplies = true;
  scenario.Options = "MailDelivery = 0\nWebDelivery = 1\n" + UploadTo("upload") +
                     "SendFlags = SendShowProgress | SendReportOutcome | SendInBackground\n";
  const TScenarioRun run = RunScenario(scenario);
  const std::string dump = run.Dump();
  EXPECT_EQ(run.ExitCode, 0u) << dump;
  ASSERT_EQ(PeerEntries("http", "upload").size(), 1u) << dump;
  // The handling returned before the delivery began; the sender's events did
  // not wait for the raising thread (which no longer serves them).
  const auto handedOver = std::find(run.Journal.begin(), run.Journal.end(), "handed over");
  const auto before = std::find_if(run.Journal.begin(), run.Journal.end(),
                                   [](const auto& l) { return l.rfind("action 6", 0) == 0; });
  EXPECT_LT(handedOver, before) << dump;
  EXPECT_NE(JournalThread(run, "action 6"), JournalThread(run, "raising")) << dump;
  EXPECT_EQ(JournalThread(run, "action 6"), JournalThread(run, "action 7")) << dump;
  EXPECT_EQ(run.Journal.back(), "delivery over") << dump;

  const auto sendWindows = run.Captioned("Send.");
  ASSERT_EQ(sendWindows.size(), 1u) << dump;
  const RECT area = WorkArea();
  EXPECT_EQ(sendWindows[0]->Rect.right, area.right) << dump;
  EXPECT_EQ(sendWindows[0]->Rect.bottom, area.bottom) << dump;
  ExpectOutcomeBox(run, kSent);
  EXPECT_FALSE(TemporaryFoldersLeft(run.HostProcessId));
}

struct TFailureCase {
  const char* name;
  std::string options;
  std::string warningStart;
  bool holdForever = false;  // the peer never answers the message
};

std::string MantisAt(const char* portVariable) {
  return "WebDelivery = 6\nWebAddress = \"http://127.0.0.1/tracker\"\nWebServerPort = " +
         PeerPort(portVariable) +
         "\nTrackerLogin = \"reporter\"\nTrackerAuthPassword = \"secret\"\n"
         "TrackerProjectName = \"Brisole\"\nTrackerCategoryName = \"Installer\"\n";
}

TEST(DeliveryRun, FailedDelivery_WarnsKeepsTheReportAndThePackageAndLeavesNoTemporaryFile) {
  const std::string flags =
      "SendFlags = SendShowProgress | SendReportOutcome\n"
      "BehaviourFlags = ClipboardOnSendFailure | KeepPackageOnSendFailure\n";
  const std::vector<TFailureCase> cases = {
      {"server_down",
       "MailDelivery = 2\n" + SmtpAt("VIPC_DOWN_PORT") + Recipients("developer@example.com"),
       "[SMTP]"},
      {"recipient_refused",
       "MailDelivery = 2\n" + SmtpAt("VIPC_SMTP_PORT") + Recipients("refused@example.com"),
       "[SMTP]"},
      {"upload_refused", "WebDelivery = 1\n" + UploadTo("refuse"), "HTTP error code: 500"},
      {"tracker_refusing", MantisAt("VIPC_MANTIS_REFUSING_PORT"), "Invalid login request."},
      {"server_silent",
       "MailDelivery = 2\n" + SmtpAt("VIPC_SMTP_PORT") + Recipients("developer@example.com"),
       "[SMTP]", true},
  };
  for (const TFailureCase& row : cases) {
    SCOPED_TRACE(row.name);
    TScenario scenario;
    scenario.Name = row.name;
    scenario.Options = row.options + flags;
    scenario.HoldReplies = row.holdForever;
    scenario.ReleaseHold = !row.holdForever;
    const TScenarioRun run = RunScenario(scenario);
    const std::string dump = run.Dump();
    EXPECT_EQ(run.ExitCode, 0u) << dump;
    const auto errors = run.Captioned("Error.");
    ASSERT_EQ(errors.size(), 1u) << dump;
    ASSERT_FALSE(errors[0]->Texts.empty()) << dump;
    EXPECT_EQ(errors[0]->Texts[0].rfind(row.warningStart, 0), 0u) << dump;
    ExpectOutcomeBox(run, kNotSent);
    EXPECT_NE(run.Clipboard.find("The host handed this fault over."), std::string::npos)
        << run.Clipboard;
    EXPECT_EQ(ZipsIn(run.Folder), std::set<std::string>{"BugReport.zip"}) << dump;
    EXPECT_EQ(ReadFileBytes(run.Folder + "BugReport.zip").substr(0, 2), "PK");
    EXPECT_FALSE(TemporaryFoldersLeft(run.HostProcessId));
  }
}

TEST(DeliveryRun, TheModulesOwnOptions_MantisWithoutAddressIsAWarningNotAFailureOfTheHandling) {
  TScenario scenario;
  scenario.Name = "own_options";
  scenario.UseBuiltOptions = true;
  scenario.HostMode = "fault";
  scenario.AnswerDialog = "send";
  const TScenarioRun run = RunScenario(scenario);
  const std::string dump = run.Dump();
  EXPECT_EQ(run.ExitCode, kAccessViolation) << dump;
  const auto errors = run.Captioned("Error.");
  ASSERT_EQ(errors.size(), 1u) << dump;
  ASSERT_FALSE(errors[0]->Texts.empty()) << dump;
  // The tracker's refusal, with the connection's code and text: a warning,
  // and the handling went on to its end.
  const std::string& warning = errors[0]->Texts[0];
  EXPECT_NE(warning.find("Cannot create an HTTP connection"), std::string::npos) << dump;
  EXPECT_NE(warning.find("\r\n\r\nError Code: "), std::string::npos) << dump;
  EXPECT_NE(warning.find("\r\nError Message: \""), std::string::npos) << dump;
  EXPECT_TRUE(run.Captioned("Information.").empty()) << "SendReportOutcome is off\n" << dump;
  EXPECT_NE(run.Clipboard.find("EAccessViolation"), std::string::npos) << run.Clipboard;
  EXPECT_FALSE(TemporaryFoldersLeft(run.HostProcessId));
}

// A bug filed into the stand-in Mantis, announced, kept on failure.
TScenario MantisFiling(const char* name) {
  TScenario scenario;
  scenario.Name = name;
  scenario.Options = MantisAt("VIPC_MANTIS_PORT") +
                     "SendFlags = SendShowProgress | SendReportOutcome\n"
                     "BehaviourFlags = ClipboardOnSendFailure | KeepPackageOnSendFailure\n";
  return scenario;
}

TEST(DeliveryRun, Mantis_FilesTheBugWithThePackageAndAnnouncesSuccess) {
  const TScenario scenario = MantisFiling("mantis");
  const TScenarioRun run = RunScenario(scenario);
  const std::string dump = run.Dump();
  EXPECT_EQ(run.ExitCode, 0u) << dump;
  EXPECT_TRUE(run.Captioned("Error.").empty()) << dump;
  ExpectOutcomeBox(run, kSent);
  const std::string bugs = PeerFile("mantis.json");
  EXPECT_NE(bugs.find("\"project\": \"Brisole\""), std::string::npos) << bugs;
  EXPECT_NE(bugs.find("BugReport.zip"), std::string::npos) << bugs;
  EXPECT_NE(bugs.find("EDeliveryProbeFault"), std::string::npos) << bugs;
  EXPECT_TRUE(ZipsIn(run.Folder).empty()) << dump;
  EXPECT_FALSE(TemporaryFoldersLeft(run.HostProcessId));
}

TEST(DeliveryRun, MantisBugClosed_TheClosedBugTextInsteadOfTheOutcomeAndCountsAsSent) {
  TScenario scenario = MantisFiling("mantis_first");
  const TScenarioRun first = RunScenario(scenario);
  ASSERT_EQ(first.Captioned("Error.").size(), 0u) << first.Dump();
  // The stand-in closes the bug; the same fault again finds it closed.
  ASSERT_TRUE(RequestPeer("close-bugs")) << "the stand-in did not close its bugs";
  scenario.Name = "mantis_closed";
  const TScenarioRun run = RunScenario(scenario);
  const std::string dump = run.Dump();
  EXPECT_EQ(run.ExitCode, 0u) << dump;
  EXPECT_TRUE(run.Captioned("Error.").empty()) << dump;
  ExpectOutcomeBox(run,
                   "These BUG is just closed.\r\nContact the program support to obtain an "
                   "update.");
  EXPECT_TRUE(run.Clipboard.empty()) << "a closed bug is no failure";
  EXPECT_TRUE(ZipsIn(run.Folder).empty()) << dump;
}

TEST(DeliveryRun, ActBeforeMailCleared_NothingIsMailedButTheWebStepRuns) {
  TScenario scenario;
  scenario.Name = "skip_mail";
  scenario.Environment = {{"VIPC_DELIVERY_SKIP_MAIL", "1"}};
  scenario.Options = "MailDelivery = 2\nWebDelivery = 1\n" + SmtpAt("VIPC_SMTP_PORT") +
                     Recipients("developer@example.com") + UploadTo("upload") +
                     "SendFlags = SendReportOutcome\n";
  const TScenarioRun run = RunScenario(scenario);
  const std::string dump = run.Dump();
  EXPECT_EQ(run.ExitCode, 0u) << dump;
  EXPECT_TRUE(PeerEntries("smtp", "message").empty()) << dump;
  EXPECT_EQ(PeerEntries("http", "upload").size(), 1u) << dump;
  EXPECT_FALSE(Journaled(run, "action 5")) << dump;
  EXPECT_TRUE(Journaled(run, "action 7")) << dump;
  ExpectOutcomeBox(run, kNotSent);  // the mail outcome stays false
}

TEST(DeliveryRun, RetrySubscriber_TheFailedMailStepRunsAgain) {
  TScenario scenario;
  scenario.Name = "retry";
  scenario.Environment = {{"VIPC_DELIVERY_RETRIES", "1"}};
  scenario.Options = "MailDelivery = 2\n" + SmtpAt("VIPC_DOWN_PORT") +
                     Recipients("developer@example.com") + "SendFlags = SendShowProgress\n";
  const TScenarioRun run = RunScenario(scenario);
  const std::string dump = run.Dump();
  EXPECT_EQ(run.ExitCode, 0u) << dump;
  EXPECT_EQ(run.Captioned("Error.").size(), 2u) << dump;
  EXPECT_TRUE(Journaled(run, "error 5 retry=yes")) << dump;
  EXPECT_TRUE(Journaled(run, "error 5 retry=no")) << dump;
  EXPECT_TRUE(run.Captioned("Information.").empty()) << "no outcome box was asked for\n" << dump;
}

TEST(DeliveryRun, KeptPackages_OnlyTheTenLastOfOursStayAndNoneIsReplaced) {
  TScenario scenario;
  scenario.Name = "kept";
  scenario.KeptZipsBefore = {"BugReport.zip", "Holiday.zip"};
  for (int n = 2; n <= 11; ++n) {
    scenario.KeptZipsBefore.push_back("BugReport (" + std::to_string(n) + ").zip");
  }
  scenario.Options = "MailDelivery = 2\n" + SmtpAt("VIPC_DOWN_PORT") +
                     Recipients("developer@example.com") +
                     "SendFlags = 0\nBehaviourFlags = KeepPackageOnSendFailure\n";
  const TScenarioRun run = RunScenario(scenario);
  const std::string dump = run.Dump();
  EXPECT_EQ(run.ExitCode, 0u) << dump;
  // Twelve of ours with the new one ("BugReport (12).zip"); the two first in
  // name order go; the foreign zip stays.
  std::set<std::string> expected = {"BugReport.zip", "Holiday.zip", "BugReport (12).zip"};
  for (int n = 2; n <= 9; ++n) expected.insert("BugReport (" + std::to_string(n) + ").zip");
  EXPECT_EQ(ZipsIn(run.Folder), expected) << dump;
  EXPECT_EQ(ReadFileBytes(run.Folder + "BugReport (12).zip").substr(0, 2), "PK");
  EXPECT_EQ(ReadFileBytes(run.Folder + "BugReport.zip"), "an older package");
}
