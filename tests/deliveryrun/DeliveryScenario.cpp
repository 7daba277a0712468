#include "tests/deliveryrun/DeliveryScenario.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <sstream>
#include <thread>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"
#include "tools/window_capture/DialogWindows.h"

namespace {

constexpr char kSendCaption[] = "Send.";
constexpr DWORD kScenarioTimeoutMs = 240000;

std::string EnvironmentValue(const char* name) {
  char value[1024] = {};
  GetEnvironmentVariableA(name, value, sizeof value);
  return value;
}

std::string OwnFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

// The driver's journal folder (a Unix path) as this program reaches it.
std::string JournalFolder() {
  std::string folder = "Z:" + EnvironmentValue("VIPC_PEER_JOURNAL");
  std::replace(folder.begin(), folder.end(), '/', '\\');
  return folder + "\\";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// A text in the options file's quotes: backslashes escaped.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string BaseOptions(const std::string& folder) {
  return "[Options]\n"
         "WriteLogFile = true\n"
         "DialogKind = 0\n"
         "CrashBurstAction = 0\n"
         "LogFlags = 0\n"
         "LogFolder = " +
         Quoted(folder) +
         "\n"
         "SmtpServer = \"127.0.0.1\"\n"
         "SmtpSender = \"engine@example.com\"\n"
         "MailSubjectText = \"A delivery test\"\n"
         "MailBodyText = \"The report is attached.\"\n";
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
      text = bytes;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void EmptyTheClipboard() {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

struct TWindowSearch {
  DWORD ProcessId;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<TWindowSearch*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (process == search.ProcessId && IsWindowVisible(window) &&
      std::string(className) == "#32770") {
    search.Found.push_back(window);
  }
  return TRUE;
}

// Reads the host's dialog windows while it runs: each one once as it first
// appears, the send window's status line at every look, and presses OK in
// every box (and, when asked, the classic dialog's send button).
class THostWindows {
 public:
  THostWindows(DWORD processId, const TScenario& scenario, std::string holdFile)
      : processId_(processId), scenario_(scenario), holdFile_(std::move(holdFile)) {
    thread_ = std::thread([this] { Watch(); });
  }
  ~THostWindows() { Stop(); }
  void Stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
  }
  std::vector<TSeenWindow> Windows;
  std::vector<std::string> ProgressTexts;

 private:
  void Watch() {
    while (!stopping_) {
      TWindowSearch search{processId_, {}};
      EnumWindows(&CollectDialogs, reinterpret_cast<LPARAM>(&search));
      for (HWND window : search.Found) Look(window);
      Sleep(50);
    }
  }

  void Look(HWND window) {
    const SeenDialog dialog = ReadDialog(window);
    const bool known = std::find(answered_.begin(), answered_.end(), window) != answered_.end();
    if (dialog.caption == kSendCaption) {
      const SeenControl* status = dialog.Control(100);
      if (status && !status->text.empty() &&
          (ProgressTexts.empty() || ProgressTexts.back() != status->text)) {
        ProgressTexts.push_back(status->text);
        // The window was read while the peer held its reply: let it go.
        if (!holdFile_.empty() && scenario_.ReleaseHold) DeleteFileA(holdFile_.c_str());
      }
      if (known) return;
      answered_.push_back(window);
      TSeenWindow seen = Seen(dialog);
      HWND bar = GetDlgItem(window, 101);
      seen.BarLow = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, TRUE, 0));
      seen.BarHigh = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
      Windows.push_back(seen);
      return;
    }
    if (known) return;
    const TSeenWindow seen = Seen(dialog);
    // A box seen while it is still being made is read at the next look.
    if (seen.Caption.empty() || seen.Texts.empty()) return;
    answered_.push_back(window);
    Windows.push_back(seen);
    if (dialog.Control(1000) && scenario_.AnswerDialog == "send") {
      ClickButton(window, 1000);  // the classic dialog: "Send Error Report"
    } else if (dialog.Control(IDOK)) {
      ClickButton(window, IDOK);
    } else if (dialog.Control(IDCANCEL)) {
      ClickButton(window, IDCANCEL);
    }
  }

  static TSeenWindow Seen(const SeenDialog& dialog) {
    TSeenWindow seen;
    seen.Caption = dialog.caption;
    seen.Rect = dialog.windowRect;
    for (const SeenControl& control : dialog.controls) {
      if (control.className == "Static" && !control.text.empty())
        seen.Texts.push_back(control.text);
    }
    return seen;
  }

  DWORD processId_;
  const TScenario& scenario_;
  std::string holdFile_;
  std::atomic<bool> stopping_{false};
  std::vector<HWND> answered_;
  std::thread thread_;
};

}  // namespace

std::vector<const TSeenWindow*> TScenarioRun::Captioned(const std::string& caption) const {
  std::vector<const TSeenWindow*> found;
  for (const TSeenWindow& window : Windows) {
    if (window.Caption == caption) found.push_back(&window);
  }
  return found;
}

std::string TScenarioRun::Dump() const {
  std::string text = "exit " + std::to_string(ExitCode) + (TimedOut ? " (timed out)" : "") +
                     "\noutput:\n" + Output + "\nwindows:";
  for (const TSeenWindow& window : Windows) {
    text += "\n  [" + window.Caption + "]";
    for (const std::string& line : window.Texts) text += " \"" + line + "\"";
  }
  text += "\nprogress texts:";
  for (const std::string& line : ProgressTexts) text += "\n  " + line;
  text += "\njournal:";
  for (const std::string& line : Journal) text += "\n  " + line;
  return text;
}

std::string PeerPort(const char* variable) {
  return EnvironmentValue(variable);
}

std::vector<std::string> PeerEntries(const std::string& peer, const std::string& kind) {
  std::vector<std::string> names;
  const std::string folder = JournalFolder() + peer + "\\";
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "*-" + kind).c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> entries;
  for (const std::string& name : names) entries.push_back(ReadFileBytes(folder + name));
  return entries;
}

std::string PeerFile(const std::string& name) {
  return ReadFileBytes(JournalFolder() + name);
}

bool RequestPeer(const std::string& request) {
  const std::string file = JournalFolder() + request;
  WriteFileBytes(file, request);
  for (int waited = 0; waited < 60000; waited += 100) {
    if (!FileExists(file)) return true;
    Sleep(100);
  }
  return false;
}

void ClearPeerJournals() {
  for (const char* peer : {"smtp", "http"}) {
    const std::string folder = JournalFolder() + peer + "\\";
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA((folder + found.cFileName).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
}

TScenarioRun RunScenario(const TScenario& scenario) {
  static int runs = 0;
  TScenarioRun run;
  // The folder outlives the object: the test reads it after the run.
  run.Folder = JournalFolder() + "run" + std::to_string(++runs) + "_" + scenario.Name + "\\";
  CreateDirectoryA(run.Folder.c_str(), nullptr);
  // The engine module's copy keeps its debug information; the faulting
  // module's copy beside it carries the same options, so the options in
  // effect are the scenario's whichever module's the engine picks.
  const std::string engine = run.Folder + "VInstallParamsClient.dll";
  const std::string faults = run.Folder + "deliveryrun_faults.dll";
  CopyFileA((OwnFolder() + "VInstallParamsClient.dll").c_str(), engine.c_str(), FALSE);
  CopyFileA((OwnFolder() + "deliveryrun_faults.dll").c_str(), faults.c_str(), FALSE);
  const std::string options = run.Folder + "options.eldata";
  std::vector<std::string> steps;
  if (scenario.UseBuiltOptions) {
    steps.push_back("dump --module \"" + engine + "\" --output \"" + options + "\"");
  } else {
    WriteFileBytes(options, BaseOptions(run.Folder) + scenario.Options);
    steps.push_back("embed --options \"" + options + "\" --module \"" + engine +
                    "\" --debug-stream \"" + OwnFolder() + "VInstallParamsClient.dbg\"");
  }
  steps.push_back("embed --options \"" + options + "\" --module \"" + faults + "\"");
  for (const std::string& step : steps) {
    const ChildOutcome done = RunChild("eldata_tool.exe " + step);
    if (done.exitCode != 0) {
      run.Output = "eldata_tool " + step + ": " + done.output;
      run.ExitCode = done.exitCode;
      return run;
    }
  }
  for (const std::string& name : scenario.KeptZipsBefore) {
    WriteFileBytes(run.Folder + name, "an older package");
  }
  ClearPeerJournals();
  EmptyTheClipboard();
  const std::string journal = run.Folder + "journal.txt";
  SetEnvironmentVariableA("VIPC_HANDLING_JOURNAL", journal.c_str());
  for (const auto& [name, value] : scenario.Environment) {
    SetEnvironmentVariableA(name.c_str(), value.c_str());
  }
  const std::string hold = scenario.HoldReplies ? JournalFolder() + "hold" : std::string();
  if (!hold.empty()) WriteFileBytes(hold, "hold");
  {
    RunningChild host("deliveryrun_host.exe \"" + engine + "\" " + scenario.HostMode, run.Folder);
    run.HostProcessId = host.ProcessId();
    THostWindows windows(host.ProcessId(), scenario, hold);
    const ChildOutcome outcome = host.Finish(kScenarioTimeoutMs);
    windows.Stop();
    run.ExitCode = outcome.exitCode;
    run.TimedOut = outcome.timedOut;
    run.Output = outcome.output;
    run.Windows = windows.Windows;
    run.ProgressTexts = windows.ProgressTexts;
  }
  if (!hold.empty()) DeleteFileA(hold.c_str());
  SetEnvironmentVariableA("VIPC_HANDLING_JOURNAL", nullptr);
  for (const auto& entry : scenario.Environment)
    SetEnvironmentVariableA(entry.first.c_str(), nullptr);
  run.Journal = Lines(ReadFileBytes(journal));
  run.Clipboard = ClipboardText();
  return run;
}
