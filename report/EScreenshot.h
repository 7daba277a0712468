// The screenshot of an exception: the screen as the application showed it,
// captured right after the report is built, kept until it is released, and
// written as a PNG file when the report is going to be sent.
//
// Runs on the thread that handles the exception; one object per engine, used
// by one exception at a time. Nothing here raises: a capture that fails keeps
// no image, a save that fails writes nothing.
#pragma once

#include <optional>
#include <string>

#include "report/EScreenshotOctree.h"

struct TScreenshotRequest {
  bool ActiveWindowOnly = false;  // the foreground window only, else the process's windows
  void* FocusWindow = nullptr;    // the window with the focus at the exception (may be null)
  std::uint32_t ProcessId = 0;    // whose visible windows make the rectangle (0: this process)
};

// Where the capture came from, in screen coordinates.
struct TCaptureArea {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TScreenshot {
 public:
  // Captures the screen image, replacing any image kept before.
  void Capture(const TScreenshotRequest& request);
  // Encodes the kept image as PNG and writes it to `fileName` in one write;
  // nothing when the name is empty or no image is kept. True when written.
  bool Save(const std::string& fileName) const;
  // Frees the kept image.
  void Release() { image_.reset(); }
  const TPixelImage* Image() const { return image_ ? &*image_ : nullptr; }
  const TCaptureArea& Area() const { return area_; }

 private:
  void CaptureInto(const TScreenshotRequest& request);
  std::optional<TPixelImage> image_;
  TCaptureArea area_;
};

// Writes `bytes` as the whole file; false when it could not be written (a
// partial file is removed).
bool WriteWholeFile(const std::string& fileName, const void* bytes, std::size_t length);
