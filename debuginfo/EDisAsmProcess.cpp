#include "debuginfo/EDisAsmProcess.h"

#include "debuginfo/EDebug.h"
#include "debuginfo/EStackLive.h"
#include "platform/memory/LiveMemory.h"
#include "engine/EHookInstructionLength.h"

namespace {

// The routine-level part of a lookup (precision routine, unit or line).
std::optional<TListingRoutine> RoutineOf(std::uint32_t address) {
  TCodeLocation location{};
  LocateAddress(address, 0, location, false, false);
  if (location.Precision < lpRoutine || location.Precision > lpLine) return std::nullopt;
  return TListingRoutine{
      location.SourceUnit.Str(), location.OwnerClass.Str(), location.RoutineName.Str(),
      static_cast<std::uint32_t>(location.SourceLine > 0 ? location.SourceLine : 0),
      static_cast<std::uint32_t>(location.RoutineLineOffset > 0 ? location.RoutineLineOffset : 0)};
}

}  // namespace

std::uint32_t EngineInstructionLength(std::span<const std::uint8_t> code) {
  return static_cast<std::uint32_t>(InstructionLength(code.data(), code.size()));
}

std::optional<TListingRoutine> TProcessListingLookup::RoutineAt(std::uint32_t address) {
  return RoutineOf(address);
}

std::optional<std::string> TProcessListingLookup::AddressCaption(std::uint32_t address) {
  return ::AddressCaption(address);
}

TAssemblerListing AssemblerListing(std::uint32_t address, std::string_view title) {
  TProcessListingLookup lookup;
  TListingSources sources;
  sources.Memory = &LiveMemory();
  sources.InstructionLength = &EngineInstructionLength;
  sources.Lookup = &lookup;
  return AssemblerListing(address, sources, title);
}
