#include "delivery/EDeliveryProgress.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "delivery/EDeliveryResources.h"
#include "delivery/EDeliveryWarnings.h"
#include "dialogs/EDialogFrame.h"
#include "engine/ECoreOptions.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogThreadBlock.h"
#include "platform/runtime/Thread.h"

namespace {

constexpr UINT kCloseMessage = 2258;
constexpr int kCaptionText = 110;
constexpr int kMessageText = 111;
constexpr DWORD kFocusPollMs = 50;
constexpr DWORD kFocusWaitMs = 5000;
constexpr DWORD kThreadEndWaitMs = 5000;
constexpr int kPictureLeft = 8;

}  // namespace

struct TSendProgressWindow::TState {
  TState(const TDovaroModuleOptions& options, const TProgressRequest& request)
      : Options(options), Request(request), Frame(options, Shown) {}
  const TDovaroModuleOptions& Options;
  TProgressRequest Request;
  bool Shown = false;  // activated or painted (the frame's mark)
  TDialogFrame Frame;
  std::unique_ptr<TDialogFonts> Fonts;
  HBITMAP Picture = nullptr;
  std::atomic<HWND> Window{nullptr};
  std::atomic<bool> Focused{false};
  std::atomic<bool> Ended{false};  // the window is gone, or could not be made

  ~TState() {
    if (Picture) DeleteObject(Picture);
  }

  void Opened(HWND window);
  void Paint(HWND window);
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
};

// The window's modal loop, on a thread of its own.
class TSendDialogThread final : public TThread {
 public:
  explicit TSendDialogThread(TSendProgressWindow::TState& state) : state_(state) {}

 protected:
  void Execute() override {
    if (TThreadBlock* block = CurrentThreadBlock()) block->EngineThread = true;
    TExceptionLogEngine* engine = InterceptionEngine();
    if (engine) engine->ExcludeThread(GetCurrentThreadId(), true);
    RunWindow();
    if (engine) engine->ExcludeThread(GetCurrentThreadId(), false);
  }

 private:
  void RunWindow() {
    HWND window = CreateDialogParamA(DialogResourceModule(), EL_SERVER_NAME, nullptr,
                                     &TSendProgressWindow::TState::Procedure,
                                     reinterpret_cast<LPARAM>(&state_));
    if (!window) {
      state_.Ended = true;
      return;
    }
    MSG message;
    while (!state_.Ended.load() && GetMessageA(&message, nullptr, 0, 0) > 0) {
      if (!IsDialogMessageA(window, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    }
    if (IsWindow(window)) DestroyWindow(window);
  }

  TSendProgressWindow::TState& state_;
};

void TSendProgressWindow::TState::Opened(HWND window) {
  Window = window;
  Frame.Prepare(window, !Request.Modal, false);
  Fonts = std::make_unique<TDialogFonts>();
  SendDlgItemMessageA(window, IDC_SEND_STATUS, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts->Message),
                      TRUE);
  SendDlgItemMessageA(window, IDC_SEND_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendDlgItemMessageA(window, IDC_SEND_PROGRESS, PBM_SETPOS, 0, 0);
  SetWindowTextA(window, Options.Text(kCaptionText).c_str());
  SetDlgItemTextA(window, IDC_SEND_STATUS, "");
  Picture = static_cast<HBITMAP>(
      LoadImageA(DialogResourceModule(), EL_SEND_NAME, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  RECT r{};
  GetWindowRect(window, &r);
  const TDialogRect area{Request.Place.Left, Request.Place.Top, Request.Place.Right,
                         Request.Place.Bottom};
  if (Request.Modal) {
    CenterWindowInRect(window, area);
    Frame.StartKeepInFront();
  } else {
    SetWindowPos(window, nullptr, area.Right - (r.right - r.left), area.Bottom - (r.bottom - r.top),
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(window);
}

void TSendProgressWindow::TState::Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (Picture) {
    BITMAP facts{};
    GetObjectA(Picture, sizeof facts, &facts);
    RECT client{};
    GetClientRect(window, &client);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, Picture);
    BitBlt(dc, kPictureLeft, (client.bottom - facts.bmHeight) / 2, facts.bmWidth, facts.bmHeight,
           source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
  }
  EndPaint(window, &paint);
}

INT_PTR CALLBACK TSendProgressWindow::TState::Procedure(HWND window, UINT message, WPARAM w,
                                                        LPARAM l) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(window, DWLP_USER, l);
  auto* state = reinterpret_cast<TState*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!state) return FALSE;
  if (state->Frame.Handle(message, w, l)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      state->Opened(window);
      return FALSE;  // the focus stays where Opened put it
    case WM_ACTIVATE:
      if (LOWORD(w) != WA_INACTIVE) state->Focused = true;
      return FALSE;
    case WM_SETFOCUS:
      state->Focused = true;
      return FALSE;
    case WM_PAINT:
      state->Paint(window);
      return TRUE;
    case WM_CLOSE:
    case kCloseMessage:
      state->Frame.StopKeepInFront();
      DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      state->Window = nullptr;
      state->Ended = true;
      SetWindowLongPtrA(window, DWLP_USER, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

TSendProgressWindow::TSendProgressWindow(const TDovaroModuleOptions& options) : options_(options) {}

TSendProgressWindow::~TSendProgressWindow() {
  Close();
}

void TSendProgressWindow::Show(const TProgressRequest& request) {
  Close();
  number_ = count_ = bar_ = 0;
  shown_ = false;
  if (!request.Wanted) return;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  state_ = std::make_unique<TState>(options_, request);
  if (request.OnRaisingThread) {
    if (!CreateDialogParamA(DialogResourceModule(), EL_SERVER_NAME, nullptr, &TState::Procedure,
                            reinterpret_cast<LPARAM>(state_.get()))) {
      state_.reset();
      return;
    }
  } else {
    thread_ = std::make_unique<TSendDialogThread>(*state_);
    thread_->Priority = THREAD_PRIORITY_HIGHEST;
    if (!thread_->Start()) {
      thread_.reset();
      state_.reset();
      return;
    }
  }
  // The window may never get the focus (a desktop that shows nothing): the
  // wait has a bound.
  for (DWORD waited = 0; waited < kFocusWaitMs && !state_->Focused.load() && !state_->Ended.load();
       waited += kFocusPollMs) {
    Pump();
    Sleep(kFocusPollMs);
  }
  shown_ = IsOpen();
  if (shown_) NoteProgressWindowOpened();
}

bool TSendProgressWindow::IsOpen() const {
  return state_ && state_->Window.load() != nullptr;
}

void TSendProgressWindow::Pump() {
  if (!state_ || !state_->Request.OnRaisingThread) return;
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    HWND window = state_->Window.load();
    if (!window || !IsDialogMessageA(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

void TSendProgressWindow::SetText(const std::string& text) {
  if (HWND window = IsOpen() ? state_->Window.load() : nullptr) {
    SetDlgItemTextA(window, IDC_SEND_STATUS, text.c_str());
  }
  Pump();
}

void TSendProgressWindow::SetTextCounted(const std::string& text) {
  char prefix[160];
  std::snprintf(prefix, sizeof prefix, "%s %d/%d: ", options_.Text(kMessageText).c_str(), number_,
                count_);
  SetText(prefix + text);
}

void TSendProgressWindow::ShowText(int textNumber) {
  const std::string text = options_.Text(textNumber);
  if (count_ > 0) {
    SetTextCounted(text);
  } else {
    SetText(text);
  }
}

void TSendProgressWindow::SetCounter(int number, int count) {
  number_ = number;
  count_ = count;
}

void TSendProgressWindow::ResetBar() {
  bar_ = 0;
  if (HWND window = IsOpen() ? state_->Window.load() : nullptr) {
    SendDlgItemMessageA(window, IDC_SEND_PROGRESS, PBM_SETPOS, 0, 0);
  }
  Pump();
}

void TSendProgressWindow::SetBar(int position) {
  if (position < bar_) return;
  bar_ = position;
  if (HWND window = IsOpen() ? state_->Window.load() : nullptr) {
    SendDlgItemMessageA(window, IDC_SEND_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
  Pump();
}

void TSendProgressWindow::Close() {
  if (!state_) return;
  if (HWND window = state_->Window.load()) {
    if (thread_) {
      PostMessageA(window, kCloseMessage, 0, 0);
    } else {
      SendMessageA(window, kCloseMessage, 0, 0);
    }
  }
  if (thread_) {
    // The thread's loop ends once the window is gone (a posted message wakes it).
    state_->Ended = true;
    PostThreadMessageA(thread_->ThreadId(), WM_NULL, 0, 0);
    if (!thread_->WaitFor(kThreadEndWaitMs)) {
      TerminateThread(static_cast<HANDLE>(thread_->Handle()), 1);
    }
    thread_.reset();
  }
  Pump();
  state_.reset();
}
