// The services of the options unit: variable expansion, version comparison,
// text files, the writable-place fallback, INI and registry access, dates.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "engine/ECoreOptions.h"
#include "engine/ECoreServices.h"
#include "platform/runtime/PathText.h"
#include "tests/support/TempFolder.h"

TEST(ExpandVariables, ReplacesClosedNamesOnly) {
  const auto reader = [](std::string_view name) { return "<" + std::string(name) + ">"; };
  struct Case {
    const char* text;
    const char* expanded;
  } cases[] = {
      {"%A%", "<A>"},
      {"x%A%y%B%z", "x<A>y<B>z"},
      {"100%", "100%"},                // a lone percent sign stays
      {"50% off %A%", "50% off <A>"},  // the name stops at the blank
      {"%%", "%%"},                    // an empty name is no variable
      {"%A", "%A"},
      {"%A%%B%", "<A><B>"},
      {"%Program Files%", "%Program Files%"},
      {"%ProgramFiles(x86)%", "<ProgramFiles(x86)>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ExpandVariables(c.text, reader), c.expanded);
  }
  // The inserted value is not scanned again.
  EXPECT_EQ(ExpandVariables("%A%", [](std::string_view) { return std::string("%A%"); }), "%A%");
}

TEST(ReadVariable, FallsBackToDateTimeAndCurrentFolder) {
  char folder[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, folder);
  EXPECT_EQ(ReadVariable("cd"), folder);
  EXPECT_EQ(ReadVariable("CD"), folder);
  EXPECT_FALSE(ReadVariable("Date").empty());
  EXPECT_FALSE(ReadVariable("time").empty());
  EXPECT_EQ(ReadVariable("_NoSuchVariable_"), "");
  SetEnvironmentVariableA("cd", "overridden");
  EXPECT_EQ(ReadVariable("cd"), "overridden");
  SetEnvironmentVariableA("cd", nullptr);
}

TEST(CompareVersions, TrueWhenTheSecondIsGreater) {
  struct Case {
    const char* a;
    const char* b;
    bool greater;
  } cases[] = {
      {"6.1.05", "6.1.06", true},
      {"6.1.06", "6.1.05", false},
      {"6.1", "6.1.0.1", true},
      {"6.1.0.0", "6.1", false},
      {"6.9", "6.10", true},
      {"", "1.0", false},
      {"1.0", "", false},
      {"6.1.05 RC 6", "6.1.05", true},
      {"6.1.05", "6.1.05 RC 6", false},
      {"1.2.3.4", "1.2.3.4", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
    EXPECT_EQ(CompareVersions(c.a, c.b), c.greater);
  }
  EXPECT_EQ(NormaliseVersionText("6.1.05 RC 6"), "00006.00001.00005 RC 6.00000");
  EXPECT_EQ(NormaliseVersionText("123456.7"), "123456.00007.00000.00000");
}

TEST(ReadTextFile, HonoursTheByteOrderMarks) {
  TempFolder folder;
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"ansi", "first\r\nsecond\nthird\r\n"},
      {"utf8",
       "\xEF\xBB\xBF"
       "first\r\nsecond\nthird"},
      {"utf16le", std::string("\xFF\xFE"
                              "f\0i\0r\0s\0t\0\r\0\n\0s\0e\0c\0o\0n\0d\0\n\0t\0h\0i\0r\0d\0",
                              40)},
      {"utf16be",
       std::string("\xFE\xFF\0f\0i\0r\0s\0t\0\r\0\n\0s\0e\0c\0o\0n\0d\0\n\0t\0h\0i\0r\0d", 40)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = folder.Path() + c.name + ".txt";
    WriteFileBytes(file, c.bytes);
    std::vector<std::string> lines;
    ASSERT_TRUE(ReadTextFile(file, lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second", "third"}));
  }
  std::vector<std::string> lines{"stale"};
  EXPECT_FALSE(ReadTextFile(folder.Path() + "missing.txt", lines));
  EXPECT_TRUE(lines.empty());
}

TEST(ReadTextFile, Utf8TextBecomesAnsi) {
  TempFolder folder;
  const std::string file = folder.Path() + "accents.txt";
  WriteFileBytes(file,
                 "\xEF\xBB\xBF"
                 "perch\xC3\xA9");
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadTextFile(file, lines));
  ASSERT_EQ(lines.size(), 1u);
  if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is not Windows-1252";
  EXPECT_EQ(lines[0], "perch\xE9");
}

TEST(WritableLocation, KeepsAWritableNameAndFallsBackToTheEngineFolder) {
  TempFolder folder;
  const std::string writable = folder.Path() + "here.log";
  EXPECT_EQ(WritableLocation(writable), writable);
  EXPECT_FALSE(FileExists(writable)) << "the probe file is removed again";

  const std::string unreachable = folder.Path() + "no\\such\\folder\\there.log";
  const std::string fallback = WritableLocation(unreachable);
  EXPECT_EQ(fallback, IncludeTrailingPathDelimiter(EngineFolder()) + "there.log");
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  EXPECT_EQ(WritableLocation(unreachable, true), IncludeTrailingPathDelimiter(EngineFolder()) +
                                                     ChangeFileExt(ExtractFileName(program), "") +
                                                     "\\there.log");
}

TEST(WritableLocation, MissingFile_IsProbedWithoutLeavingAnyFileBehind) {
  TempFolder folder;
  EXPECT_EQ(WritableLocation(folder.Path() + "new.elf"), folder.Path() + "new.elf");
  WIN32_FIND_DATAA entry;
  const HANDLE search = FindFirstFileA((folder.Path() + "*.*").c_str(), &entry);
  std::string left;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (entry.cFileName[0] != '.') left += std::string(entry.cFileName) + " ";
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  EXPECT_EQ(left, "");
}

TEST(EngineFolder, IsTheApplicationDataFolderWithZuderaDod) {
  const std::string folder = EngineFolder();
  EXPECT_EQ(ExtractFileName(folder), "ZuderaDod");
  EXPECT_GT(folder.size(), 10u);
}

TEST(IniFiles, WriteThenReadAFileOfTheEngineFolder) {
  const std::string name = "EngineTests" + std::to_string(GetCurrentProcessId()) + ".ini";
  IniWrite(name, "Dialog", "Left", "120");
  EXPECT_EQ(IniRead(name, "Dialog", "Left", "0"), "120");
  EXPECT_EQ(IniRead(name, "Dialog", "Top", "7"), "7");
  DeleteFileA((IncludeTrailingPathDelimiter(EngineFolder()) + name).c_str());
}

TEST(ReadRegistryString, ReadsStringValuesOnly) {
  const char* key = "Software\\VipcEngineTests";
  HKEY opened;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(opened, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>("value"), 6);
  const DWORD number = 5;
  RegSetValueExA(opened, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
  RegCloseKey(opened);
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, key, "Text"), "value");
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, key, "Number"), "");
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, key, "Missing"), "");
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, "Software\\NoSuchKeyHere", "Text"), "");
  RegDeleteKeyA(HKEY_CURRENT_USER, key);
}

TEST(FileDate, IsTheLocalLastWriteTime) {
  TempFolder folder;
  const std::string file = folder.Path() + "dated.txt";
  WriteFileBytes(file, "x");
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME nowFile;
  SystemTimeToFileTime(&now, &nowFile);
  const double nowDays = static_cast<double>(static_cast<ULONGLONG>(nowFile.dwHighDateTime) << 32 |
                                             nowFile.dwLowDateTime) /
                             864000000000.0 -
                         109205.0;
  EXPECT_NEAR(FileDate(file), nowDays, 1.0 / 24 / 60);  // within a minute
  EXPECT_EQ(FileDate(folder.Path() + "missing.txt"), 0);
}

TEST(ComputerNameForFiles, HoldsOnlyFileNameCharacters) {
  const std::string name = ComputerNameForFiles();
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(FileNameSafeText(name), name);
  EXPECT_EQ(FileNameSafeText("PC 1/a:b*c"), "PC_1_a_b_c");
}

TEST(UtcOffsetHours, MatchesTheTimeZone) {
  TIME_ZONE_INFORMATION zone;
  const DWORD mode = GetTimeZoneInformation(&zone);
  long bias = zone.Bias + (mode == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
  EXPECT_EQ(UtcOffsetHours(), static_cast<int>(std::lround(-bias / 60.0)));
}

TEST(LogFileName, FollowsTheLogFolderRules) {
  TempFolder folder;
  TDovaroModuleOptions o(folder.Path() + "App.vshost.exe");
  EXPECT_EQ(o.LogFileName(), folder.Path() + "App.elf");
  EXPECT_EQ(o.LogFileName(folder.Path() + "Other.dll"), folder.Path() + "Other.elf");

  o.SetLogFolder(folder.Path() + "logs\\deeper");
  EXPECT_EQ(o.LogFileName(), folder.Path() + "logs\\deeper\\App.elf");
  EXPECT_TRUE(GetFileAttributesA((folder.Path() + "logs\\deeper").c_str()) &
              FILE_ATTRIBUTE_DIRECTORY)
      << "the folder is created";

  o.SetLogFolder(folder.Path() + "Fixed.ELF");
  EXPECT_EQ(o.LogFileName(), folder.Path() + "Fixed.ELF");

  SetEnvironmentVariableA("_EngineLogs", (folder.Path() + "expanded").c_str());
  o.SetLogFolder("%_EngineLogs%");
  EXPECT_EQ(o.LogFileName(), folder.Path() + "expanded\\App.elf");
  SetEnvironmentVariableA("_EngineLogs", nullptr);

  o.SetLogFolder("");
  o.SetLogFlags(LogNameWithComputer);
  EXPECT_EQ(o.LogFileName(), folder.Path() + "App_" + ComputerNameForFiles() + ".elf");
}
