// The capture of the screen image through the graphics system: the source
// window and rectangle, the copy into a bitmap whose width is a multiple of 4,
// the red frame round the focused window and the mouse cursor.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "report/EPngEncoder.h"
#include "report/EScreenshot.h"

namespace {

struct TWindowsOfProcess {
  DWORD ProcessId;
  RECT Bounds;
  bool Any;
};

BOOL CALLBACK AddVisibleWindow(HWND window, LPARAM parameter) {
  auto& found = *reinterpret_cast<TWindowsOfProcess*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  RECT rect;
  if (owner != found.ProcessId || !IsWindowVisible(window) || !GetWindowRect(window, &rect) ||
      rect.right - rect.left <= 0) {
    return TRUE;
  }
  if (!found.Any) {
    found.Bounds = rect;
    found.Any = true;
  } else {
    UnionRect(&found.Bounds, &found.Bounds, &rect);
  }
  return TRUE;
}

// The process's visible windows widened to the monitors nearest to their
// top-left and bottom-right corners; the desktop when there is no such
// window or the monitor functions are missing or fail.
RECT DesktopArea(DWORD processId) {
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  TWindowsOfProcess found{processId, {}, false};
  EnumWindows(AddVisibleWindow, reinterpret_cast<LPARAM>(&found));
  if (!found.Any) return desktop;
  HMODULE user = GetModuleHandleA("user32.dll");
  using TMonitorFromPoint = HMONITOR(WINAPI*)(POINT, DWORD);
  using TGetMonitorInfo = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
  const auto monitorFromPoint = user ? reinterpret_cast<TMonitorFromPoint>(reinterpret_cast<void*>(
                                           GetProcAddress(user, "MonitorFromPoint")))
                                     : nullptr;
  const auto getMonitorInfo = user ? reinterpret_cast<TGetMonitorInfo>(reinterpret_cast<void*>(
                                         GetProcAddress(user, "GetMonitorInfoA")))
                                   : nullptr;
  if (!monitorFromPoint || !getMonitorInfo) return desktop;
  MONITORINFO first{sizeof first, {}, {}, 0};
  MONITORINFO second{sizeof second, {}, {}, 0};
  const HMONITOR a = monitorFromPoint(POINT{found.Bounds.left, found.Bounds.top}, 2);
  const HMONITOR b = monitorFromPoint(POINT{found.Bounds.right, found.Bounds.bottom}, 2);
  if (!a || !b || !getMonitorInfo(a, &first) || !getMonitorInfo(b, &second)) return desktop;
  return RECT{first.rcMonitor.left, first.rcMonitor.top, second.rcMonitor.right,
              second.rcMonitor.bottom};
}

struct TDeleteObject {
  void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
using TGdiObject = std::unique_ptr<void, TDeleteObject>;

class TWindowDc {
 public:
  TWindowDc(HWND window, bool wholeWindow)
      : window_(window), dc_(wholeWindow ? GetWindowDC(window) : GetDC(window)) {}
  ~TWindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  TWindowDc(const TWindowDc&) = delete;
  TWindowDc& operator=(const TWindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

class TMemoryDc {
 public:
  explicit TMemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
  ~TMemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  TMemoryDc(const TMemoryDc&) = delete;
  TMemoryDc& operator=(const TMemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

void DrawFocusFrame(HDC dc, HWND focus, POINT origin) {
  RECT rect;
  if (!focus || !IsWindow(focus) || !GetWindowRect(focus, &rect)) return;
  OffsetRect(&rect, -origin.x, -origin.y);
  const TGdiObject red(CreateSolidBrush(RGB(255, 0, 0)));
  FrameRect(dc, &rect, static_cast<HBRUSH>(red.get()));
  InflateRect(&rect, -1, -1);
  FrameRect(dc, &rect, static_cast<HBRUSH>(red.get()));
}

void DrawCursor(HDC dc, POINT origin) {
  CURSORINFO info{};
  info.cbSize = sizeof info;
  if (!GetCursorInfo(&info) || !(info.flags & CURSOR_SHOWING) || !info.hCursor) return;
  ICONINFO icon{};
  POINT hotSpot{0, 0};
  if (GetIconInfo(info.hCursor, &icon)) {
    hotSpot = POINT{static_cast<LONG>(icon.xHotspot), static_cast<LONG>(icon.yHotspot)};
    if (icon.hbmMask) DeleteObject(icon.hbmMask);
    if (icon.hbmColor) DeleteObject(icon.hbmColor);
  }
  DrawIconEx(dc, info.ptScreenPos.x - origin.x - hotSpot.x,
             info.ptScreenPos.y - origin.y - hotSpot.y, info.hCursor, 32, 32, 0, nullptr,
             DI_NORMAL);
}

}  // namespace

void TScreenshot::Capture(const TScreenshotRequest& request) {
  image_.reset();
  try {
    CaptureInto(request);
  } catch (...) {
    image_.reset();  // out of memory: no screenshot
  }
}

void TScreenshot::CaptureInto(const TScreenshotRequest& request) {
  HWND source;
  RECT rect;
  POINT copyFrom;
  if (request.ActiveWindowOnly) {
    source = GetForegroundWindow();
    if (!source) source = GetDesktopWindow();
    if (!GetWindowRect(source, &rect)) return;
    copyFrom = POINT{0, 0};
  } else {
    source = GetDesktopWindow();
    rect = DesktopArea(request.ProcessId ? request.ProcessId : GetCurrentProcessId());
    copyFrom = POINT{rect.left, rect.top};
  }
  const POINT origin{rect.left, rect.top};
  const int width = std::max<int>(rect.right - rect.left, 1);
  const int height = std::max<int>(rect.bottom - rect.top, 1);
  const int stride = (width + 3) / 4 * 4;

  const TWindowDc sourceDc(source, request.ActiveWindowOnly);
  if (!sourceDc.get()) return;
  const TMemoryDc memory(sourceDc.get());
  const TGdiObject bitmap(CreateCompatibleBitmap(sourceDc.get(), stride, height));
  if (!memory.get() || !bitmap) return;
  const HGDIOBJ previousBitmap = SelectObject(memory.get(), bitmap.get());
  PatBlt(memory.get(), 0, 0, stride, height, BLACKNESS);

  TGdiObject palette;
  HPALETTE previousPalette = nullptr;
  if (GetDeviceCaps(sourceDc.get(), RASTERCAPS) & RC_PALETTE) {
    std::vector<unsigned char> storage(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = 256;
    GetSystemPaletteEntries(sourceDc.get(), 0, 256, logical->palPalEntry);
    palette.reset(CreatePalette(logical));
    if (palette) {
      previousPalette = SelectPalette(memory.get(), static_cast<HPALETTE>(palette.get()), FALSE);
      RealizePalette(memory.get());
    }
  }
  BitBlt(memory.get(), 0, 0, width, height, sourceDc.get(), copyFrom.x, copyFrom.y, SRCCOPY);
  DrawFocusFrame(memory.get(), static_cast<HWND>(request.FocusWindow), origin);
  DrawCursor(memory.get(), origin);
  if (previousPalette) SelectPalette(memory.get(), previousPalette, FALSE);
  SelectObject(memory.get(), previousBitmap);

  TPixelImage image;
  image.Width = width;
  image.Height = height;
  image.Stride = stride;
  image.Pixels.resize(static_cast<std::size_t>(stride) * height);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = stride;
  info.bmiHeader.biHeight = -height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  if (GetDIBits(memory.get(), static_cast<HBITMAP>(bitmap.get()), 0, height, image.Pixels.data(),
                &info, DIB_RGB_COLORS) != height) {
    return;
  }
  for (auto& pixel : image.Pixels) pixel &= 0xFFFFFF;
  area_ = TCaptureArea{rect.left, rect.top, rect.left + width, rect.top + height};
  image_ = std::move(image);
}

bool TScreenshot::Save(const std::string& fileName) const {
  if (fileName.empty() || !image_) return false;
  try {
    const std::vector<std::uint8_t> png = EncodeScreenshotPng(*image_);
    return WriteWholeFile(fileName, png.data(), png.size());
  } catch (...) {
    return false;  // out of memory: no screenshot is attached
  }
}

bool WriteWholeFile(const std::string& fileName, const void* bytes, std::size_t length) {
  const HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes, static_cast<DWORD>(length), &written, nullptr) && written == length;
  CloseHandle(file);
  if (!ok) DeleteFileA(fileName.c_str());
  return ok;
}
