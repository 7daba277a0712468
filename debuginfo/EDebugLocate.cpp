#include "debuginfo/EDebugLocate.h"

#include <cctype>
#include <cstring>

#include "debuginfo/EDebugOwnUnits.h"
#include "debuginfo/EDebugText.h"
#include "platform/runtime/PathText.h"

namespace {

std::string WithoutExtension(std::string_view name) {
  const auto dot = name.rfind('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

bool LocateInBlock(const TModuleDebugView& module, std::uintptr_t address,
                   const TLookupServices& services, TCodeLocation& location) {
  if (module.BlockIndex) {
    if (!module.BlockIndex->Locate(address, services.Code, location)) return false;
  } else if (module.Block.Block.empty() ||
             !LocateInDebugBlock(module.Block, address, services.Code, location)) {
    return false;
  }
  if (!services.ShowLibraryUnits && IsLibraryOwnUnit(location.SourceUnit.View())) {
    location.Precision = lpModule;
    location.SourceUnit.Clear();
    location.OwnerClass.Clear();
    location.RoutineName.Clear();
    location.SourceLine = 0;
    location.RoutineLineOffset = 0;
  }
  return true;
}

void LocateInExports(const TModuleDebugView& module, std::uintptr_t address,
                     const TLookupServices& services, TCodeLocation& location) {
  location.Precision = lpNone;
  location.SourceLine = 0;
  if (!module.Known) return;
  location.Precision = lpModule;
  if (!module.Functions) return;
  if (auto function = module.Functions->Find(address, services.MeasureProcedure)) {
    ParseExportedName(function->Name, location);
  }
}

}  // namespace

bool LocateInOtherSource(const TELDebugInfoSource& source, std::uintptr_t address, bool moduleKnown,
                         TCodeLocation& location) {
  TELLocationInfo info;
  if (!source.GetLocation(address, info) || info.ProcedureName.empty()) return false;
  location.SourceUnit.Assign(
      ExtractFileName(info.SourceName.empty() ? info.UnitName : info.SourceName));
  const std::string& name = info.ProcedureName;
  const auto firstDot = name.find('.');
  if (firstDot == std::string::npos) {
    location.RoutineName.Assign(name);
  } else {
    const std::string a = name.substr(0, firstDot);
    const std::string rest = name.substr(firstDot + 1);
    const auto secondDot = rest.find('.');
    if (secondDot != std::string::npos) {
      location.OwnerClass.Assign(rest.substr(0, secondDot));
      location.RoutineName.Assign(rest.substr(secondDot + 1));
    } else {
      if (!SameTextIgnoringCase(a, WithoutExtension(location.SourceUnit.View()))) {
        location.OwnerClass.Assign(a);
      }
      location.RoutineName.Assign(rest);
    }
  }
  location.SourceLine = info.LineNumber;
  location.RoutineLineOffset = info.LineOffset;
  if (location.SourceLine != 0) {
    location.Precision = lpLine;
  } else if (!location.SourceUnit.Empty()) {
    location.Precision = lpUnit;
  } else if (!location.RoutineName.Empty()) {
    location.Precision = lpRoutine;
  } else {
    location.Precision = moduleKnown ? lpModule : lpNone;
  }
  return true;
}

void LocateInModule(const TModuleDebugView& module, std::uintptr_t address, std::uint32_t threadId,
                    TCodeLocation& location, bool isExceptionAddress, bool stackOrigin,
                    const TLookupServices& services) {
  std::memset(&location, 0, sizeof(location));
  location.ModuleEntry = module.Entry;
  location.OwnerThread = threadId;
  location.StackOrigin = stackOrigin ? 1 : 0;
  location.IsExceptionAddress = isExceptionAddress ? 1 : 0;
  location.CodeAddress = static_cast<std::uint32_t>(address);
  try {
    if (!LocateInBlock(module, address, services, location) &&
        !(module.OtherSource &&
          LocateInOtherSource(*module.OtherSource, address, module.Known, location))) {
      LocateInExports(module, address, services, location);
    }
  } catch (...) {
    // A lookup never fails: what was not reached stays empty.
    if (location.Precision == lpNone && module.Known) location.Precision = lpModule;
  }
  if (isExceptionAddress) location.Precision = lpLine;
  if (location.RoutineName.Length > 0 && location.RoutineName.Text[0] == '@') {
    location.RoutineName.Text[0] = '_';
  }
}
