// The collectors of the program, the user and the active windows.
#include <windows.h>

#include <vector>

#include "debuginfo/ESnapshotModuleFacts.h"
#include "debuginfo/ESnapshotSystem.h"
#include "engine/ECoreModules.h"
#include "engine/ECoreServices.h"
#include "platform/runtime/PathText.h"
#include "report/EReportDates.h"
#include "report/ESysInfoWin32.h"

namespace {

constexpr const char* kNtVersionKey = "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION";
constexpr const char* kWindowsVersionKey = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION";
constexpr const char* kSetupUserKey = "SOFTWARE\\MICROSOFT\\MS SETUP (ACME)\\USER INFO";
constexpr int kWindowTextLength = 256;

std::string Registered(const char* value, const char* setupValue, bool ntSixOrLater) {
  return RegisteredText(MachineString(kNtVersionKey, value),
                        MachineString(kWindowsVersionKey, value),
                        MachineString(kSetupUserKey, setupValue), ntSixOrLater);
}

// The program file with every ".vshost" taken out (a development host's
// stand-in for the program).
std::string HostExecutable() {
  std::string path = SystemModuleFileName(nullptr);
  for (auto at = path.find(".vshost"); at != std::string::npos; at = path.find(".vshost"))
    path.erase(at, 7);
  return path;
}

std::string ClassNameOf(HWND window) {
  char name[kWindowTextLength + 1] = {};
  const int length = window ? GetClassNameA(window, name, kWindowTextLength) : 0;
  return std::string(name, length > 0 ? length : 0);
}

}  // namespace

std::string ApplicationNameText(const TSystemFunctionLookup& lookup) {
  std::string name = ExtractFileName(ModulePathOf(nullptr, lookup));
  std::string description, version;
  ReadFileVersionFacts(HostExecutable(), description, version);
  if (!description.empty()) name += " - (" + description + ")";
  return name;
}

std::string ApplicationVersionText() {
  std::string description, version;
  ReadFileVersionFacts(SystemModuleFileName(nullptr), description, version);
  return version;
}

std::string ApplicationParametersText() {
  return ParametersText(GetCommandLineA());
}

std::string CompilationDateText() {
  const TDovaroModuleInfo* module = CurrentModuleInfo();
  if (!module || module->BuildStamp == 0) return {};
  const int offset = UtcOffsetHours();
  return MailDateText(module->BuildStamp + offset / 24.0, offset);
}

std::string LoginNameText() {
  char name[257] = {};
  DWORD length = sizeof name;
  if (!GetUserNameA(name, &length)) return {};
  return name;
}

std::string RegisteredOwnerText(bool ntSixOrLater) {
  return Registered("RegisteredOwner", "DefName", ntSixOrLater);
}

std::string RegisteredCompanyText(bool ntSixOrLater) {
  return Registered("RegisteredOrganization", "DefCompany", ntSixOrLater);
}

std::string PrivilegesText() {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
  const TOwnedHandle token(opened);
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenPrivileges, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size < sizeof(TOKEN_PRIVILEGES) ||
      !GetTokenInformation(token.Get(), TokenPrivileges, buffer.data(), size, &size))
    return {};
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  std::string text;
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    LUID luid = privileges->Privileges[i].Luid;
    char name[256] = {};
    DWORD length = sizeof name;
    if (!LookupPrivilegeNameA(nullptr, &luid, name, &length)) continue;
    text += PrivilegeLine(name, (privileges->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0);
  }
  return text;
}

std::string ForegroundClassText() {
  return ClassNameOf(GetForegroundWindow());
}

std::string ForegroundText() {
  const HWND window = GetForegroundWindow();
  if (!window) return {};
  // The default window procedure reads the text itself: no message goes to
  // the window's thread, which may be suspended while the report is built.
  char text[kWindowTextLength + 1] = {};
  const LRESULT length =
      DefWindowProcA(window, WM_GETTEXT, kWindowTextLength, reinterpret_cast<LPARAM>(text));
  return ControlRunsAsSpaces(std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0));
}

TFocusedWindow CaptureFocusedWindow() {
  TFocusedWindow focused;
  const HWND window = GetFocus();
  if (!window) return focused;
  focused.ClassName = ClassNameOf(window);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  char text[kWindowTextLength + 1] = {};
  const int length = GetWindowTextA(window, text, kWindowTextLength);
  focused.Text = FocusedControlText(focused.ClassName, std::string(text, length > 0 ? length : 0),
                                    IsWindowUnicode(window) != FALSE, (style & ES_MULTILINE) != 0,
                                    (style & ES_PASSWORD) != 0);
  return focused;
}
