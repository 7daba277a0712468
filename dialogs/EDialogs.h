// The exception dialogs: the dispatcher that shows the dialog of the chosen
// kind (none, the message box, the classic dialog, the detailed dialog), the
// steps-to-reproduce request, and the work area they are centred in.
//
// Everything runs on the thread that handles the exception; the dialogs are
// modal and run their own message loop there. They read the options in
// effect and write the user's answers back (ReproduceNote, the "Email" key
// of "ZuderaDod.ini"); what the handling flow must do about an answer (the
// custom button's event, confirming a terminate request, the e-mail address
// in the report) they ask of IDialogEvents. Not for exception-time contexts
// that forbid the heap.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/EDialogLayout.h"

class TDovaroModuleOptions;

// The kinds of dialog, as DialogKind names them.
enum TDialogKind : int { dkNone = 0, dkMessageBox = 1, dkClassic = 2, dkDetailed = 3 };

// What the dialogs are told of the exception being handled.
struct TDialogException {
  TDovaroModuleOptions* Options = nullptr;  // the options in effect (ReproduceNote is written)
  std::string Message;                      // the custom message of a filter, else the exception's
  std::uint32_t HandledCount = 0;           // exceptions handled so far, this one included
  bool Duplicate = false;                   // a duplicate already counted in the log
  bool TerminateRequested = false;          // a terminate request was already pending
};

class IDialogEvents {
 public:
  virtual ~IDialogEvents() = default;
  // The custom button (text 21) was pressed: true when the dialog closes.
  virtual bool CustomButtonClick() = 0;
  // The user asked to terminate (or restart): the event handlers confirm;
  // false when one withdrew the request.
  virtual bool ConfirmTermination() = 0;
  // The request stands: record it with TerminateAction's action.
  virtual void RequestTermination(std::uint8_t action) = 0;
  // The user typed a valid e-mail address (already stored in the settings):
  // the user's address, and the report's item 3.3, take it.
  virtual void UserEmailTyped(const std::string& email) = 0;
  // The detailed dialog; false when it could not be shown. The classic
  // dialog offers its details link only when it exists.
  virtual bool DetailedDialogAvailable() const { return false; }
  virtual bool ShowDetailedDialog(int& /*kind*/, bool /*reopened*/) { return false; }
  // A warning of the dialogs ("Cannot show the DialogBox window.").
  virtual void Warning(const std::string& text) = 0;
};

// The user's choices; the caller sets the defaults before the dialog.
struct TDialogChoices {
  bool SendChosen = false;
  bool ScreenshotChosen = false;
  bool ClipboardCopy = false;
  bool Failed = false;  // no dialog could be shown at all
};

// Whether the classic and detailed dialogs offer sending: a delivery mode,
// DlgOfferSending, and no duplicate already counted in the log.
bool SendingOffered(const TDovaroModuleOptions& options, bool duplicate);

// The settings file of the dialogs and its key of the user's address.
inline constexpr char kDialogSettingsFile[] = "ZuderaDod.ini";
inline constexpr char kUserSection[] = "User";
inline constexpr char kEmailKey[] = "Email";

class TExceptionDialogs {
 public:
  // Stores the work area of the monitor that holds the foreground window
  // (the desktop window when there is none); once per exception, before the
  // dialog.
  void CaptureWorkArea();
  const TDialogRect& WorkArea() const { return workArea_; }

  // Shows the dialog of `kind` until one is done; `kind` is then the kind
  // to show next (0 when done). `beep` sounds the system's error beep
  // first (not for the message box); `reopened` is set for the second and
  // later runs of one exception.
  void ShowExceptionDialog(int& kind, bool beep, bool reopened, const TDialogException& exception,
                           IDialogEvents& events, TDialogChoices& choices);

  // The steps-to-reproduce request (EL_REQUEST): its text, trimmed, becomes
  // the options' ReproduceNote. The caller decides that it applies.
  void AskReproduceSteps(const TDialogException& exception);

 private:
  TDialogRect workArea_;
  bool captured_ = false;
};
