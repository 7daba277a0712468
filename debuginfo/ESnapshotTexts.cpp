#include "debuginfo/ESnapshotTexts.h"

#include <cmath>
#include <cstdio>

#include "debuginfo/ESnapshotProcesses.h"
#include "platform/runtime/PathText.h"

namespace {

constexpr std::string_view kNtPathPrefix = "\\??\\";
constexpr long long kMillisecondsPerDay = 86400000;

// The civil date of a day count from 1 January 1970 (proleptic Gregorian).
void CivilDate(long long days, int& year, unsigned& month, unsigned& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

std::string SizeText(std::uint32_t bytes) {
  if (bytes == 0) return {};
  std::uint32_t kilobytes = bytes / 1024;
  const std::uint32_t rest = bytes % 1024;
  if (rest > 512 || (rest == 512 && kilobytes % 2 == 1)) ++kilobytes;
  return std::to_string(kilobytes) + " Kb";
}

std::string VersionText(std::string_view version) {
  const auto first = version.find('.');
  const auto second = first == std::string_view::npos ? first : version.find('.', first + 1);
  if (second == std::string_view::npos) return std::string(version);
  return std::string(version.substr(0, second + 1)) + "x";
}

std::string FolderText(std::string_view fileName) {
  if (fileName.starts_with(kNtPathPrefix)) fileName.remove_prefix(kNtPathPrefix.size());
  return ExcludeTrailingPathDelimiter(ExtractFilePath(fileName));
}

std::string PriorityText(std::uint32_t priorityClass) {
  switch (priorityClass) {
    case 32:
      return "Normal";
    case 64:
      return "Low";
    case 128:
      return "High";
    case 256:
      return "Real-Time";
    case 16384:
      return "Below-Normal";
    case 32768:
      return "Above-Normal";
    default:
      return {};
  }
}

std::string ThreadCountText(std::uint32_t threads) {
  return threads == 0 ? "??" : std::to_string(threads);
}

TDateTimeParts DecodeDateTime(double dateTime) {
  // Day 0 is 30 December 1899, 25569 days before 1 January 1970 (a Thursday).
  const long long milliseconds = std::llround(dateTime * kMillisecondsPerDay);
  long long days = milliseconds / kMillisecondsPerDay;
  long long ofDay = milliseconds % kMillisecondsPerDay;
  if (ofDay < 0) {
    ofDay += kMillisecondsPerDay;
    --days;
  }
  TDateTimeParts parts;
  CivilDate(days - 25569, parts.Year, parts.Month, parts.Day);
  parts.DayOfWeek = static_cast<unsigned>(((days - 25569) % 7 + 7 + 4) % 7);
  const long long seconds = ofDay / 1000;
  parts.Hour = static_cast<unsigned>(seconds / 3600);
  parts.Minute = static_cast<unsigned>(seconds / 60 % 60);
  parts.Second = static_cast<unsigned>(seconds % 60);
  return parts;
}

std::string DateTimeText(double dateTime) {
  const TDateTimeParts parts = DecodeDateTime(dateTime);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u", parts.Year, parts.Month,
                parts.Day, parts.Hour, parts.Minute, parts.Second);
  return text;
}

std::string FileVersionText(std::uint32_t versionHigh, std::uint32_t versionLow) {
  if (versionHigh == 0 && versionLow == 0) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(versionHigh >> 16),
                static_cast<unsigned>(versionHigh & 0xFFFF),
                static_cast<unsigned>(versionLow >> 16),
                static_cast<unsigned>(versionLow & 0xFFFF));
  return text;
}

std::array<std::string, 7> ModuleRowTexts(const TModuleRow& module) {
  char handle[16];
  std::snprintf(handle, sizeof handle, "%08X", static_cast<unsigned>(module.Handle));
  return {handle,
          ExtractFileName(module.FileName),
          module.Description,
          VersionText(module.Version),
          SizeText(module.Size),
          DateTimeText(module.LastModified),
          FolderText(module.FileName)};
}

std::array<std::string, 8> ProcessRowTexts(const TDovaroProcessInfo& process) {
  return {std::to_string(process.ProcessId),
          ExtractFileName(process.Path),
          process.Description,
          VersionText(process.Version),
          SizeText(process.Memory),
          PriorityText(process.PriorityClass),
          ThreadCountText(process.ThreadCount),
          FolderText(process.Path)};
}
