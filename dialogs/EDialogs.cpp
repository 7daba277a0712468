#include "dialogs/EDialogs.h"

#include <windows.h>

#include "debuginfo/ESnapshotSystem.h"
#include "dialogs/EDialogClassic.h"
#include "dialogs/EDialogFrame.h"
#include "engine/ECoreOptions.h"

namespace {

constexpr int kTextMessageBoxCaption = 3;
constexpr char kCannotShow[] = "Cannot show the DialogBox window.";

bool ShowMessageBox(const TDialogException& exception) {
  const std::string caption = exception.Options->Text(kTextMessageBoxCaption);
  return MessageBoxA(nullptr, exception.Message.c_str(), caption.c_str(),
                     MB_OK | MB_ICONHAND | MB_TASKMODAL | MB_TOPMOST | MB_SERVICE_NOTIFICATION) !=
         0;
}

}  // namespace

void TExceptionDialogs::CaptureWorkArea() {
  HWND window = GetForegroundWindow();
  workArea_ = WorkAreaOf(window ? window : GetDesktopWindow());
  captured_ = true;
}

void TExceptionDialogs::ShowExceptionDialog(int& kind, bool beep, bool reopened,
                                            const TDialogException& exception,
                                            IDialogEvents& events, TDialogChoices& choices) {
  if (!captured_) CaptureWorkArea();
  HMODULE richEdit = LoadLibraryA("RICHED20.DLL");
  HWND foreground = GetForegroundWindow();
  if (beep && kind != dkMessageBox) MessageBeep(MB_ICONHAND);
  for (;;) {
    const int kindShown = kind;
    bool shown = false;
    bool terminate = false;
    switch (kind) {
      case dkDetailed:
        shown = events.ShowDetailedDialog(kind, reopened);
        if (kind == dkDetailed) kind = dkNone;
        break;
      case dkClassic:
        RunClassicDialog(kind, exception, events, choices, workArea_, shown, terminate);
        if (kind == dkClassic) kind = dkNone;
        break;
      case dkMessageBox:
        kind = dkNone;
        shown = true;
        ShowMessageBox(exception);
        break;
      default:
        shown = true;
        break;
    }
    if (!shown && IsNtPlatform()) shown = ShowMessageBox(exception);
    bool withdrawn = false;
    if (terminate) {
      if (events.ConfirmTermination()) {
        events.RequestTermination(exception.Options->TerminateAction());
      } else {
        withdrawn = true;
      }
    }
    if (!shown) {
      events.Warning(kCannotShow);
      kind = dkNone;
      choices.Failed = true;
    }
    if (!withdrawn) break;
    kind = kindShown;  // the handlers withdrew the request: the dialog again
  }
  if (richEdit) FreeLibrary(richEdit);
  if (foreground && IsWindow(foreground)) SetForegroundWindow(foreground);
}

void TExceptionDialogs::AskReproduceSteps(const TDialogException& exception) {
  if (!captured_) CaptureWorkArea();
  RunReproduceRequest(exception, workArea_);
}
