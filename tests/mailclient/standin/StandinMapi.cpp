// A mail client's Simple MAPI library for the tests: it journals what it is
// handed and answers as VIPC_STANDIN_MAPI_MODE says: "send" (success),
// "abort" (the user cancelled), "fail" (the send fails) or "refuse-logon".
// Like real clients it moves the current folder.
#include <windows.h>
#include <mapi.h>

#include <string>

#include "tests/mailclient/standin/StandinJournal.h"

namespace {

constexpr LHANDLE kSession = 0x5E55;

std::string Mode() {
  return EnvironmentText(kMapiModeVariable);
}

std::string Text(const char* text) {
  return text ? text : "(null)";
}

std::string Number(ULONG_PTR value) {
  return std::to_string(value);
}

}  // namespace

extern "C" ULONG WINAPI MAPILogon(ULONG_PTR parent, LPSTR profile, LPSTR password, FLAGS flags,
                                  ULONG, LPLHANDLE session) {
  AppendToJournal(kMapiJournalVariable, {{"logon.parent", Number(parent)},
                                         {"logon.profile", Text(profile)},
                                         {"logon.password", Text(password)},
                                         {"logon.flags", Number(flags)}});
  char windows[MAX_PATH];
  if (GetWindowsDirectoryA(windows, MAX_PATH)) SetCurrentDirectoryA(windows);
  if (Mode() == "refuse-logon") return MAPI_E_LOGIN_FAILURE;
  *session = kSession;
  return SUCCESS_SUCCESS;
}

extern "C" ULONG WINAPI MAPILogoff(LHANDLE session, ULONG_PTR, FLAGS, ULONG) {
  AppendToJournal(kMapiJournalVariable, {{"logoff.session", Number(session)}});
  return SUCCESS_SUCCESS;
}

extern "C" ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR parent, lpMapiMessage message,
                                     FLAGS flags, ULONG) {
  TJournalLines lines{{"send.session", Number(session)},
                      {"send.parent", Number(parent)},
                      {"send.flags", Number(flags)},
                      {"subject", Text(message->lpszSubject)},
                      {"body", Text(message->lpszNoteText)},
                      {"originator", message->lpOriginator ? "set" : "none"},
                      {"recipients", Number(message->nRecipCount)},
                      {"files", Number(message->nFileCount)}};
  for (ULONG i = 0; i < message->nRecipCount; ++i) {
    const MapiRecipDesc& recipient = message->lpRecips[i];
    lines.emplace_back("recipient", Number(recipient.ulRecipClass) + "|" +
                                        Text(recipient.lpszName) + "|" +
                                        Text(recipient.lpszAddress));
  }
  for (ULONG i = 0; i < message->nFileCount; ++i) {
    const MapiFileDesc& file = message->lpFiles[i];
    lines.emplace_back("file", Number(file.nPosition) + "|" + Text(file.lpszPathName) + "|" +
                                   Text(file.lpszFileName));
  }
  AppendToJournal(kMapiJournalVariable, lines);
  const std::string mode = Mode();
  if (mode == "abort") return MAPI_USER_ABORT;
  if (mode == "fail") return MAPI_E_FAILURE;
  return SUCCESS_SUCCESS;
}
