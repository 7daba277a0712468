// The files that travel with a report: the screenshot of a 1920 x 1080
// desktop (capture, octree, PNG), a 20 MB zip package at level 9 with and
// without a password, and the XML copy of a 32-report log.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchMachine.h"
#include "report/EAttachmentFiles.h"
#include "report/ELogManagerFormat.h"
#include "report/EPngEncoder.h"
#include "report/EScreenshot.h"
#include "report/EXMLCopy.h"
#include "report/EZip.h"

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::time_point since) {
  return std::chrono::duration<double>(TClock::now() - since).count();
}

// A desktop-like image: a few flat windows with gradient title bars, text-like
// speckles and a photo-like area.
TPixelImage DesktopImage(int width, int height) {
  TPixelImage image;
  image.Width = width;
  image.Stride = (width + 3) / 4 * 4;
  image.Height = height;
  image.Pixels.assign(static_cast<std::size_t>(image.Stride) * height, 0x3A6EA5);
  std::mt19937 random(1);
  for (int w = 0; w < 6; ++w) {
    const int left = w * 280 + 40, top = w * 120 + 60, right = left + 700, bottom = top + 500;
    for (int y = top; y < bottom && y < height; ++y) {
      for (int x = left; x < right && x < width; ++x) {
        std::uint32_t colour = 0xF0F0F0;
        if (y < top + 24)
          colour = 0x000080 + (((x - left) * 255 / 700) << 8);
        else if ((random() % 23) == 0)
          colour = 0x000000;
        image.Pixels[static_cast<std::size_t>(y) * image.Stride + x] = colour;
      }
    }
  }
  for (int y = 600; y < 1000 && y < height; ++y) {
    for (int x = 1200; x < 1800 && x < width; ++x)
      image.Pixels[static_cast<std::size_t>(y) * image.Stride + x] =
          ((x * 7 + y) & 255) << 16 | ((x + y * 3) & 255) << 8 | ((x ^ y) & 255);
  }
  return image;
}

std::string ReportText(int n) {
  std::string general = "ZuderaDod 6.1.05 RC 6\r\n\r\nApplication:\r\n------\r\n";
  for (int i = 1; i <= 40; ++i)
    general += "  1." + std::to_string(i) + " Item " + std::to_string(i) + ": value " +
               std::to_string(n * 100 + i) + "\r\n";
  std::string table =
      "\r\nCall Stack Information:\r\n-----\r\n|Address |Module |Unit |Class |Procedure |Line "
      "|\r\n-----\r\n|*Exception Thread: ID=1; Priority=0; Class=; [Main] |\r\n|-----|\r\n";
  for (int i = 0; i < 60; ++i)
    table += "|0040" + std::to_string(1000 + i) + "|Brisole.exe|Brisole.cpp|TFormMain|Routine" +
             std::to_string(i) + "|" + std::to_string(i + 10) + "[2]|\r\n";
  table +=
      "-----\r\n\r\nModules "
      "Information:\r\n-----\r\n|Handle|Name|Description|Version|Size|Modified|Path|\r\n-----\r\n";
  for (int i = 0; i < 40; ++i)
    table += "|10000000|module" + std::to_string(i) +
             ".dll|A module|1.0.0.0|12345|2008-04-14 02:00:00|C:\\WINDOWS|\r\n";
  table +=
      "-----\r\n\r\nProcesses "
      "Information:\r\n-----\r\n|ID|Name|Description|Version|Memory|Priority|Threads|Path|\r\n-----"
      "\r\n";
  for (int i = 0; i < 40; ++i)
    table += "|" + std::to_string(i) + "|p.exe|A process|1.0|1000|Normal|3|C:\\|\r\n";
  table += "-----\r\n\r\nAssembler Information:\r\n-----\r\n";
  for (int i = 0; i < 30; ++i) table += "00401000  mov     eax, ebx  ; comment\r\n";
  table +=
      "\r\nRegisters:\r\n-----------------------------\r\nEAX: 00A41C20   EDI: 0012FF44\r\nEBX: "
      "00000001   ESI: 00A41C20\r\nECX: 0012FF10   ESP: 0012FF00\r\nEDX: 00401012   EIP: "
      "0040100D\r\n\r\nStack:               Memory Dump:\r\n------------------   ----\r\n";
  for (int i = 0; i < 16; ++i)
    table +=
        "0012FF00: 00402010 0040100D: 89 50 10 90 90 C9 C3 CC CC CC CC CC CC CC CC CC  "
        ".P..............\r\n";
  return general + table;
}

}  // namespace

int main() {
  PrintExecutionLine();

  // Capture of the real screen (whatever its size here), then the octree and
  // the PNG of a 1920 x 1080 desktop-like buffer.
  TScreenshot shot;
  auto start = TClock::now();
  shot.Capture(TScreenshotRequest{});
  const double capture = Seconds(start);
  const TPixelImage* real = shot.Image();
  std::printf("capture of the screen (%dx%d): %.3f s\n", real ? real->Width : 0,
              real ? real->Height : 0, capture);
  const TPixelImage desktop = DesktopImage(1920, 1080);
  start = TClock::now();
  const TPalette palette = OctreePalette(desktop);
  const double octree = Seconds(start);
  start = TClock::now();
  const std::vector<std::uint8_t> indices = MapToPalette(desktop, palette);
  const double mapping = Seconds(start);
  start = TClock::now();
  const std::vector<std::uint8_t> png = EncodePalettePng(1920, 1080, palette, indices);
  const double encoding = Seconds(start);
  std::printf(
      "1920x1080: octree %.3f s, palette mapping %.3f s, PNG %.3f s (%zu bytes); "
      "screenshot in all %.3f s\n",
      octree, mapping, encoding, png.size(), capture + octree + mapping + encoding);

  // A 20 MB package: a text-like file (compressible) of 20 MB.
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string folder = temp;
  const std::string source = folder + "vipc_bench_20mb.txt";
  {
    std::string text;
    text.reserve(20u << 20);
    std::mt19937 random(3);
    static const char* words[] = {"exception ", "module ",    "address ", "0040100D ",
                                  "thread ",    "report\r\n", "Brisole ", "value "};
    while (text.size() < (20u << 20)) text += words[random() % 8];
    text.resize(20u << 20);
    WriteWholeFile(source, text.data(), text.size());
  }
  for (const char* password : {"", "s3cret"}) {
    const std::string zip = folder + "vipc_bench.zip";
    start = TClock::now();
    const TZipPackageResult result = MakeZipPackage(zip, password, {source});
    const double seconds = Seconds(start);
    std::printf("zip of 20 MB at level 9, %s: %.2f s, %.1f MB/s (%s)\n",
                *password ? "with password" : "without password", seconds, 20.0 / seconds,
                result.Written && result.Entries.size() == 1 ? "written" : "FAILED");
    DeleteFileA(zip.c_str());
  }
  DeleteFileA(source.c_str());

  // The XML copy of a log of 32 reports.
  TStoredReports reports;
  for (int n = 0; n < 32; ++n) AppendStoredReport(reports, ReportText(n), -1);
  const std::string log = LogFileText(reports);
  start = TClock::now();
  const std::string xml = XmlCopyOfLogText(log, "");
  const double xmlSeconds = Seconds(start);
  std::printf("XML copy of a 32-report log (%zu KB): %.3f s, %zu KB of XML\n", log.size() / 1024,
              xmlSeconds, xml.size() / 1024);
  return 0;
}
