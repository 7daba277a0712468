// The steps-to-reproduce request (template EL_REQUEST).
#include <windows.h>

#include <string>

#include "dialogs/EDialogClassic.h"
#include "dialogs/EDialogFrame.h"
#include "dialogs/EDialogResources.h"
#include "engine/ECoreOptions.h"
#include "platform/runtime/LineBreaks.h"
#include "platform/runtime/TextTrim.h"

namespace {

enum : int { kTextRequestCaption = 123, kTextRequestLabel = 124, kTextRequestButton = 125 };

class TReproduceRequest {
 public:
  TReproduceRequest(const TDialogException& exception, const TDialogRect& workArea, bool& shown)
      : options_(*exception.Options), workArea_(workArea), frame_(options_, shown) {}

  void Run() { RunModalDialog(EL_REQUEST_NAME, *this, ended_); }
  TDialogFrame& Frame() { return frame_; }

  INT_PTR Message(HWND dialog, UINT message, WPARAM w, LPARAM) {
    switch (message) {
      case WM_INITDIALOG:
        return Open(dialog);
      case WM_COMMAND:
        // Any command of the button, the Escape key's too, ends the request.
        if (LOWORD(w) == IDC_REQUEST_OK || LOWORD(w) == IDOK) End();
        return TRUE;
      case WM_CLOSE:
        End();
        return TRUE;
      default:
        return FALSE;
    }
  }

 private:
  BOOL Open(HWND dialog) {
    dialog_ = dialog;
    frame_.Prepare(dialog, false, false);
    SetWindowTextA(dialog, options_.Text(kTextRequestCaption).c_str());
    HWND label = GetDlgItem(dialog, IDC_REQUEST_LABEL);
    HWND edit = GetDlgItem(dialog, IDC_REQUEST_EDIT);
    HWND button = GetDlgItem(dialog, IDC_REQUEST_OK);
    const std::string labelText = options_.Text(kTextRequestLabel);
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.Message), FALSE);
    SetWindowTextA(label, labelText.c_str());
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.Message), FALSE);
    SetWindowTextA(button, options_.Text(kTextRequestButton).c_str());
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.Fixed), FALSE);
    SetWindowTextA(edit, NormaliseLineBreaks(options_.ReproduceNote).c_str());

    RECT window{};
    GetWindowRect(dialog, &window);
    const int width = window.right - window.left;
    const int labelHeight =
        WrappedTextHeight(dialog, fonts_.Message, labelText.c_str(), RequestLabelWidth(width));
    const TRequestLayout layout = LayOutRequest(width, window.bottom - window.top, labelHeight);
    for (const auto& [control, r] : {std::pair{label, layout.Label}, std::pair{edit, layout.Edit},
                                     std::pair{button, layout.Button}}) {
      SetWindowPos(control, nullptr, r.Left, r.Top, r.Width(), r.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CenterInWorkArea(dialog, workArea_, width, layout.WindowHeight);
    frame_.Show(edit);
    return FALSE;
  }

  void End() {
    if (ended_) return;
    options_.ReproduceNote = std::string(TrimBlanks(ControlText(dialog_, IDC_REQUEST_EDIT)));
    ended_ = true;
  }

  TDovaroModuleOptions& options_;
  const TDialogRect& workArea_;
  TDialogFrame frame_;
  TDialogFonts fonts_;
  HWND dialog_ = nullptr;
  bool ended_ = false;
};

}  // namespace

bool RunReproduceRequest(const TDialogException& exception, const TDialogRect& workArea) {
  bool shown = false;
  TReproduceRequest request(exception, workArea, shown);
  request.Run();
  return shown;
}
