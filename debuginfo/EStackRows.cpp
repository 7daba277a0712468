#include "debuginfo/EStackRows.h"

#include <cstdio>

#include "engine/ECoreModules.h"
#include "engine/ECoreOptionFlags.h"
#include "platform/runtime/PathText.h"

namespace {

enum THeaderText : int {
  kMainText = 98,
  kExceptionThreadText = 99,
  kRunningThreadText = 100,
  kCallingThreadText = 101,
  kIdText = 102,
  kPriorityText = 103,
  kClassText = 104,
  kMemoryLeakText = 105,
  kDataText = 106,
  kTypeText = 107,
  kTotalSizeText = 108,
  kCountText = 109,
};

std::string Format(const char* format, auto... values) {
  const int length = std::snprintf(nullptr, 0, format, values...);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  std::snprintf(text.data(), text.size() + 1, format, values...);
  return text;
}

std::string LeakHeader(const TCodeLocation& item, bool forReport, const TDovaroModuleOptions& o) {
  std::string typeName = item.LeakTypeName.Str();
  if (typeName == "Data") typeName = o.Text(kDataText);
  return std::string(forReport ? "+" : "") +
         Format("%s: %s=%s; %s=%d; %s=%d", o.Text(kMemoryLeakText).c_str(),
                o.Text(kTypeText).c_str(), typeName.c_str(), o.Text(kTotalSizeText).c_str(),
                static_cast<int>(item.LeakTotalSize), o.Text(kCountText).c_str(),
                static_cast<int>(item.LeakCount));
}

}  // namespace

bool RowVisible(const TCodeLocation& item, const TDovaroModuleOptions& options) {
  switch (item.Precision) {
    case lpLine:
      return true;
    case lpRoutine:
      return (options.StackFlags() & StackShowRoutineOnly) != 0;
    case lpUnit:
      return (options.StackFlags() & StackShowUnitOnly) != 0;
    default:
      return false;
  }
}

TStackRowTexts StackRowTexts(const TCodeLocation& item) {
  TStackRowTexts row;
  row.Address = Format("%08X", static_cast<unsigned>(item.CodeAddress));
  if (item.Precision != lpNone && item.ModuleEntry) {
    row.Module = ExtractFileName(item.ModuleEntry->FileName);
  }
  row.Unit = item.SourceUnit.Str();
  row.Class = item.OwnerClass.Str();
  row.Procedure = item.RoutineName.Str();
  if (item.SourceLine != 0) {
    row.Line = Format("%d[%d]", static_cast<int>(item.SourceLine),
                      static_cast<int>(item.RoutineLineOffset));
  }
  return row;
}

bool StartsThreadBlock(const TCodeLocation& item, const TCodeLocation* previous) {
  return !previous || item.OwnerThread != previous->OwnerThread ||
         item.StackOrigin != previous->StackOrigin || item.IsExceptionAddress != 0;
}

std::string ThreadHeaderText(const TCodeLocation& item, bool forReport,
                             const TDovaroModuleOptions& options, IStackThreadFacts& facts) {
  if (item.IsLeakEntry) return LeakHeader(item, forReport, options);
  std::string text;
  if (item.StackOrigin == 0) {
    text = options.Text(kCallingThreadText);
  } else if (item.IsExceptionAddress) {
    text = (forReport ? "*" : "") + options.Text(kExceptionThreadText);
  } else {
    text = options.Text(kRunningThreadText);
  }
  text += ": ";
  const auto id = static_cast<std::int32_t>(item.OwnerThread);
  const std::optional<int> priority = facts.Priority(item.OwnerThread);
  const std::string priorityText = priority ? std::to_string(*priority) : "??";
  text += Format("%s=%d; %s=%s", options.Text(kIdText).c_str(), id < 0 ? 0 : id,
                 options.Text(kPriorityText).c_str(), priorityText.c_str());
  const std::string className = facts.ClassName(item.OwnerThread);
  if (forReport || !className.empty()) {
    text += Format("; %s=%s", options.Text(kClassText).c_str(), className.c_str());
  }
  if (facts.IsMainThread(item.OwnerThread)) text += "; [" + options.Text(kMainText) + "]";
  return text;
}
