// The message box and the steps-to-reproduce request as live windows, and
// the dispatcher's loop over the kinds.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "dialogs/EDialogResources.h"
#include "tests/dialogs/DialogDriver.h"
#include "tools/window_capture/WindowCapture.h"

TEST(MessageBoxDialog, CaptionText3AndTheExceptionMessage) {
  TExceptionDialogs dialogs;
  TDovaroModuleOptions options;
  TRecordingEvents events;
  const TDialogRun run =
      RunDialog(dialogs, dkMessageBox, ExceptionFor(options), events,
                [](HWND window, const SeenDialog&, int) {
                  EXPECT_TRUE(SaveWindowPng(window, ScreenshotPath("message-box")));
                  PostMessageA(window, WM_COMMAND, IDOK, 0);
                });
  ASSERT_TRUE(run.answered);
  const SeenDialog& seen = run.seen[0];
  EXPECT_EQ(seen.caption, "Error occurred");
  const auto& c = seen.controls;
  EXPECT_TRUE(std::any_of(c.begin(), c.end(), [](const SeenControl& control) {
    return control.text == "Access violation at address 00401234. Write of address 00000010.";
  }));
  EXPECT_TRUE(std::any_of(c.begin(), c.end(), [](const SeenControl& control) {
    return control.className == "Button" && control.text == "OK";
  }));
  EXPECT_EQ(run.kind, dkNone);
  EXPECT_TRUE(run.choices.SendChosen) << "the message box leaves the default choice";
  EXPECT_TRUE(events.warnings.empty());
}

TEST(MessageBoxDialog, CustomTextsAreUsed) {
  TExceptionDialogs dialogs;
  TDovaroModuleOptions options;
  options.SetText(3, "Something broke");
  TDialogException exception = ExceptionFor(options);
  exception.Message = "the filter's own message";
  TRecordingEvents events;
  const TDialogRun run = RunDialog(
      dialogs, dkMessageBox, exception, events,
      [](HWND window, const SeenDialog&, int) { PostMessageA(window, WM_COMMAND, IDOK, 0); }, 1,
      "Something broke");
  ASSERT_TRUE(run.answered);
  const auto& c = run.seen[0].controls;
  EXPECT_TRUE(std::any_of(c.begin(), c.end(), [](const SeenControl& control) {
    return control.text == "the filter's own message";
  }));
}

TEST(Dispatcher, DetailedKindNotBuilt_FallsBackToTheMessageBox) {
  TExceptionDialogs dialogs;
  TDovaroModuleOptions options;
  TRecordingEvents events;
  const TDialogRun run = RunDialog(
      dialogs, dkDetailed, ExceptionFor(options), events,
      [](HWND window, const SeenDialog&, int) { PostMessageA(window, WM_COMMAND, IDOK, 0); });
  ASSERT_TRUE(run.answered) << "the message box stands in for a dialog that cannot be shown";
  EXPECT_EQ(run.kind, dkNone);
  EXPECT_FALSE(run.choices.Failed);
  EXPECT_TRUE(events.warnings.empty());
}

TEST(ReproduceRequest, LiveWindow_TextsLayoutAndTheTypedTextKeptOnEscape) {
  TExceptionDialogs dialogs;
  dialogs.CaptureWorkArea();
  TDovaroModuleOptions options;
  options.ReproduceNote = "the note so far";
  SeenDialog seen;
  std::thread answering([&] {
    HWND window = WaitForDialog(GetCurrentProcessId(), "Request");
    ASSERT_NE(window, nullptr);
    Sleep(200);
    seen = ReadDialog(window);
    EXPECT_TRUE(SaveWindowPng(window, ScreenshotPath("reproduce-request")));
    HWND edit = GetDlgItem(window, IDC_REQUEST_EDIT);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("  1. open\r\n2. press save  "));
    PressKey(edit, VK_ESCAPE);
    WaitUntilGone(window);
  });
  dialogs.AskReproduceSteps(ExceptionFor(options));
  answering.join();
  EXPECT_EQ(seen.caption, "Request");
  ASSERT_NE(seen.Control(IDC_REQUEST_LABEL), nullptr);
  EXPECT_EQ(seen.Control(IDC_REQUEST_LABEL)->text,
            "Please describe the steps to reproduce the error:");
  EXPECT_EQ(seen.Control(IDC_REQUEST_OK)->text, "&OK");
  EXPECT_EQ(seen.Control(IDC_REQUEST_EDIT)->text, "the note so far");
  const int width = seen.windowRect.right - seen.windowRect.left;
  const RECT label = seen.Control(IDC_REQUEST_LABEL)->rect;
  const RECT edit = seen.Control(IDC_REQUEST_EDIT)->rect;
  const RECT button = seen.Control(IDC_REQUEST_OK)->rect;
  EXPECT_EQ(label.left, 10);
  EXPECT_EQ(label.top, 10);
  EXPECT_EQ(label.right - label.left, width - 27);
  EXPECT_EQ(edit.left, 10);
  EXPECT_EQ(edit.top, label.bottom - label.top + 14);
  EXPECT_EQ(button.left, width - 27 - 65);
  EXPECT_EQ(button.right - button.left, 75);
  EXPECT_EQ(button.bottom - button.top, 23);
  const TDialogRect centred =
      CentredIn(dialogs.WorkArea(), width, seen.windowRect.bottom - seen.windowRect.top);
  EXPECT_EQ(seen.windowRect.left, centred.Left);
  EXPECT_EQ(seen.windowRect.top, centred.Top);
  EXPECT_EQ(options.ReproduceNote, "1. open\r\n2. press save");
}
