// What the senders (mail, web uploads, trackers) need from the delivery run
// while they work: the send progress window, seen through a narrow
// interface, and the files they carry with the names the receiver sees.
//
// Pure: no windows.h. The delivery run implements the window; tests record.
#pragma once

#include <functional>
#include <string>

// The progress window of a delivery. Every call does nothing when no window
// is open; the implementation decides that, not the senders.
class ISendProgress {
 public:
  virtual ~ISendProgress() = default;
  // Puts customizable text `textNumber` (113 "Login...", 114 "Connecting
  // with server...", ...) into the status line, after the "Message 1/2: "
  // prefix while a message counter is set.
  virtual void ShowText(int textNumber) = 0;
  // The message counter of the prefix: message `number` of `count`.
  virtual void SetCounter(int number, int count) = 0;
  // Moves the bar back to 0.
  virtual void ResetBar() = 0;
  // Moves the bar to `position` (0 to 100) unless it is already further.
  virtual void SetBar(int position) = 0;
  // Closes the window.
  virtual void Close() = 0;
};

// A file that travels with a report: where it lies, and the name the mail
// or the server shows for it.
struct TDeliveryFile {
  std::string Path;
  std::string ShownName;
};

// Records a delivery failure as the engine's warning (it becomes the last
// warning); the text is complete, e.g. "[SMTP] Socket timeout. ...".
using TWarningSink = std::function<void(const std::string& text)>;
