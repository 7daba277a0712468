// The internal-error report: what the engine writes when it fails itself
// while it handles an exception. Only a developer sees it (inside the
// development environment or with a debugger attached): a line on the
// debugger output, a short text in a ".log" file named after the program,
// and the question whether to mail that file to the library's support
// address.
//
// The texts are pure functions of the failure; the outlet (debugger output,
// file, message boxes, mail client) is an interface, live in
// EInternalErrorWin32.cpp. Runs on the thread whose handling failed; it
// allocates and shows message boxes. Never raises.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "debuginfo/EStackScan.h"
#include "platform/memory/MemoryReader.h"

inline constexpr const char* kEngineVersionText = "6.1.05 RC 6";
// Where the question sends the file (any mailbox of the library's support).
inline constexpr const char* kInternalErrorSupportAddress = "support@zuderadod.example";
// The compiler the module was built with, and its version.
extern const char* const kDevelopmentEnvironmentText;

struct TInternalFailure {
  // The handling step that was running, in decimal, or a leak stage's name
  // (the handling flow's SectionCode).
  std::string Section;
  TAddress Address = 0;            // where the failure was raised
  bool LanguageException = false;  // raised by a throw: the raising call is 5 bytes before
  std::string ClassName;           // of the failure
  // The names of the class's ancestors (nearest first): an abort or an
  // engine socket error among them keeps the report from being made.
  std::vector<std::string> Ancestors;
  bool IsException = false;  // derives from Exception (else "General internal error.")
  std::string Message;
  // The class of the exception being handled; empty when that object is no
  // longer valid.
  std::string ProcessedClassName;

  bool InsideDevelopmentEnvironment = false;
  bool DebuggerAttached = false;
  double Now = 0;  // local, days since 30 December 1899
  int UtcOffsetHours = 0;
  std::string OsType;  // the collectors' item 6.1
  // CallStackAsText of the failure; none: the live report scans the
  // calling thread itself.
  std::optional<std::string> CallStack;
  std::string ExecutablePath;  // the program file: the ".log" file is named after it
};

// Inside the development environment or with a debugger, and not for an
// abort (EAbort) nor an engine socket error (EDovaroSocketError).
bool InternalErrorWanted(const TInternalFailure& failure);
// The failing address: the raising call for a language exception.
TAddress InternalFailureAddress(const TInternalFailure& failure);
// The failure's message, or "General internal error." for a failure that is
// not an Exception.
std::string InternalFailureMessage(const TInternalFailure& failure);

// "[ERROR] - Section: <section> - Address: <8 hex digits> - Message: "
// followed by the message in double quotes.
std::string InternalErrorDebugLine(const TInternalFailure& failure);
// The text of the ".log" file. The 32 bytes at the failing address are read
// through `memory`, its location looked up through `locator`.
std::string InternalErrorText(const TInternalFailure& failure, const TMemoryReader& memory,
                              IStackLocator& locator);
// The ".log" file's name: the program's with the extension ".log".
std::string InternalErrorFileName(const TInternalFailure& failure);

inline constexpr const char* kInternalErrorQuestionCaption = "Probably internal bug";
inline constexpr const char* kInternalErrorInformationCaption = "Information";
inline constexpr const char* kInternalErrorMailSubject = "ZuderaDod 6.1.05 RC 6 critical bug.";
std::string InternalErrorQuestion(const std::string& message);
// What the user is asked to do when the mail client cannot take the file.
std::string InternalErrorManualSendText(const std::string& filePath);

// Where the internal-error report goes.
class IInternalErrorOutlet {
 public:
  virtual ~IInternalErrorOutlet() = default;
  virtual void DebugOutput(const std::string& line) = 0;
  // Writes `text` (replacing an earlier file) at the first writable place
  // for `fileName`, the per-program folder of the engine's folder as the
  // fallback; the path written, or none when no place is writable.
  virtual std::optional<std::string> WriteFile(const std::string& fileName,
                                               const std::string& text) = 0;
  // Yes (true) or No.
  virtual bool Ask(const std::string& caption, const std::string& question) = 0;
  // Hands the file to the mail client; false when that fails.
  virtual bool MailFile(const std::string& filePath, const std::string& address,
                        const std::string& subject, const std::string& body) = 0;
  virtual void Inform(const std::string& caption, const std::string& text) = 0;
};

// The whole report when InternalErrorWanted: the debugger line, the file,
// the question, the mail and, when that fails, the request to send by hand.
// False when no report was made (not wanted, or no writable place).
bool ReportInternalError(const TInternalFailure& failure, const TMemoryReader& memory,
                         IStackLocator& locator, IInternalErrorOutlet& outlet);

// --- this process (EInternalErrorWin32.cpp) ---

// The debugger output, WritableLocation and a file, message boxes, and the
// registered mail client through Simple MAPI (loaded for the purpose).
class TLiveInternalErrorOutlet final : public IInternalErrorOutlet {
 public:
  void DebugOutput(const std::string& line) override;
  std::optional<std::string> WriteFile(const std::string& fileName,
                                       const std::string& text) override;
  bool Ask(const std::string& caption, const std::string& question) override;
  bool MailFile(const std::string& filePath, const std::string& address, const std::string& subject,
                const std::string& body) override;
  void Inform(const std::string& caption, const std::string& text) override;
};

// ReportInternalError in this process: the time, zone, system, program
// file, debugger and (when the failure carries none) the call stack of the
// calling thread are filled in; the live memory, locator and outlet serve
// it. A failure while it runs (on any thread) is not reported again.
bool ReportInternalErrorHere(TInternalFailure failure);
