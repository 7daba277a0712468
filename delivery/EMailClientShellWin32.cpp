// The hand-off to the "mailto" program: the whole mail travels in the
// address on its command line.
#include <windows.h>

#include <string>

#include "delivery/EMailClient.h"
#include "delivery/EMailClientMailto.h"
#include "engine/ECoreServices.h"
#include "platform/runtime/SystemErrors.h"

namespace {

constexpr char kMailtoCommandKey[] = "mailto\\shell\\open\\command";

class THandle {
 public:
  explicit THandle(HANDLE handle) : handle_(handle) {}
  ~THandle() {
    if (handle_) CloseHandle(handle_);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

std::string SystemMessage(DWORD code) {
  const std::string message = SysErrorMessage(code);
  return message.empty() ? "System error " + std::to_string(code) + "." : message;
}

struct TWindowSearch {
  DWORD ProcessId;
  HWND Found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<TWindowSearch*>(parameter);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search.ProcessId || !IsWindowVisible(window) || GetWindow(window, GW_OWNER))
    return TRUE;
  search.Found = window;
  return FALSE;
}

// The mail program's window above every other, so the user sees the mail.
void PutMainWindowOnTop(DWORD processId) {
  TWindowSearch search{processId, nullptr};
  EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
  if (search.Found) SetWindowPos(search.Found, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace

bool SendMailByShell(const TShellMail& mail, const TWarningSink& warn) {
  return SendMailByShell(mail, warn, TMailProgramWaits{});
}

bool SendMailByShell(const TShellMail& mail, const TWarningSink& warn,
                     const TMailProgramWaits& waits) {
  const std::string command =
      ExpandVariables(ReadRegistryString(HKEY_CLASSES_ROOT, kMailtoCommandKey, ""));
  if (command.empty()) {
    warn(SystemMessage(ERROR_NO_ASSOCIATION));
    return false;
  }
  std::string commandLine = MailtoCommandLine(command, ShellMailAddress(mail));
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMAXIMIZED;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                      &started)) {
    warn(SystemMessage(GetLastError()));
    return false;
  }
  const THandle process(started.hProcess), thread(started.hThread);
  WaitForInputIdle(process.Get(), waits.InputIdleMs);
  Sleep(waits.SettleMs);
  PutMainWindowOnTop(started.dwProcessId);
  // A program still open after the bound shows the mail to its user: it is
  // handed off, and left running.
  const DWORD waited =
      WaitForSingleObject(process.Get(), mail.WaitMs ? mail.WaitMs : kMailProgramEndWaitMs);
  if (waited == WAIT_TIMEOUT) return true;
  DWORD exitCode = 0;
  if (waited != WAIT_OBJECT_0 || !GetExitCodeProcess(process.Get(), &exitCode)) {
    warn(SystemMessage(GetLastError()));
    return false;
  }
  return true;
}
