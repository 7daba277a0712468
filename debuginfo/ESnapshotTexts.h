// The texts with which the bug report and the dialogs show the modules and
// processes of the snapshot: one function per column form, and the rows made
// of them. Pure: no windows.h; they allocate, so not for exception handling's
// inner steps.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Empty for 0; else the size in kilobytes rounded to the nearest integer
// (halves to even) and " Kb": 1536 gives "2 Kb", 512 gives "0 Kb".
std::string SizeText(std::uint32_t bytes);
// A version with at least two "." cut after its second "." and followed by
// "x" ("6.1.7601.17514" gives "6.1.x"); any other text unchanged.
std::string VersionText(std::string_view version);
// The folder of a file name without its final "\" (kept after a drive and
// ":"), a leading "\??\" dropped: "\??\C:\Windows\system32\ntdll.dll" gives
// "C:\Windows\system32", "C:\boot.ini" gives "C:\".
std::string FolderText(std::string_view fileName);
// The name of a priority class: 32 "Normal", 64 "Low", 128 "High", 256
// "Real-Time", 16384 "Below-Normal", 32768 "Above-Normal"; else empty.
std::string PriorityText(std::uint32_t priorityClass);
// "??" for 0 (not known), else the decimal count.
std::string ThreadCountText(std::uint32_t threads);
// The calendar parts of a date-time (days since 30 December 1899, the
// fraction the time of day), rounded to the millisecond first.
struct TDateTimeParts {
  int Year = 1899;
  unsigned Month = 12, Day = 30;
  unsigned DayOfWeek = 6;  // 0 Sunday ... 6 Saturday
  unsigned Hour = 0, Minute = 0, Second = 0;
};
TDateTimeParts DecodeDateTime(double dateTime);
// A date-time as "yyyy-mm-dd hh:nn:ss".
std::string DateTimeText(double dateTime);
// The four 16-bit parts of the two 32-bit file version numbers as
// "a.b.c.d"; empty for "0.0.0.0".
std::string FileVersionText(std::uint32_t versionHigh, std::uint32_t versionLow);

// What a modules row shows of one module.
struct TModuleRow {
  std::uintptr_t Handle = 0;
  std::string FileName;  // full
  std::string Description;
  std::string Version;
  std::uint32_t Size = 0;
  double LastModified = 0;
};
// Handle (8 upper-case hexadecimal digits), file name without folder,
// description, VersionText, SizeText, DateTimeText of the last change,
// FolderText of the file name.
std::array<std::string, 7> ModuleRowTexts(const TModuleRow& module);

struct TDovaroProcessInfo;
// Decimal id, file name without folder, description, VersionText, SizeText
// of the working set, PriorityText, ThreadCountText, FolderText of the path.
std::array<std::string, 8> ProcessRowTexts(const TDovaroProcessInfo& process);
