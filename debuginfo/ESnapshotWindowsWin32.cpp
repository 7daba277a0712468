#include <windows.h>

#include <cstring>
#include <functional>

#include "debuginfo/ESnapshotWindows.h"

namespace {

HWND AsHandle(TWindow window) {
  return static_cast<HWND>(window);
}

class TLiveWindowFacts final : public TWindowFacts {
 public:
  bool Visible(TWindow window) const override { return IsWindowVisible(AsHandle(window)); }
  TWindowRect Rect(TWindow window) const override {
    RECT rect;
    if (!GetWindowRect(AsHandle(window), &rect)) return {};
    return {rect.left, rect.top, rect.right, rect.bottom};
  }
  bool IsToolWindow(TWindow window) const override {
    return (GetWindowLongA(AsHandle(window), GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
  }
  bool IsAppWindow(TWindow window) const override {
    return (GetWindowLongA(AsHandle(window), GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0;
  }
  TWindow Owner(TWindow window) const override { return GetWindow(AsHandle(window), GW_OWNER); }
  TWindow Desktop() const override { return GetDesktopWindow(); }
  std::string ClassName(TWindow window) const override {
    char name[256];
    const int length = GetClassNameA(AsHandle(window), name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
  }
};

struct TWindowWalk {
  DWORD ProcessId;
  const std::function<bool(HWND)>& Visit;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM parameter) {
  const auto& walk = *reinterpret_cast<const TWindowWalk*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  return owner != walk.ProcessId || walk.Visit(window);
}

// Calls `visit` for each top-level window of the process until it answers
// false.
void ForEachWindowOf(DWORD processId, const std::function<bool(HWND)>& visit) {
  const TWindowWalk walk{processId, visit};
  EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&walk));
}

}  // namespace

TWindow MainWindowOf(std::uint32_t processId) {
  const TLiveWindowFacts facts;
  TWindow found = nullptr;
  ForEachWindowOf(processId, [&](HWND window) {
    if (QualifiesAsMainWindow(window, facts)) found = window;
    return found == nullptr;
  });
  return found;
}

TWindowRect ProcessWindowsRect(std::uint32_t processId) {
  const TLiveWindowFacts facts;
  std::vector<TWindowRect> rects;
  ForEachWindowOf(processId, [&](HWND window) {
    if (facts.Visible(window)) rects.push_back(facts.Rect(window));
    return true;
  });
  return BoundingRect(rects);
}

std::vector<TWindow> SnapshotProcessWindows() {
  std::vector<TWindow> windows;
  ForEachWindowOf(GetCurrentProcessId(), [&](HWND window) {
    windows.push_back(window);
    return true;
  });
  return windows;
}

bool CopyTextToClipboard(std::string_view text) {
  if (!OpenClipboard(nullptr)) return false;
  bool placed = false;
  if (EmptyClipboard()) {
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
      if (auto* bytes = static_cast<char*>(GlobalLock(memory))) {
        std::memcpy(bytes, text.data(), text.size());
        bytes[text.size()] = '\0';
        GlobalUnlock(memory);
        placed = SetClipboardData(CF_TEXT, memory) != nullptr;
      }
      if (!placed) GlobalFree(memory);  // the clipboard owns it only once placed
    }
  }
  CloseClipboard();
  return placed;
}
