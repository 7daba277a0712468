#include "debuginfo/ESnapshotWindows.h"

#include <algorithm>

namespace {

bool IsApplicationWindow(TWindow window, const TWindowFacts& facts) {
  return facts.ClassName(window) == kApplicationWindowClass;
}

}  // namespace

bool QualifiesAsMainWindow(TWindow window, const TWindowFacts& facts) {
  if (!facts.Visible(window)) return false;
  const TWindowRect rect = facts.Rect(window);
  if (rect.Right <= rect.Left || rect.Bottom <= rect.Top) return false;
  if (facts.IsToolWindow(window) && !facts.IsAppWindow(window)) return false;
  const TWindow desktop = facts.Desktop();
  TWindow owner = facts.Owner(window);
  if (owner && owner != desktop && facts.IsToolWindow(owner) && !IsApplicationWindow(owner, facts))
    owner = facts.Owner(owner);
  return !owner || owner == desktop || IsApplicationWindow(owner, facts);
}

TWindowRect BoundingRect(std::span<const TWindowRect> rects) {
  TWindowRect bounds;
  bool any = false;
  for (const TWindowRect& rect : rects) {
    if (rect.Right - rect.Left <= 0) continue;
    if (!any) {
      bounds = rect;
      any = true;
      continue;
    }
    bounds.Left = std::min(bounds.Left, rect.Left);
    bounds.Top = std::min(bounds.Top, rect.Top);
    bounds.Right = std::max(bounds.Right, rect.Right);
    bounds.Bottom = std::max(bounds.Bottom, rect.Bottom);
  }
  return bounds;
}
