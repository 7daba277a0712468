// The windows of a process: the main-window rule over fixture windows, the
// covering rectangle, and real windows and the clipboard under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>

#include "debuginfo/ESnapshotWindows.h"

namespace {

struct TFixtureWindow {
  bool visible = true;
  TWindowRect rect{0, 0, 100, 100};
  bool tool = false;
  bool app = false;
  int owner = 0;
  std::string className = "TForm";
};

constexpr int kDesktop = 1;

class TFixtureWindows : public TWindowFacts {
 public:
  std::map<int, TFixtureWindow> windows;

  static TWindow Handle(int id) {
    return reinterpret_cast<TWindow>(static_cast<std::intptr_t>(id));
  }
  const TFixtureWindow& Of(TWindow window) const {
    return windows.at(static_cast<int>(reinterpret_cast<std::intptr_t>(window)));
  }
  bool Visible(TWindow w) const override { return Of(w).visible; }
  TWindowRect Rect(TWindow w) const override { return Of(w).rect; }
  bool IsToolWindow(TWindow w) const override { return Of(w).tool; }
  bool IsAppWindow(TWindow w) const override { return Of(w).app; }
  TWindow Owner(TWindow w) const override { return Of(w).owner ? Handle(Of(w).owner) : nullptr; }
  TWindow Desktop() const override { return Handle(kDesktop); }
  std::string ClassName(TWindow w) const override { return Of(w).className; }
};

TFixtureWindow Window(void (*change)(TFixtureWindow&)) {
  TFixtureWindow window;
  if (change) change(window);
  return window;
}

}  // namespace

TEST(MainWindow, Rule_OverFixtureWindows) {
  TFixtureWindows facts;
  facts.windows[kDesktop] = Window([](auto& w) { w.className = "#32769"; });
  facts.windows[2] = Window([](auto& w) { w.className = "TApplication"; });
  facts.windows[3] = Window(nullptr);                         // a plain form
  facts.windows[4] = Window([](auto& w) { w.tool = true; });  // an unowned tool window
  facts.windows[5] = Window([](auto& w) {
    w.tool = true;
    w.owner = 3;
  });  // a tool window owned by a form
  facts.windows[6] = Window([](auto& w) {
    w.tool = true;
    w.owner = 2;
  });  // one owned by the application
  facts.windows[7] = Window([](auto& w) {
    w.tool = true;
    w.className = "TApplication";
  });
  const struct {
    const char* text;
    TFixtureWindow window;
    bool qualifies;
  } rows[] = {
      {"a visible unowned window", Window(nullptr), true},
      {"an invisible one", Window([](auto& w) { w.visible = false; }), false},
      {"one without width", Window([](auto& w) {
         w.rect = {10, 10, 10, 50};
       }),
       false},
      {"one without height", Window([](auto& w) {
         w.rect = {10, 10, 50, 10};
       }),
       false},
      {"a tool window", Window([](auto& w) { w.tool = true; }), false},
      {"a tool window in the task bar", Window([](auto& w) { w.tool = w.app = true; }), true},
      {"owned by the desktop", Window([](auto& w) { w.owner = kDesktop; }), true},
      {"owned by the application window", Window([](auto& w) { w.owner = 2; }), true},
      {"owned by another form", Window([](auto& w) { w.owner = 3; }), false},
      {"owned by an unowned tool window", Window([](auto& w) { w.owner = 4; }), true},
      {"owned by a tool window that a form owns", Window([](auto& w) { w.owner = 5; }), false},
      {"owned by a tool window of the application", Window([](auto& w) { w.owner = 6; }), true},
      {"owned by an application window that is a tool window", Window([](auto& w) { w.owner = 7; }),
       true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    facts.windows[100] = row.window;
    EXPECT_EQ(QualifiesAsMainWindow(TFixtureWindows::Handle(100), facts), row.qualifies);
  }
}

TEST(MainWindow, BoundingRect_HoldsTheWindowsWithAWidth) {
  const struct {
    const char* text;
    std::vector<TWindowRect> rects;
    TWindowRect bounds;
  } rows[] = {
      {"none", {}, {-1, -1, -1, -1}},
      {"one", {{10, 20, 30, 40}}, {10, 20, 30, 40}},
      {"two apart", {{10, 20, 30, 40}, {-5, 50, 5, 60}}, {-5, 20, 30, 60}},
      {"one without width left out", {{10, 20, 30, 40}, {0, 0, 0, 100}}, {10, 20, 30, 40}},
      {"only windows without width", {{0, 0, 0, 100}, {5, 5, 4, 9}}, {-1, -1, -1, -1}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(BoundingRect(row.rects), row.bounds);
  }
}

namespace {

// A top-level window of this process, destroyed with the object.
class TTestWindow {
 public:
  TTestWindow(DWORD exStyle, HWND owner, RECT at)
      : window_(CreateWindowExA(exStyle, "STATIC", "snapshot", WS_POPUP | WS_VISIBLE, at.left,
                                at.top, at.right - at.left, at.bottom - at.top, owner, nullptr,
                                nullptr, nullptr)) {}
  ~TTestWindow() { DestroyWindow(window_); }
  HWND Handle() const { return window_; }

 private:
  HWND window_;
};

}  // namespace

TEST(MainWindow, ThisProcess_HasItsVisibleFormAsMainWindow) {
  const DWORD self = GetCurrentProcessId();
  const TTestWindow form(0, nullptr, {100, 120, 400, 300});
  const TTestWindow palette(WS_EX_TOOLWINDOW, form.Handle(), {50, 350, 150, 450});
  ASSERT_NE(form.Handle(), nullptr);
  ASSERT_NE(palette.Handle(), nullptr);
  EXPECT_EQ(MainWindowOf(self), form.Handle());
  EXPECT_EQ(ProcessWindowsRect(self), (TWindowRect{50, 120, 400, 450}));
  const auto windows = SnapshotProcessWindows();
  for (const HWND window : {form.Handle(), palette.Handle()})
    EXPECT_NE(std::find(windows.begin(), windows.end(), window), windows.end());

  constexpr DWORD kNoSuchProcess = 0xFFFFFFF0;
  EXPECT_EQ(MainWindowOf(kNoSuchProcess), nullptr);
  EXPECT_EQ(ProcessWindowsRect(kNoSuchProcess), (TWindowRect{-1, -1, -1, -1}));
}

TEST(Clipboard, CopiedText_IsReadBackAsPlainText) {
  const std::string text = "Modules:\r\n7B810000 KERNEL32.dll";
  ASSERT_TRUE(CopyTextToClipboard(text));
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE data = GetClipboardData(CF_TEXT);
  std::string read;
  if (data) {
    read = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_EQ(read, text);
}
