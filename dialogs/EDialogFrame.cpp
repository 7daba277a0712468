#include "dialogs/EDialogFrame.h"

#include <algorithm>
#include <cstdint>

#include "debuginfo/ESnapshotWindows.h"
#include "engine/ECoreOptionFlags.h"
#include "engine/ECoreOptions.h"

namespace {

constexpr UINT_PTR kShownCheckTimer = 1;
constexpr UINT_PTR kAutoCloseTimer = 2;
constexpr UINT_PTR kKeepInFrontTimer = 3;
constexpr int kTemplateCaptionHeight = 18;
constexpr int kErrorTextCaption = 2;

HFONT FontLike(const LOGFONTA& base, LONG weight, bool underline) {
  LOGFONTA font = base;
  font.lfWeight = weight;
  font.lfUnderline = underline ? TRUE : FALSE;
  return CreateFontIndirectA(&font);
}

HFONT FaceFont(const char* face, LONG height, LONG weight) {
  LOGFONTA font{};
  font.lfHeight = height;
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

TDialogRect FromRect(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

bool IsInputMessage(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_LBUTTONDOWN && message <= WM_MOUSELAST && message != WM_MOUSEMOVE) ||
         (message >= WM_NCLBUTTONDOWN && message <= WM_NCMBUTTONDBLCLK);
}

}  // namespace

TDialogFaces DialogFacesFor(unsigned charset) {
  if (charset != ANSI_CHARSET) return {"MS Sans Serif", "Courier New", "Courier New", 10};
  return {"Verdana", "Lucida Console", "Tahoma", 8};
}

TDialogFonts::TDialogFonts() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  CHARSETINFO charset{};
  const UINT codePage = GetACP();
  const unsigned set =
      TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<std::uintptr_t>(codePage)),
                           &charset, TCI_SRCCODEPAGE)
          ? charset.ciCharset
          : ANSI_CHARSET;
  const TDialogFaces faces = DialogFacesFor(set);
  HDC screen = GetDC(nullptr);
  const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  const LONG fixedHeight = -MulDiv(faces.BaseSize, pixelsPerInch, 72);
  Caption = FaceFont(faces.First, metrics.iCaptionHeight, FW_BOLD);
  Message = CreateFontIndirectA(&metrics.lfMessageFont);
  BoldUnderlined = FontLike(metrics.lfMessageFont, FW_BOLD, true);
  Underlined = FontLike(metrics.lfMessageFont, FW_NORMAL, true);
  Bold = FontLike(metrics.lfMessageFont, FW_BOLD, false);
  Fixed = FaceFont(faces.Second, fixedHeight, FW_NORMAL);
  SecondFixed = FaceFont(faces.Third, fixedHeight, FW_NORMAL);
}

TDialogFonts::~TDialogFonts() {
  for (HFONT font : {Caption, Message, BoldUnderlined, Underlined, Bold, Fixed, SecondFixed}) {
    if (font) DeleteObject(font);
  }
}

TDialogRect WorkAreaOf(HWND window) {
  using TMonitorFromWindow = HMONITOR(WINAPI*)(HWND, DWORD);
  using TGetMonitorInfo = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
  HMODULE user = GetModuleHandleA("user32.dll");
  const auto monitorFromWindow = reinterpret_cast<TMonitorFromWindow>(
      reinterpret_cast<void*>(user ? GetProcAddress(user, "MonitorFromWindow") : nullptr));
  const auto getMonitorInfo = reinterpret_cast<TGetMonitorInfo>(
      reinterpret_cast<void*>(user ? GetProcAddress(user, "GetMonitorInfoA") : nullptr));
  if (monitorFromWindow && getMonitorInfo) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (HMONITOR monitor = monitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
        monitor && getMonitorInfo(monitor, &info)) {
      return FromRect(info.rcWork);
    }
  }
  RECT area{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return FromRect(area);
}

void CenterInWorkArea(HWND window, const TDialogRect& area, int width, int height) {
  const TDialogRect at = CentredIn(area, width, height);
  SetWindowPos(window, nullptr, at.Left, at.Top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CenterWindowInRect(HWND window, const TDialogRect& rect) {
  RECT now{};
  GetWindowRect(window, &now);
  CenterInWorkArea(window, rect, now.right - now.left, now.bottom - now.top);
}

int WrappedTextHeight(HWND window, HFONT font, const char* text, int width) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, width, 0};
  DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return r.bottom - r.top;
}

int TextWidth(HWND window, HFONT font, const char* text) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size.cx;
}

int LineHeight(HWND window, HFONT font) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return metrics.tmHeight;
}

TDialogFrame::TDialogFrame(const TDovaroModuleOptions& options, bool& shown)
    : options_(options), shown_(shown) {}

TDialogFrame::~TDialogFrame() {
  if (dialog_ && IsWindow(dialog_)) {
    KillTimer(dialog_, kShownCheckTimer);
    StopAutoClose();
    StopKeepInFront();
  }
}

void TDialogFrame::Prepare(HWND dialog, bool forceSmallCaption, bool classicDialog) {
  dialog_ = dialog;
  const bool ownLook = (options_.DialogFlags() & DlgOwnLook) && !classicDialog;
  if (ownLook || forceSmallCaption) {
    captionHeight_ = GetSystemMetrics(SM_CYSMCAPTION);
  } else {
    SetWindowLongA(dialog, GWL_EXSTYLE, GetWindowLongA(dialog, GWL_EXSTYLE) & ~WS_EX_TOOLWINDOW);
    captionHeight_ = GetSystemMetrics(SM_CYCAPTION);
  }
  if (options_.DialogFlags() & DlgTopMost) {
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    topMost_ = true;
  }
  RECT r{};
  GetWindowRect(dialog, &r);
  SetWindowPos(dialog, nullptr, 0, 0, r.right - r.left,
               r.bottom - r.top + captionHeight_ - kTemplateCaptionHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TDialogFrame::Show(HWND focus) {
  StartShownCheck();
  StartAutoClose();
  StartKeepInFront();
  ShowWindow(dialog_, SW_SHOW);
  SetForegroundWindow(dialog_);
  SetFocus(focus);
}

void TDialogFrame::StartShownCheck() {
  SetTimer(dialog_, kShownCheckTimer, 1, nullptr);
}

void TDialogFrame::StartAutoClose() {
  autoCloseTicks_ = 0;
  if (options_.DialogAutoCloseSecs() == 0) return;
  autoClose_ = SetTimer(dialog_, kAutoCloseTimer, 1000, nullptr) != 0;
}

void TDialogFrame::StopAutoClose() {
  if (autoClose_) KillTimer(dialog_, kAutoCloseTimer);
  autoClose_ = false;
}

void TDialogFrame::RestartAutoClose() {
  autoCloseTicks_ = 0;
}

void TDialogFrame::StartKeepInFront() {
  ownWindows_.clear();
  for (TWindow window : SnapshotProcessWindows()) {
    if (window != dialog_) ownWindows_.push_back(static_cast<HWND>(window));
  }
  keepInFront_ = SetTimer(dialog_, kKeepInFrontTimer, 10, nullptr) != 0;
}

void TDialogFrame::StopKeepInFront() {
  if (keepInFront_) KillTimer(dialog_, kKeepInFrontTimer);
  keepInFront_ = false;
}

bool TDialogFrame::Handle(UINT message, WPARAM w, LPARAM) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(w) != WA_INACTIVE) shown_ = true;
      return false;
    case WM_PAINT:
    case WM_NCPAINT:
      shown_ = true;
      return false;
    case WM_COMMAND:
    case WM_NOTIFY:
      autoCloseTicks_ = 0;
      return false;
    case WM_TIMER:
      break;
    default:
      return false;
  }
  switch (w) {
    case kShownCheckTimer:
      KillTimer(dialog_, kShownCheckTimer);
      // A dialog on a desktop that cannot show windows would wait forever.
      if (!shown_) PostMessageA(dialog_, WM_CLOSE, 0, 0);
      return true;
    case kAutoCloseTimer:
      if (++autoCloseTicks_ >= options_.DialogAutoCloseSecs()) {
        StopAutoClose();
        PostMessageA(dialog_, WM_CLOSE, 0, 0);
      }
      return true;
    case kKeepInFrontTimer: {
      if (topMost_) return true;
      HWND foreground = GetForegroundWindow();
      if (!foreground || foreground == dialog_) return true;
      DWORD process = 0;
      GetWindowThreadProcessId(foreground, &process);
      if (process == GetCurrentProcessId() &&
          std::find(ownWindows_.begin(), ownWindows_.end(), foreground) != ownWindows_.end()) {
        SetForegroundWindow(dialog_);
      }
      return true;
    }
    default:
      return false;
  }
}

void TDialogFrame::RunModal(const bool& ended) {
  MSG message;
  while (!ended && IsWindow(dialog_)) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that owns the quit
      break;
    }
    if (got < 0) break;
    if (IsInputMessage(message.message) &&
        (message.hwnd == dialog_ || IsChild(dialog_, message.hwnd))) {
      autoCloseTicks_ = 0;
    }
    if (!IsDialogMessageA(dialog_, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

HINSTANCE DialogResourceModule() {
  return static_cast<HINSTANCE>(CurrentModuleHandle());
}

std::string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

void ShowErrorBox(HWND owner, const TDovaroModuleOptions& options, int textIndex) {
  const std::string text = options.Text(textIndex);
  const std::string caption = options.Text(kErrorTextCaption);
  MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}
