// The send progress window (template "EL_SERVER"): a status line above a
// progress bar, the picture "EL_Send" at its left, caption text 110. The
// senders see it as ISendProgress; every call does nothing while no window
// is open.
//
// Foreground sending centres it in the exception's work area and keeps it in
// front; background sending puts it at the work area's bottom-right corner.
// When the report is handled in the thread that raised it, the window lives
// on that thread, which pumps its messages at every call; otherwise a
// TSendDialogThread runs it. Calls come from the delivering thread only.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "delivery/ESendProgress.h"
#include "engine/EngineContext.h"

class TDovaroModuleOptions;
class TSendDialogThread;

struct TProgressRequest {
  bool Wanted = false;           // SendShowProgress, a delivery mode, windows allowed
  bool Modal = true;             // foreground sending
  bool OnRaisingThread = false;  // the window lives on the calling thread
  TDeliveryPlace Place;
};

class TSendProgressWindow final : public ISendProgress {
 public:
  explicit TSendProgressWindow(const TDovaroModuleOptions& options);
  ~TSendProgressWindow() override;
  TSendProgressWindow(const TSendProgressWindow&) = delete;
  TSendProgressWindow& operator=(const TSendProgressWindow&) = delete;

  // ShowSendProgress: the state cleared (an open window closed first); opens
  // the window when wanted and waits, polling every 50 ms and at most 5 s,
  // until it has the input focus.
  void Show(const TProgressRequest& request);
  bool IsOpen() const;
  // Whether a window was opened by the last Show.
  bool WasShown() const { return shown_; }

  // SetProgressText and SetProgressTextCounted ("%s %d/%d: " of text 111,
  // the message number and count, then the text).
  void SetText(const std::string& text);
  void SetTextCounted(const std::string& text);

  void ShowText(int textNumber) override;
  void SetCounter(int number, int count) override;
  void ResetBar() override;
  void SetBar(int position) override;
  // CloseSendProgress: the window gets the private close message.
  void Close() override;

  // The window's procedure and its state, shared with the dialog thread.
  struct TState;

 private:
  void Pump();

  const TDovaroModuleOptions& options_;
  std::unique_ptr<TState> state_;
  std::unique_ptr<TSendDialogThread> thread_;
  int number_ = 0;
  int count_ = 0;
  int bar_ = 0;
  bool shown_ = false;
};
