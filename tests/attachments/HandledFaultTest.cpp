// A fault handled in a real process under the virtual display: the engine's
// own stages save the screenshot; the log copy, the XML copy and the zip
// package are made from its report as the delivery makes them, copied out
// for the Linux-side checker, and the exception's folder is gone afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/attachments/Manifest.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

namespace {

std::vector<std::string> JournalLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream text(ReadFileBytes(path));
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string Journaled(const std::vector<std::string>& lines, const std::string& start) {
  for (const std::string& line : lines) {
    if (line.rfind(start, 0) == 0) return line.substr(start.size());
  }
  return "(missing)";
}

// The zip stamp of a file: its last write, local time, seconds rounded down
// to even as the zip date keeps them.
std::string ZipDate(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  FILETIME local{};
  SYSTEMTIME time{};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &time);
  return JsonInts(
      {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond & ~1});
}

}  // namespace

TEST(HandledFault, UnderTheVirtualDisplay_SavesTheScreenshotAndTheCopiesPassTheReaders) {
  const std::string journal = OutputFolder() + "handled_journal.txt";
  DeleteFileA(journal.c_str());
  SetEnvironmentVariableA("VIPC_HANDLING_JOURNAL", journal.c_str());
  const ChildOutcome outcome = RunChild("handling_host.exe attachments", 180000);
  SetEnvironmentVariableA("VIPC_HANDLING_JOURNAL", nullptr);
  const std::vector<std::string> lines = JournalLines(journal);
  std::string dump = outcome.output;
  for (const std::string& line : lines) dump += "\n  " + line;
  EXPECT_EQ(outcome.exitCode, 0xC0000005u) << dump;
  ASSERT_EQ(Journaled(lines, "attachments folder="), "made") << dump;
  const std::string entries = Journaled(lines, "attachments entries=");
  EXPECT_EQ(Journaled(lines, "attachments removed="), "yes") << dump;
  // The log copy, the screenshot and the XML copy, in that order.
  std::vector<std::string> names;
  std::stringstream split(entries);
  for (std::string name; std::getline(split, name, ',');) names.push_back(name);
  ASSERT_EQ(names.size(), 3u) << dump;
  EXPECT_EQ(names[1], "Screenshot.png");
  EXPECT_EQ(names[0], "fault.elf");
  EXPECT_EQ(names[2], "fault.xml");

  const int screenWidth = GetSystemMetrics(SM_CXSCREEN),
            screenHeight = GetSystemMetrics(SM_CYSCREEN);
  TManifest("handled_screenshot")
      .Text("kind", "png")
      .Text("file", "handled_Screenshot.png")
      .Number("width", screenWidth)
      .Number("height", screenHeight)
      .Raw("pixels",
           JsonList({JsonInts({360, 320, 255, 128, 0}), JsonInts({205, 435, 255, 128, 0})}))
      .Write();
  std::vector<std::string> zipEntries;
  for (const std::string& name : names) {
    zipEntries.push_back("{\"name\": " + JsonText(name) +
                         ", \"source\": " + JsonText("handled_" + name) +
                         ", \"date\": " + ZipDate(OutputFolder() + "handled_" + name) + "}");
  }
  TManifest("handled_package")
      .Text("kind", "zip")
      .Text("file", "handled_BugReport.zip")
      .Raw("entries", JsonList(zipEntries))
      .Write();
  auto check = [](const char* path, const char* attribute, const char* value) {
    return JsonList({JsonText(path), JsonText(attribute), JsonText(value)});
  };
  auto same = [](const char* path, const char* attribute, const char* other,
                 const char* otherAttribute) {
    return JsonList(
        {JsonText(path), JsonText(attribute), JsonText(other), JsonText(otherAttribute)});
  };
  // The memory dump starts at the faulting address and the stack dump at the
  // stack pointer: the columns are read where the CPU block writes them.
  TManifest("handled_xml")
      .Text("kind", "xml")
      .Text("file", "handled_" + names[2])
      .Number("logs", 1)
      .Raw("checks",
           JsonList({check("Log[1]", "Version", "6.1.05 RC 6"),
                     check("Log[1]/General/Group[2]/Line[5]", "Value", "EAccessViolation"),
                     check("Log[1]/CallStack/ExceptionThread", "MainThread", "True"),
                     check("Log[1]/CallStack/ExceptionThread/Line[1]", "Module",
                           "handling_host_code.dll"),
                     check("Log[1]/CallStack/ExceptionThread/Line[1]", "Procedure",
                           "HostWritesNowhere")}))
      .Raw(
          "equal",
          JsonList({same("Log[1]/General/Group[2]/Line[2]", "Value", "Log[1]/CPU/Registers", "EIP"),
                    same("Log[1]/CPU/Registers", "EIP", "Log[1]/CPU/MemoryDump/Line[1]", "Address"),
                    same("Log[1]/CPU/Registers", "ESP", "Log[1]/CPU/Stack/Line[1]", "Address")}))
      .Write();
}
