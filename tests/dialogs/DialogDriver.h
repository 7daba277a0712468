// Runs a dialog of the dispatcher on the test's thread while a second
// thread finds each window it shows, reads it back and answers it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/EDialogs.h"
#include "engine/ECoreOptionFlags.h"
#include "engine/ECoreOptions.h"
#include "tools/window_capture/DialogWindows.h"

// What the dialogs asked of the handling flow.
class TRecordingEvents final : public IDialogEvents {
 public:
  bool closeOnCustomButton = false;
  int withdrawals = 0;  // how many terminate requests the handlers withdraw
  int customClicks = 0;
  int confirmations = 0;
  std::vector<std::uint8_t> requests;
  std::vector<std::string> emails;
  std::vector<std::string> warnings;

  bool CustomButtonClick() override {
    ++customClicks;
    return closeOnCustomButton;
  }
  bool ConfirmTermination() override {
    ++confirmations;
    if (withdrawals == 0) return true;
    --withdrawals;
    return false;
  }
  void RequestTermination(std::uint8_t action) override { requests.push_back(action); }
  void UserEmailTyped(const std::string& email) override { emails.push_back(email); }
  void Warning(const std::string& text) override { warnings.push_back(text); }
};

// The options of a module with web delivery (so sending is offered) and
// the texts' defaults.
inline void OfferSending(TDovaroModuleOptions& options) {
  options.SetWebDelivery(6);
  options.SetMailDelivery(0);
  options.SetDialogFlags(static_cast<std::uint16_t>(options.DialogFlags() | DlgOfferSending));
}

using TAnswer = std::function<void(HWND window, const SeenDialog& seen, int round)>;

struct TDialogRun {
  int kind = 0;
  TDialogChoices choices;
  std::vector<SeenDialog> seen;  // each window the answering thread read
  bool answered = true;          // every expected window came
};

// Shows `kind`; for each of `rounds` windows captioned `caption` the answer
// runs on the second thread, which then waits until the window is gone.
inline TDialogRun RunDialog(TExceptionDialogs& dialogs, int kind, const TDialogException& exception,
                            TRecordingEvents& events, const TAnswer& answer, int rounds = 1,
                            const std::string& caption = "Error occurred",
                            bool sendDefault = true) {
  TDialogRun run;
  run.choices.SendChosen = sendDefault;
  std::thread answering([&] {
    for (int round = 0; round < rounds; ++round) {
      HWND window = WaitForDialog(GetCurrentProcessId(), caption);
      if (!window) {
        run.answered = false;
        return;
      }
      Sleep(200);  // let it paint before it is read and pictured
      const SeenDialog seen = ReadDialog(window);
      run.seen.push_back(seen);
      answer(window, seen, round);
      WaitUntilGone(window);
    }
  });
  run.kind = kind;
  dialogs.ShowExceptionDialog(run.kind, false, false, exception, events, run.choices);
  answering.join();
  return run;
}

inline TDialogException ExceptionFor(TDovaroModuleOptions& options,
                                     std::uint32_t handledCount = 1) {
  TDialogException exception;
  exception.Options = &options;
  exception.Message = "Access violation at address 00401234. Write of address 00000010.";
  exception.HandledCount = handledCount;
  return exception;
}
