// The compact stack text of the internal-error report.
#include <cstdio>

#include "debuginfo/EStackScan.h"

namespace {

constexpr const char* kStackTextIndent = "            ";  // under "Call Stack: "

std::string StackText(const TDovaroStackList& list) {
  std::string text;
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const TCodeLocation& item = list[i];
    const TDovaroModuleInfo* module = item.ModuleEntry;
    std::string detail;
    if (item.SourceLine != 0) {
      detail = "- " + item.SourceUnit.Str() + " - " + item.OwnerClass.Str() + " - " +
               item.RoutineName.Str() + " - " + std::to_string(item.SourceLine) + "[" +
               std::to_string(item.RoutineLineOffset) + "]";
    }
    char line[64];
    std::snprintf(
        line, sizeof line, "%02X $%8.8x - [%8.8x] ", static_cast<unsigned>(i),
        static_cast<unsigned>(item.CodeAddress),
        static_cast<unsigned>(module ? reinterpret_cast<std::uintptr_t>(module->Handle) : 0));
    if (i > 0) text += kStackTextIndent;
    text += line + (module ? module->FileName : std::string()) + " " + detail + "\r\n";
  }
  return text;
}

std::string ScanText(TAddress stackLow, TAddress stackHigh, bool insideDevelopmentEnvironment,
                     bool resolve, const TMemoryReader& memory, IStackLocator& locator) {
  TStackScanRequest request;
  request.StackLow = stackLow;
  request.StackHigh = stackHigh;
  request.AddCallees = true;
  request.Resolve = resolve;
  request.InsideDevelopmentEnvironment = insideDevelopmentEnvironment;
  TDovaroStackList list;
  ScanStack(list, request, memory, locator);
  return StackText(list);
}

}  // namespace

std::string CallStackAsText(TAddress stackLow, TAddress stackHigh,
                            bool insideDevelopmentEnvironment, const TMemoryReader& memory,
                            IStackLocator& locator) {
  try {
    return ScanText(stackLow, stackHigh, insideDevelopmentEnvironment, true, memory, locator);
  } catch (...) {
    // A failure inside the lookups: the modules alone still tell something.
  }
  try {
    return ScanText(stackLow, stackHigh, insideDevelopmentEnvironment, false, memory, locator);
  } catch (...) {
    return {};
  }
}
