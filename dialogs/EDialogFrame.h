// What the dialogs share: the fonts, the work area and the centring, the
// caption and top-most set-up, the timers (the shown check, auto-close, keep
// in front) and the modal message loop. One TDialogFrame per open dialog;
// everything on the handling thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/EDialogLayout.h"

class TDovaroModuleOptions;

// The dialogs' fonts, made when a dialog opens and deleted when it closes.
class TDialogFonts {
 public:
  TDialogFonts();
  ~TDialogFonts();
  TDialogFonts(const TDialogFonts&) = delete;
  TDialogFonts& operator=(const TDialogFonts&) = delete;

  HFONT Caption = nullptr;
  HFONT Message = nullptr;
  HFONT BoldUnderlined = nullptr;
  HFONT Underlined = nullptr;
  HFONT Bold = nullptr;
  HFONT Fixed = nullptr;
  HFONT SecondFixed = nullptr;
};

// The faces and base size the fonts take from the user's code page.
struct TDialogFaces {
  const char* First;
  const char* Second;
  const char* Third;
  int BaseSize;
};
TDialogFaces DialogFacesFor(unsigned charset);

// The work area of the monitor nearest to `window` (monitor functions looked
// up in "user32.dll"); the primary work area when they are missing or fail.
TDialogRect WorkAreaOf(HWND window);
void CenterInWorkArea(HWND window, const TDialogRect& area, int width, int height);
void CenterWindowInRect(HWND window, const TDialogRect& rect);

// The height of `text` wrapped to `width` in `font`.
int WrappedTextHeight(HWND window, HFONT font, const char* text, int width);
// The width of one line of `text` in `font`, and the height of a line.
int TextWidth(HWND window, HFONT font, const char* text);
int LineHeight(HWND window, HFONT font);

class TDialogFrame {
 public:
  // `shown` is set once the dialog was activated or painted.
  TDialogFrame(const TDovaroModuleOptions& options, bool& shown);
  ~TDialogFrame();
  TDialogFrame(const TDialogFrame&) = delete;
  TDialogFrame& operator=(const TDialogFrame&) = delete;

  // PrepareDialogFrame: the current dialog, the caption-height metric (the
  // small caption with DlgOwnLook outside the classic dialog or when forced,
  // else the normal one without the tool-window style), top-most with
  // DlgTopMost, the height corrected for the caption.
  void Prepare(HWND dialog, bool forceSmallCaption, bool classicDialog);
  int CaptionHeight() const { return captionHeight_; }
  bool TopMost() const { return topMost_; }

  // Starts the shown check, auto-close and keep-in-front, then shows the
  // dialog in front with the focus on `focus`.
  void Show(HWND focus);
  void StartShownCheck();
  void StartAutoClose();
  void StopAutoClose();
  void RestartAutoClose();
  void StartKeepInFront();
  void StopKeepInFront();

  // The frame's share of the dialog procedure: the timers, the shown marks,
  // the auto-close resets of controls' notifications. True when handled.
  bool Handle(UINT message, WPARAM w, LPARAM l);
  // The modal loop: until `ended` or the window is gone. Key and mouse input
  // anywhere in the dialog restarts the auto-close count.
  void RunModal(const bool& ended);

 private:
  const TDovaroModuleOptions& options_;
  bool& shown_;
  HWND dialog_ = nullptr;
  int captionHeight_ = 0;
  bool topMost_ = false;
  unsigned autoCloseTicks_ = 0;
  bool autoClose_ = false;
  bool keepInFront_ = false;
  std::vector<HWND> ownWindows_;  // the process's top-level windows when the dialog opened
};

// Shows `text` in a message box with the caption of customizable text 2
// ("Error.") over `owner`.
void ShowErrorBox(HWND owner, const TDovaroModuleOptions& options, int textIndex);

// The module whose resources hold the templates: the one this code is in.
HINSTANCE DialogResourceModule();
// The text of a dialog's control.
std::string ControlText(HWND dialog, int id);

// The procedure of a dialog object: the frame's share first, then the
// object's Message.
template <class Dialog>
INT_PTR CALLBACK ModalDialogProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(window, DWLP_USER, l);
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!self) return FALSE;
  if (self->Frame().Handle(message, w, l)) return TRUE;
  return self->Message(window, message, w, l);
}

// Creates the dialog of `templateName` for `dialog` with no owner, runs its
// modal loop until `ended` and destroys it.
template <class Dialog>
void RunModalDialog(const char* templateName, Dialog& dialog, const bool& ended) {
  HWND window =
      CreateDialogParamA(DialogResourceModule(), templateName, nullptr,
                         &ModalDialogProcedure<Dialog>, reinterpret_cast<LPARAM>(&dialog));
  if (!window) return;
  dialog.Frame().RunModal(ended);
  if (IsWindow(window)) DestroyWindow(window);
}
