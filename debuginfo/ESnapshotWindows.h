// The top-level windows of a process: which one is its main window, the
// rectangle they cover, the ones it has now, and the clipboard the dialogs
// copy to.
//
// The decisions are pure functions over TWindowFacts; the Win32 operations
// at the end ask the system (they must not run where the heap is forbidden;
// they never raise except by running out of memory).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using TWindow = void*;  // a window handle

struct TWindowRect {
  int Left = -1, Top = -1, Right = -1, Bottom = -1;
  bool operator==(const TWindowRect&) const = default;
};

// What the main-window test asks of a window; answers for the moment.
class TWindowFacts {
 public:
  virtual ~TWindowFacts() = default;
  virtual bool Visible(TWindow window) const = 0;
  virtual TWindowRect Rect(TWindow window) const = 0;
  virtual bool IsToolWindow(TWindow window) const = 0;  // the tool-window extended style
  virtual bool IsAppWindow(TWindow window) const = 0;   // the application-window extended style
  virtual TWindow Owner(TWindow window) const = 0;      // null when it has none
  virtual TWindow Desktop() const = 0;
  virtual std::string ClassName(TWindow window) const = 0;
};

// The class of the runtime's hidden application window, which owns the
// program's main forms.
inline constexpr std::string_view kApplicationWindowClass = "TApplication";

// A visible window with a size qualifies when its owner is none, the
// desktop or an application window, after one owner that is a tool window
// (but not the desktop or an application window) has been passed over. A
// tool window without the application-window style never qualifies.
bool QualifiesAsMainWindow(TWindow window, const TWindowFacts& facts);

// The smallest rectangle that holds every rectangle of positive width; all
// four values -1 when there is none.
TWindowRect BoundingRect(std::span<const TWindowRect> rects);

// --- Win32 ---

// The first top-level window of the process (in the system's order) that
// qualifies as a main window, or null.
TWindow MainWindowOf(std::uint32_t processId);
// BoundingRect of the visible top-level windows of the process.
TWindowRect ProcessWindowsRect(std::uint32_t processId);
// The top-level windows that belong to this process now.
std::vector<TWindow> SnapshotProcessWindows();
// Places `text` (ANSI) on the clipboard as plain text; false when the
// clipboard cannot be opened or filled.
bool CopyTextToClipboard(std::string_view text);
