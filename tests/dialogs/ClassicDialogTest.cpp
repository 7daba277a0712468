// The classic exception dialog as a live window: its texts, which controls
// each option combination shows, the positions the layout rules give, the
// buttons' outcomes, the e-mail address kept for next time and auto-close.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "dialogs/EDialogResources.h"
#include "engine/ECoreServices.h"
#include "tests/dialogs/DialogDriver.h"
#include "tools/window_capture/WindowCapture.h"

namespace {

std::set<int> Visible(const SeenDialog& seen) {
  const std::vector<int> ids = seen.VisibleIds();
  return {ids.begin(), ids.end()};
}

std::string Text(const SeenDialog& seen, int id) {
  const SeenControl* control = seen.Control(id);
  return control ? control->text : "(no control " + std::to_string(id) + ")";
}

void ForgetStoredEmail() {
  IniWrite(kDialogSettingsFile, kUserSection, kEmailKey, "");
}

TDialogRect PrimaryWorkArea() {
  RECT area{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return {area.left, area.top, area.right, area.bottom};
}

}  // namespace

TEST(ClassicDialog, LiveWindow_CaptionTextsAndLayout) {
  ForgetStoredEmail();
  TDovaroModuleOptions options;
  OfferSending(options);
  options.SetLogFlags(static_cast<std::uint8_t>(options.LogFlags() | LogAddReproduceText));
  options.SetDialogFlags(static_cast<std::uint16_t>(options.DialogFlags() | DlgShowHelpButton));
  options.ReproduceNote = "opened the settings";
  TExceptionDialogs dialogs;
  dialogs.CaptureWorkArea();
  TRecordingEvents events;
  const TDialogRun run =
      RunDialog(dialogs, dkClassic, ExceptionFor(options, 4), events,
                [](HWND window, const SeenDialog&, int) {
                  EXPECT_TRUE(SaveWindowPng(window, ScreenshotPath("classic-dialog")));
                  ClickButton(window, IDC_CLASSIC_DONT_SEND);
                });
  ASSERT_TRUE(run.answered);
  ASSERT_EQ(run.seen.size(), 1u);
  const SeenDialog& seen = run.seen[0];
  EXPECT_EQ(seen.caption, "Error occurred");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_HEADER),
            "The application has encountered a problem. We are sorry for the inconvenience.");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_MESSAGE),
            "Access violation at address 00401234. Write of address 00000010.");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_TERMINATE), "Restart application.");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_TELL), "Please tell us about this problem.");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_REPORT),
            "We have created an error report that you can send to us. We will treat this report "
            "as confidential and anonymous.");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_DETAILS),
            "To see what data the error report contains, click here.");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_QUESTION),
            "What were you doing when the problem happened (optional)?");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_REPRODUCE), "opened the settings");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_EMAIL_LABEL), "Email address (optional):");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_EMAIL), "");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_HELP), "&Help");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_SEND), "&Send Error Report");
  EXPECT_EQ(Text(seen, IDC_CLASSIC_DONT_SEND), "&Don't Send");
  EXPECT_EQ(Visible(seen),
            (std::set<int>{IDC_CLASSIC_HEADER, IDC_CLASSIC_MESSAGE, IDC_CLASSIC_TERMINATE,
                           IDC_CLASSIC_TELL, IDC_CLASSIC_REPORT, IDC_CLASSIC_QUESTION,
                           IDC_CLASSIC_REPRODUCE, IDC_CLASSIC_EMAIL_LABEL, IDC_CLASSIC_EMAIL,
                           IDC_CLASSIC_HELP, IDC_CLASSIC_SEND, IDC_CLASSIC_DONT_SEND}))
      << "the details link waits for the detailed dialog";
  EXPECT_TRUE(seen.Control(IDC_CLASSIC_SEND)->defaultButton);

  // The layout rules, read back from the live window.
  for (int id : {IDC_CLASSIC_HEADER, IDC_CLASSIC_MESSAGE, IDC_CLASSIC_TERMINATE, IDC_CLASSIC_TELL,
                 IDC_CLASSIC_REPORT, IDC_CLASSIC_QUESTION, IDC_CLASSIC_REPRODUCE}) {
    SCOPED_TRACE(id);
    const RECT r = seen.Control(id)->rect;
    EXPECT_EQ(r.left, 8);
    EXPECT_EQ(r.right - r.left, 356);
  }
  EXPECT_EQ(seen.Control(IDC_CLASSIC_MESSAGE)->rect.top, 59);
  const RECT header = seen.Control(IDC_CLASSIC_HEADER)->rect;
  EXPECT_NEAR(header.top + (header.bottom - header.top) / 2.0, 26, 1)
      << "the header is centred in the top 52 pixels";
  const RECT send = seen.Control(IDC_CLASSIC_SEND)->rect;
  const RECT dontSend = seen.Control(IDC_CLASSIC_DONT_SEND)->rect;
  EXPECT_EQ(dontSend.right, 405);
  EXPECT_LT(send.right, dontSend.left);
  EXPECT_GE(dontSend.right - dontSend.left, 75);
  EXPECT_GE(send.right - send.left, 75);
  EXPECT_EQ(seen.Control(IDC_CLASSIC_HELP)->rect.left, 8);
  const int width = seen.windowRect.right - seen.windowRect.left;
  const int height = seen.windowRect.bottom - seen.windowRect.top;
  EXPECT_EQ(width, 419);
  EXPECT_GE(seen.clientRect.bottom, send.bottom) << "as high as its content";
  const TDialogRect centred = CentredIn(dialogs.WorkArea(), width, height);
  EXPECT_EQ(seen.windowRect.left, centred.Left);
  EXPECT_EQ(seen.windowRect.top, centred.Top);
  EXPECT_EQ(dialogs.WorkArea(), PrimaryWorkArea()) << "one monitor: its work area";

  EXPECT_EQ(run.kind, dkNone);
  EXPECT_FALSE(run.choices.SendChosen);
  EXPECT_TRUE(events.requests.empty());
  EXPECT_TRUE(events.warnings.empty());
}

TEST(ClassicDialog, OptionCombinations_ShowAndHideTheirControls) {
  struct TRow {
    const char* name;
    std::function<void(TDovaroModuleOptions&)> setUp;
    std::uint32_t handled;
    bool duplicate;
    std::set<int> shown;
    std::set<int> hidden;
  };
  const auto none = [](TDovaroModuleOptions&) {};
  const auto offer = [](TDovaroModuleOptions& o) { OfferSending(o); };
  const TRow rows[] = {
      {"sending offered",
       offer,
       1,
       false,
       {IDC_CLASSIC_TELL, IDC_CLASSIC_REPORT, IDC_CLASSIC_EMAIL_LABEL, IDC_CLASSIC_EMAIL,
        IDC_CLASSIC_SEND, IDC_CLASSIC_DONT_SEND},
       {IDC_CLASSIC_TERMINATE, IDC_CLASSIC_QUESTION, IDC_CLASSIC_REPRODUCE, IDC_CLASSIC_HELP}},
      {"no delivery",
       none,
       1,
       false,
       {IDC_CLASSIC_DONT_SEND},
       {IDC_CLASSIC_TELL, IDC_CLASSIC_REPORT, IDC_CLASSIC_EMAIL, IDC_CLASSIC_SEND}},
      {"not offered by the flags",
       [](TDovaroModuleOptions& o) {
         OfferSending(o);
         o.SetDialogFlags(static_cast<std::uint16_t>(o.DialogFlags() & ~DlgOfferSending));
       },
       1,
       false,
       {IDC_CLASSIC_DONT_SEND},
       {IDC_CLASSIC_TELL, IDC_CLASSIC_SEND, IDC_CLASSIC_EMAIL}},
      {"a duplicate",
       offer,
       1,
       true,
       {IDC_CLASSIC_DONT_SEND},
       {IDC_CLASSIC_TELL, IDC_CLASSIC_SEND}},
      {"mail through the mail program only",
       [](TDovaroModuleOptions& o) {
         OfferSending(o);
         o.SetWebDelivery(0);
         o.SetMailDelivery(1);
       },
       1,
       false,
       {IDC_CLASSIC_TELL, IDC_CLASSIC_SEND},
       {IDC_CLASSIC_EMAIL_LABEL, IDC_CLASSIC_EMAIL}},
      {"reproduce text",
       [](TDovaroModuleOptions& o) {
         o.SetLogFlags(static_cast<std::uint8_t>(o.LogFlags() | LogAddReproduceText));
       },
       1,
       false,
       {IDC_CLASSIC_QUESTION, IDC_CLASSIC_REPRODUCE},
       {}},
      {"help button",
       [](TDovaroModuleOptions& o) {
         o.SetDialogFlags(static_cast<std::uint16_t>(o.DialogFlags() | DlgShowHelpButton));
       },
       1,
       false,
       {IDC_CLASSIC_HELP},
       {}},
      {"terminate box at TerminateButtonAfter", none, 3, false, {}, {IDC_CLASSIC_TERMINATE}},
      {"terminate box after TerminateButtonAfter", none, 4, false, {IDC_CLASSIC_TERMINATE}, {}},
      {"terminate box without an action",
       [](TDovaroModuleOptions& o) { o.SetTerminateAction(0); },
       9,
       false,
       {},
       {IDC_CLASSIC_TERMINATE}},
  };
  TExceptionDialogs dialogs;
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    TDovaroModuleOptions options;
    row.setUp(options);
    TDialogException exception = ExceptionFor(options, row.handled);
    exception.Duplicate = row.duplicate;
    TRecordingEvents events;
    const TDialogRun run = RunDialog(
        dialogs, dkClassic, exception, events,
        [](HWND window, const SeenDialog&, int) { PostMessageA(window, WM_CLOSE, 0, 0); });
    ASSERT_TRUE(run.answered);
    const std::set<int> visible = Visible(run.seen[0]);
    for (int id : row.shown) EXPECT_TRUE(visible.count(id)) << "shown: " << id;
    for (int id : row.hidden) EXPECT_FALSE(visible.count(id)) << "hidden: " << id;
    const SeenDialog& seen = run.seen[0];
    if (!SendingOffered(options, row.duplicate)) {
      EXPECT_FALSE(seen.Control(IDC_CLASSIC_SEND)->enabled);
      EXPECT_EQ(Text(seen, IDC_CLASSIC_DONT_SEND), "&OK");
      EXPECT_TRUE(seen.Control(IDC_CLASSIC_DONT_SEND)->defaultButton);
      EXPECT_EQ(seen.Control(IDC_CLASSIC_DONT_SEND)->rect.right, 405);
    }
  }
  TDovaroModuleOptions terminate;
  terminate.SetTerminateAction(1);
  TRecordingEvents events;
  const TDialogRun run =
      RunDialog(dialogs, dkClassic, ExceptionFor(terminate, 4), events,
                [](HWND window, const SeenDialog&, int) { PostMessageA(window, WM_CLOSE, 0, 0); });
  ASSERT_TRUE(run.answered);
  EXPECT_EQ(Text(run.seen[0], IDC_CLASSIC_TERMINATE), "Terminate application.");
}

TEST(ClassicDialog, Buttons_GiveTheirOutcomes) {
  struct TRow {
    const char* name;
    std::function<void(HWND)> answer;
    int rounds;
    int withdrawals;
    bool closeOnCustom;
    bool sendChosen;
    std::vector<std::uint8_t> requests;
    int confirmations;
    int customClicks;
  };
  const auto click = [](int id) { return [id](HWND w) { ClickButton(w, id); }; };
  const auto checkThen = [](int id) {
    return [id](HWND w) {
      PostMessageA(GetDlgItem(w, IDC_CLASSIC_TERMINATE), BM_CLICK, 0, 0);
      ClickButton(w, id);
    };
  };
  const TRow rows[] = {
      {"send", click(IDC_CLASSIC_SEND), 1, 0, false, true, {}, 0, 0},
      {"don't send", click(IDC_CLASSIC_DONT_SEND), 1, 0, false, false, {}, 0, 0},
      {"escape",
       [](HWND w) { PressKey(GetDlgItem(w, IDC_CLASSIC_SEND), VK_ESCAPE); },
       1,
       0,
       false,
       false,
       {},
       0,
       0},
      {"close request keeps the default choice",
       [](HWND w) { PostMessageA(w, WM_CLOSE, 0, 0); },
       1,
       0,
       false,
       true,
       {},
       0,
       0},
      {"restart box checked", checkThen(IDC_CLASSIC_SEND), 1, 0, false, true, {2}, 1, 0},
      {"restart box withdrawn by a handler: shown again",
       checkThen(IDC_CLASSIC_DONT_SEND),
       2,
       1,
       false,
       false,
       {},
       1,
       0},
      {"restart box checked, then escape",
       [](HWND w) {
         PostMessageA(GetDlgItem(w, IDC_CLASSIC_TERMINATE), BM_CLICK, 0, 0);
         PressKey(GetDlgItem(w, IDC_CLASSIC_SEND), VK_ESCAPE);
       },
       1,
       0,
       false,
       false,
       {},
       0,
       0},
      {"help button that closes", click(IDC_CLASSIC_HELP), 1, 0, true, true, {}, 0, 1},
  };
  TExceptionDialogs dialogs;
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    TDovaroModuleOptions options;
    OfferSending(options);
    options.SetDialogFlags(static_cast<std::uint16_t>(options.DialogFlags() | DlgShowHelpButton));
    TRecordingEvents events;
    events.withdrawals = row.withdrawals;
    events.closeOnCustomButton = row.closeOnCustom;
    const TDialogRun run = RunDialog(
        dialogs, dkClassic, ExceptionFor(options, 4), events,
        [&](HWND w, const SeenDialog&, int round) {
          if (round == 0) {
            row.answer(w);
          } else {
            ClickButton(w, IDC_CLASSIC_DONT_SEND);
          }
        },
        row.rounds);
    ASSERT_TRUE(run.answered);
    EXPECT_EQ(run.seen.size(), static_cast<std::size_t>(row.rounds));
    EXPECT_EQ(run.kind, dkNone);
    EXPECT_EQ(run.choices.SendChosen, row.sendChosen);
    EXPECT_EQ(events.confirmations, row.confirmations);
    EXPECT_EQ(events.customClicks, row.customClicks);
    EXPECT_EQ(events.requests, row.requests);
  }
}

TEST(ClassicDialog, EmailAddress_StoredAndOfferedNextTimeAnInvalidOneRefused) {
  ForgetStoredEmail();
  TExceptionDialogs dialogs;
  TDovaroModuleOptions options;
  OfferSending(options);
  TRecordingEvents first;
  RunDialog(dialogs, dkClassic, ExceptionFor(options), first, [](HWND w, const SeenDialog&, int) {
    TypeInto(GetDlgItem(w, IDC_CLASSIC_EMAIL), "  user@example.com ");
    ClickButton(w, IDC_CLASSIC_DONT_SEND);
  });
  EXPECT_EQ(first.emails, std::vector<std::string>{"user@example.com"});
  EXPECT_EQ(IniRead(kDialogSettingsFile, kUserSection, kEmailKey, "?"), "user@example.com");

  TRecordingEvents second;
  std::vector<SeenDialog> errorBoxes;
  const TDialogRun run = RunDialog(
      dialogs, dkClassic, ExceptionFor(options), second, [&](HWND w, const SeenDialog&, int) {
        HWND email = GetDlgItem(w, IDC_CLASSIC_EMAIL);
        SendMessageA(email, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("nobody"));
        ClickButton(w, IDC_CLASSIC_SEND);
        HWND box = WaitForDialog(GetCurrentProcessId(), "Error.");
        ASSERT_NE(box, nullptr);
        errorBoxes.push_back(ReadDialog(box));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        WaitUntilGone(box);
        EXPECT_TRUE(IsWindowVisible(w)) << "the dialog stays open";
        SendMessageA(email, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        ClickButton(w, IDC_CLASSIC_SEND);
      });
  ASSERT_TRUE(run.answered);
  EXPECT_EQ(Text(run.seen[0], IDC_CLASSIC_EMAIL), "user@example.com") << "offered again";
  ASSERT_EQ(errorBoxes.size(), 1u);
  const auto& controls = errorBoxes[0].controls;
  EXPECT_TRUE(std::any_of(controls.begin(), controls.end(),
                          [](const SeenControl& c) { return c.text == "Invalid email."; }));
  EXPECT_TRUE(second.emails.empty()) << "an empty address is accepted and not stored";
  EXPECT_TRUE(run.choices.SendChosen);
  EXPECT_EQ(IniRead(kDialogSettingsFile, kUserSection, kEmailKey, "?"), "user@example.com");
  ForgetStoredEmail();
}

TEST(ClassicDialog, AutoClose_ClosesAfterTheSecondsAndAKeyPressRestartsTheCount) {
  TExceptionDialogs dialogs;
  TDovaroModuleOptions options;
  options.SetDialogAutoCloseSecs(2);
  TRecordingEvents events;
  const TDialogRun quiet = RunDialog(dialogs, dkClassic, ExceptionFor(options), events,
                                     [](HWND, const SeenDialog&, int) {});
  ASSERT_TRUE(quiet.answered);
  EXPECT_EQ(quiet.kind, dkNone) << "closed by itself";
  EXPECT_TRUE(quiet.choices.SendChosen) << "no button pressed: the default stays";

  options.SetDialogAutoCloseSecs(3);
  bool stayedOpen = true;
  const TDialogRun busy = RunDialog(dialogs, dkClassic, ExceptionFor(options), events,
                                    [&](HWND w, const SeenDialog&, int) {
                                      // Six seconds of key presses, one a second: each restarts the
                                      // count.
                                      for (int i = 0; i < 6; ++i) {
                                        PressKey(GetDlgItem(w, IDC_CLASSIC_DONT_SEND), VK_SHIFT);
                                        Sleep(1000);
                                        stayedOpen = stayedOpen && IsWindowVisible(w);
                                      }
                                    });
  ASSERT_TRUE(busy.answered);
  EXPECT_TRUE(stayedOpen) << "key presses keep it open";
  EXPECT_EQ(busy.kind, dkNone) << "and it closes once they stop";
}

namespace {

bool InFrontWithin(HWND window, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetForegroundWindow() != window) {
    if (GetTickCount() - start >= milliseconds) return false;
    Sleep(20);
  }
  return true;
}

HWND PlainWindow(const char* caption) {
  return CreateWindowA("STATIC", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 240, 120,
                       nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

TEST(ClassicDialog, KeepInFront_AnEarlierWindowOfTheProcessYieldsALaterOneStays) {
  HWND earlier = PlainWindow("a window open before the dialog");
  TExceptionDialogs dialogs;
  TDovaroModuleOptions options;
  TRecordingEvents events;
  bool dialogBack = false;
  bool laterStays = false;
  const TDialogRun run = RunDialog(dialogs, dkClassic, ExceptionFor(options), events,
                                   [&](HWND w, const SeenDialog&, int) {
                                     SetForegroundWindow(earlier);
                                     dialogBack = InFrontWithin(w, 10000);
                                     HWND later = PlainWindow("a window opened after the dialog");
                                     SetForegroundWindow(later);
                                     Sleep(1000);  // a hundred ticks of the keep-in-front timer
                                     laterStays = GetForegroundWindow() == later;
                                     DestroyWindow(later);
                                     ClickButton(w, IDC_CLASSIC_DONT_SEND);
                                   });
  DestroyWindow(earlier);
  ASSERT_TRUE(run.answered);
  EXPECT_TRUE(dialogBack) << "the dialog takes the front back from the earlier window";
  EXPECT_TRUE(laterStays) << "a window opened after the dialog stays in front";
}
