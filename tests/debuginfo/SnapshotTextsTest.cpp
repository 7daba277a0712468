// The column texts of the modules and processes tables, as golden tables,
// and the rows built from them.
#include <gtest/gtest.h>

#include "debuginfo/ESnapshotModuleFacts.h"
#include "debuginfo/ESnapshotTexts.h"
#include "tests/support/SnapshotFixture.h"
#include "tests/support/TextTable.h"

TEST(SnapshotTexts, SizeText_RoundsKilobytesHalvesToEven) {
  ExpectTexts<std::uint32_t>({{0, ""},
                              {1, "0 Kb"},
                              {511, "0 Kb"},
                              {512, "0 Kb"},
                              {513, "1 Kb"},
                              {1024, "1 Kb"},
                              {1536, "2 Kb"},
                              {2560, "2 Kb"},
                              {2561, "3 Kb"},
                              {3584, "4 Kb"},
                              {1048576, "1024 Kb"},
                              {0xFFFFFFFF, "4194304 Kb"}},
                             SizeText);
}

TEST(SnapshotTexts, VersionText_ShowsTwoNumbersOfLongerVersions) {
  ExpectTexts<const char*>({{"", ""},
                            {"6", "6"},
                            {"6.1", "6.1"},
                            {"6.1.", "6.1.x"},
                            {"6.1.7601", "6.1.x"},
                            {"6.1.7601.17514", "6.1.x"},
                            {"10.0.19041.1", "10.0.x"},
                            {"1..2", "1..x"}},
                           VersionText);
}

TEST(SnapshotTexts, FolderText_DropsTheFileTheFinalDelimiterAndTheNtPrefix) {
  ExpectTexts<const char*>({{"\\??\\C:\\Windows\\system32\\ntdll.dll", "C:\\Windows\\system32"},
                            {"C:\\Windows\\system32\\kernel32.dll", "C:\\Windows\\system32"},
                            {"C:\\boot.ini", "C:\\"},
                            {"\\??\\C:\\boot.ini", "C:\\"},
                            {"\\\\server\\share\\tool.exe", "\\\\server\\share"},
                            {"tool.exe", ""},
                            {"", ""}},
                           FolderText);
}

TEST(SnapshotTexts, PriorityAndThreadCountTexts_NameTheKnownValues) {
  ExpectTexts<std::uint32_t>({{32, "Normal"},
                              {64, "Low"},
                              {128, "High"},
                              {256, "Real-Time"},
                              {16384, "Below-Normal"},
                              {32768, "Above-Normal"},
                              {0, ""},
                              {33, ""}},
                             PriorityText);
  ExpectTexts<std::uint32_t>({{0, "??"}, {1, "1"}, {123, "123"}}, ThreadCountText);
}

TEST(SnapshotTexts, DateTimeText_IsYearMonthDayAndTime) {
  ExpectTexts<double>({{0, "1899-12-30 00:00:00"},
                       {1, "1899-12-31 00:00:00"},
                       {2, "1900-01-01 00:00:00"},
                       {25569, "1970-01-01 00:00:00"},
                       {36526.5, "2000-01-01 12:00:00"},
                       {36585 + 86399.0 / 86400, "2000-02-29 23:59:59"},
                       {45291 + (13 * 3600 + 7 * 60 + 9) / 86400.0, "2023-12-31 13:07:09"}},
                      DateTimeText);
}

TEST(SnapshotTexts, FileVersionText_IsTheFourWordsOrEmptyForZero) {
  EXPECT_EQ(FileVersionText(0x00060001, 0x1DB1442E), "6.1.7601.17454");
  EXPECT_EQ(FileVersionText(0x00010000, 0x00000000), "1.0.0.0");
  EXPECT_EQ(FileVersionText(0xFFFFFFFF, 0xFFFFFFFF), "65535.65535.65535.65535");
  EXPECT_EQ(FileVersionText(0, 0), "");
}

TEST(SnapshotTexts, FileDateOfTicks_FallsToItsTwoSecondStep) {
  // 1 January 2000 00:00:00 is day 36526; 2000-01-01 in file-time ticks:
  constexpr std::uint64_t kMillennium = 125911584000000000ull;
  EXPECT_DOUBLE_EQ(FileDateOfTicks(kMillennium), 36526.0);
  EXPECT_DOUBLE_EQ(FileDateOfTicks(kMillennium + 19999999), 36526.0);
  EXPECT_DOUBLE_EQ(FileDateOfTicks(kMillennium + 30000000), 36526.0 + 2.0 / 86400);
  EXPECT_EQ(DateTimeText(FileDateOfTicks(kMillennium + 50000000)), "2000-01-01 00:00:04");
}

TEST(SnapshotRows, ModuleRow_ShowsEveryColumnInItsForm) {
  TFixtureSnapshot snapshot;
  snapshot.ModuleRecords = {
      {0x7B810000, "\\??\\C:\\windows\\system32\\KERNEL32.dll", "Wine core dll", "10.0.19041.1",
       1536, 45291.5},
      {0x00400000, "C:\\tests\\debuginfo_tests.exe", "", "", 0, 0},
  };
  const std::array<std::string, 7> expected[] = {
      {"7B810000", "KERNEL32.dll", "Wine core dll", "10.0.x", "2 Kb", "2023-12-31 12:00:00",
       "C:\\windows\\system32"},
      {"00400000", "debuginfo_tests.exe", "", "", "", "1899-12-30 00:00:00", "C:\\tests"},
  };
  const ISnapshotModules& modules = snapshot;
  const auto rows = modules.Modules();
  ASSERT_EQ(rows.size(), std::size(expected));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].FileName);
    EXPECT_EQ(ModuleRowTexts(rows[i]), expected[i]);
  }
}

TEST(SnapshotRows, ProcessRow_ShowsEveryColumnInItsForm) {
  TFixtureSnapshot snapshot;
  snapshot.ProcessRecords = {
      {36, "C:\\windows\\system32\\services.exe", "Services", "6.1.7601.17514", 32768, 512, 7},
      {1234, "explorer.exe", "", "", 0, 0, 0},
  };
  const std::array<std::string, 8> expected[] = {
      {"36", "services.exe", "Services", "6.1.x", "0 Kb", "Above-Normal", "7",
       "C:\\windows\\system32"},
      {"1234", "explorer.exe", "", "", "", "", "??", ""},
  };
  const ISnapshotProcesses& processes = snapshot;
  const auto rows = processes.Processes();
  ASSERT_EQ(rows.size(), std::size(expected));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].Path);
    EXPECT_EQ(ProcessRowTexts(rows[i]), expected[i]);
  }
}
