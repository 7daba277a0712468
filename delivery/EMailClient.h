// The hand-off of a report mail to the user's mail program: the registered
// mail client through Simple MAPI, or the "mailto" command with the whole
// mail in the address. The delivery run calls these, decides the fallback
// from MAPI to "mailto" and records the warnings (MAPI ones as
// eeEmailMAPIError, "mailto" ones as eeEmailShellError).
//
// Both run on the delivering thread and may show the mail program's windows;
// neither raises on the system's account. They must not run inside exception
// handling's no-heap zone.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "delivery/ESendProgress.h"

struct TMapiMail {
  std::string Recipients;  // separated by "," and ";"
  std::string Subject;     // variables already expanded
  std::string Body;        // variables already expanded
  std::vector<TDeliveryFile> Files;
  bool ShowClientWindow = false;  // SendShowProgress: the client shows its message window
  void* ParentWindow = nullptr;   // the owner of the client's windows, or none
};

// A user who cancels in the mail client gets no fallback and no warning, but
// the mail was not sent either.
enum class TMailClientOutcome { Sent, UserAborted, Failed };

// Sends through the library of the registered mail client ("DLLPath" of the
// client named under "SOFTWARE\Clients\Mail", current user before machine),
// else through "mapi32.dll". Failures go to `warn` with "Cannot open the MAPI
// dll.", "Cannot found the MAPI functions.", "Cannot LogOn into the MAPI
// service." or "Cannot send the MAPI message."; an address too long for MAPI
// is refused before anything is loaded. The current folder is kept.
TMailClientOutcome SendMailByMapi(const TMapiMail& mail, const TWarningSink& warn);

struct TShellMail {
  std::string Recipients;  // separated by "," and ";"
  std::string Subject;     // variables already expanded
  std::string Body;        // the mail body text; the report text follows it
  std::string ReportText;
  std::string LogFileName;  // named in the note of a body cut to fit the address
  // The longest wait for the mail program's end; 0: kMailProgramEndWaitMs. A
  // program still running then has the mail and counts as handed off.
  unsigned WaitMs = 0;
};

inline constexpr unsigned kMailProgramEndWaitMs = 60000;

// Starts the "mailto" command of HKEY_CLASSES_ROOT with the mail's address
// (ShellMailAddress) for every "%1", shown maximised, waits until it is ready
// for input and a moment more, puts its main window on top and waits for its
// end. False, with the system's message to `warn`, when it cannot be started
// or waited for.
bool SendMailByShell(const TShellMail& mail, const TWarningSink& warn);

// "mailto:" + the encoded recipients (joined by ",") + "?Subject=" + the
// encoded subject + "&Body=" + the encoded body; see MailtoEncode.
std::string MailtoAddress(std::string_view recipients, std::string_view subject,
                          std::string_view body);

// --- seams for tests ---

// The waits before the mail program's window is put on top.
struct TMailProgramWaits {
  unsigned InputIdleMs = 10000;
  unsigned SettleMs = 2000;
};
bool SendMailByShell(const TShellMail& mail, const TWarningSink& warn,
                     const TMailProgramWaits& waits);

// SendMailByMapi with another library than "mapi32.dll" when no registered
// client's library loads.
TMailClientOutcome SendMailByMapi(const TMapiMail& mail, const TWarningSink& warn,
                                  const std::string& fallbackLibrary);
