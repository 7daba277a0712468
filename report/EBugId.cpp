#include "report/EBugId.h"

#include <cstdio>

#include "report/EHash.h"

std::string BugIdentifierText(std::string_view nameDescription, std::string_view moduleName,
                              std::string_view exceptionType, const TDovaroStackList& stack) {
  std::string text;
  text += nameDescription;
  text += moduleName;
  text += exceptionType;
  if (stack.Empty()) return text;
  const std::uint32_t faultingThread = stack[0].OwnerThread;
  for (std::size_t i = 0; i < stack.Count(); ++i) {
    const TCodeLocation& item = stack[i];
    if (item.Precision != lpLine || item.OwnerThread != faultingThread) continue;
    text += item.SourceUnit.View();
    text += item.OwnerClass.View();
    text += item.RoutineName.View();
    text += std::to_string(item.RoutineLineOffset);
  }
  return text;
}

std::string BugIdentifier(std::string_view nameDescription, std::string_view moduleName,
                          std::string_view exceptionType, const TDovaroStackList& stack) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X",
                Crc16Text(BugIdentifierText(nameDescription, moduleName, exceptionType, stack)));
  return text;
}
