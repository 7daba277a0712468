// Screenshots of real windows under the virtual display and PNG files of
// made images, written for the Linux-side checker (its own chunk and CRC
// walk over Python's zlib, and Pillow).
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "report/EPngEncoder.h"
#include "report/EScreenshot.h"
#include "tests/attachments/Manifest.h"

namespace {

constexpr COLORREF kWindowColour = RGB(0, 128, 255);
constexpr COLORREF kChildColour = RGB(0, 200, 0);
constexpr int kLeft = 100, kTop = 100, kWidth = 300, kHeight = 200;
constexpr int kChildX = 20, kChildY = 20, kChildWidth = 100, kChildHeight = 40;

std::string Pixel(int x, int y, COLORREF colour) {
  return JsonInts({x, y, GetRValue(colour), GetGValue(colour), GetBValue(colour)});
}

void Pump(int milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

ATOM RegisterColourClass(const char* name, COLORREF colour) {
  WNDCLASSA type{};
  type.lpfnWndProc = DefWindowProcA;
  type.hInstance = GetModuleHandleA(nullptr);
  type.hbrBackground = CreateSolidBrush(colour);
  type.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  type.lpszClassName = name;
  return RegisterClassA(&type);
}

// A borderless window in one colour with a child control in another, at a
// known place; the child has the focus.
class TColourWindows {
 public:
  TColourWindows(int width = kWidth, int height = kHeight) {
    static const bool registered = RegisterColourClass("VipcShotWindow", kWindowColour) &&
                                   RegisterColourClass("VipcShotChild", kChildColour);
    (void)registered;
    top_ =
        CreateWindowExA(WS_EX_TOPMOST, "VipcShotWindow", "shot", WS_POPUP | WS_VISIBLE, kLeft, kTop,
                        width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    child_ = CreateWindowExA(0, "VipcShotChild", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, kChildX,
                             kChildY, kChildWidth, kChildHeight, top_, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(top_);
    SetFocus(child_);
    UpdateWindow(top_);
    Pump(700);
  }
  ~TColourWindows() {
    DestroyWindow(top_);
    Pump(200);
  }
  HWND Top() const { return top_; }
  HWND Child() const { return child_; }

 private:
  HWND top_ = nullptr;
  HWND child_ = nullptr;
};

void SaveShot(const TScreenshot& shot, const std::string& caseName) {
  ASSERT_NE(shot.Image(), nullptr);
  ASSERT_TRUE(shot.Save(OutputFolder() + caseName + ".png"));
}

}  // namespace

TEST(ScreenshotFiles, WholeDesktop_WindowColoursFocusFrameAndCursorAtTheirPlaces) {
  TColourWindows windows;
  // The cursor over the window, away from the child.
  const int cursorX = kLeft + 220, cursorY = kTop + 120;
  SetCursorPos(cursorX, cursorY);
  Pump(300);
  TScreenshot shot;
  shot.Capture(TScreenshotRequest{false, windows.Child(), 0});
  SaveShot(shot, "shot_desktop");
  // The process's window widened to its monitor: the whole screen here.
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN),
            screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(shot.Image()->Width, screenWidth);
  EXPECT_EQ(shot.Image()->Height, screenHeight);

  const int cl = kLeft + kChildX, ct = kTop + kChildY;  // child in capture coordinates
  const int cr = cl + kChildWidth - 1, cb = ct + kChildHeight - 1;
  const COLORREF red = RGB(255, 0, 0);
  std::vector<std::string> pixels = {
      Pixel(kLeft + 150, kTop + 180, kWindowColour),
      Pixel(kLeft + 5, kTop + 5, kWindowColour),
      Pixel(cl - 1, ct + 20, kWindowColour),
      Pixel(cl, ct + 20, red),
      Pixel(cl + 1, ct + 20, red),
      Pixel(cl + 2, ct + 20, kChildColour),
      Pixel(cr, ct + 20, red),
      Pixel(cr - 1, ct + 20, red),
      Pixel(cr - 2, ct + 20, kChildColour),
      Pixel(cl + 50, ct, red),
      Pixel(cl + 50, ct + 1, red),
      Pixel(cl + 50, ct + 2, kChildColour),
      Pixel(cl + 50, cb, red),
      Pixel(cl + 50, cb - 1, red),
      Pixel(cl + 50, cb + 1, kWindowColour),
  };
  // The arrow is drawn with its hot spot at the cursor position.
  ICONINFO icon{};
  POINT hot{0, 0};
  if (GetIconInfo(LoadCursorA(nullptr, IDC_ARROW), &icon)) {
    hot = POINT{static_cast<LONG>(icon.xHotspot), static_cast<LONG>(icon.yHotspot)};
    DeleteObject(icon.hbmMask);
    if (icon.hbmColor) DeleteObject(icon.hbmColor);
  }
  TManifest("shot_desktop")
      .Text("kind", "png")
      .Text("file", "shot_desktop.png")
      .Number("width", screenWidth)
      .Number("height", screenHeight)
      .Raw("pixels", JsonList(pixels))
      .Raw("cursor_region",
           JsonInts({cursorX - hot.x, cursorY - hot.y, cursorX - hot.x + 32, cursorY - hot.y + 32,
                     GetRValue(kWindowColour), GetGValue(kWindowColour), GetBValue(kWindowColour)}))
      .Write();
}

TEST(ScreenshotFiles, ActiveWindowOnly_TheWindowFromItsCorner) {
  TColourWindows windows;
  SetCursorPos(5, 5);  // off the window
  Pump(200);
  TScreenshot shot;
  shot.Capture(TScreenshotRequest{true, nullptr, 0});
  SaveShot(shot, "shot_active");
  EXPECT_EQ(shot.Image()->Width, kWidth);
  EXPECT_EQ(shot.Image()->Height, kHeight);
  TManifest("shot_active")
      .Text("kind", "png")
      .Text("file", "shot_active.png")
      .Number("width", kWidth)
      .Number("height", kHeight)
      .Raw("pixels",
           JsonList({Pixel(0, 0, kWindowColour), Pixel(kWidth - 1, kHeight - 1, kWindowColour),
                     Pixel(kChildX + 50, kChildY + 20, kChildColour),
                     Pixel(kChildX - 1, kChildY + 20, kWindowColour)}))
      .Raw("palette_has", JsonList({JsonInts({0, 128, 255}), JsonInts({0, 200, 0})}))
      .Write();
}

TEST(ScreenshotFiles, Window1001PixelsWide_IhdrWidth1001FromABitmap1004Wide) {
  TColourWindows windows(1001, 60);
  SetCursorPos(5, 5);
  Pump(200);
  TScreenshot shot;
  shot.Capture(TScreenshotRequest{true, nullptr, 0});
  SaveShot(shot, "shot_1001");
  EXPECT_EQ(shot.Image()->Width, 1001);
  EXPECT_EQ(shot.Image()->Stride, 1004);
  TManifest("shot_1001")
      .Text("kind", "png")
      .Text("file", "shot_1001.png")
      .Number("width", 1001)
      .Number("height", 60)
      .Raw("pixels", JsonList({Pixel(1000, 59, kWindowColour), Pixel(0, 59, kWindowColour)}))
      .Write();
}

TEST(ScreenshotFiles, AllWindowsHidden_TheWholeDesktop) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN),
            screenHeight = GetSystemMetrics(SM_CYSCREEN);
  {
    TColourWindows windows;
    ShowWindow(windows.Top(), SW_HIDE);
    Pump(500);
    TScreenshot shot;
    shot.Capture(TScreenshotRequest{false, nullptr, 0});
    SaveShot(shot, "shot_hidden");
    EXPECT_EQ(shot.Image()->Width, screenWidth);
    EXPECT_EQ(shot.Image()->Height, screenHeight);
  }
  TManifest("shot_hidden")
      .Text("kind", "png")
      .Text("file", "shot_hidden.png")
      .Number("width", screenWidth)
      .Number("height", screenHeight)
      .Raw("not_pixels", JsonList({Pixel(kLeft + 150, kTop + 150, kWindowColour)}))
      .Write();
}

TEST(PngFiles, FewColours_ExactInA256EntryPalette) {
  TPixelImage image;
  image.Width = 1001;
  image.Stride = 1004;
  image.Height = 4;
  const std::uint32_t colours[] = {0x123456, 0xFEDCBA, 0x00FF7F};
  for (int y = 0; y < image.Height; ++y) {
    for (int x = 0; x < image.Stride; ++x)
      image.Pixels.push_back(x >= image.Width ? 0 : colours[(x / 7 + y) % 3]);
  }
  const std::vector<std::uint8_t> png = EncodeScreenshotPng(image);
  ASSERT_TRUE(WriteWholeFile(OutputFolder() + "few_colours.png", png.data(), png.size()));
  std::vector<std::string> pixels;
  for (int x : {0, 6, 7, 14, 500, 1000}) {
    for (int y : {0, 3}) {
      const std::uint32_t c = colours[(x / 7 + y) % 3];
      pixels.push_back(JsonInts({x, y, static_cast<int>(c >> 16), static_cast<int>(c >> 8 & 255),
                                 static_cast<int>(c & 255)}));
    }
  }
  TManifest("few_colours")
      .Text("kind", "png")
      .Text("file", "few_colours.png")
      .Number("width", 1001)
      .Number("height", 4)
      .Raw("pixels", JsonList(pixels))
      .Raw("palette_has", JsonList({JsonInts({0x12, 0x34, 0x56}), JsonInts({0xFE, 0xDC, 0xBA}),
                                    JsonInts({0, 0xFF, 0x7F}), JsonInts({0, 0, 0})}))
      .Number("distinct_colours", 3)
      .Write();
}

TEST(PngFiles, Noise_FullIdatChunksOf262143BytesButTheLast) {
  TPixelImage image;
  image.Width = image.Stride = 800;
  image.Height = 800;
  std::mt19937 random(18);
  std::vector<std::uint32_t> colours;
  for (int i = 0; i < 256; ++i) colours.push_back(random() & 0xFFFFFF);
  for (int i = 0; i < image.Width * image.Height; ++i)
    image.Pixels.push_back(colours[random() % 256]);
  const std::vector<std::uint8_t> png = EncodeScreenshotPng(image);
  ASSERT_TRUE(WriteWholeFile(OutputFolder() + "noise.png", png.data(), png.size()));
  TManifest("noise")
      .Text("kind", "png")
      .Text("file", "noise.png")
      .Number("width", 800)
      .Number("height", 800)
      .Number("min_idat_chunks", 3)
      .Raw("pixels", JsonList({JsonInts({0, 0, static_cast<int>(image.Pixels[0] >> 16),
                                         static_cast<int>(image.Pixels[0] >> 8 & 255),
                                         static_cast<int>(image.Pixels[0] & 255)})}))
      .Write();
}
