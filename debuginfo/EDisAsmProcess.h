// The listing's sources for the running process: its memory, read after the
// options unit's readability test; the hook engine's instruction-length
// decoder as the measure of instruction boundaries; and the debug-information
// lookup for routine headers and the names of call and jump targets.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "debuginfo/EDisAsmListing.h"

// The hook engine's instruction length of the code at the start of `code`
// (0 when it is not an instruction or the bytes end first).
std::uint32_t EngineInstructionLength(std::span<const std::uint8_t> code);

// Routines from LocateAddress (debuginfo/EDebug.h); captions from the call
// stack builder's AddressCaption (debuginfo/EStackLive.h), which follows
// import stubs and names live objects too. Never throws; may allocate and
// take the function lists' lock.
class TProcessListingLookup : public IListingLookup {
 public:
  std::optional<TListingRoutine> RoutineAt(std::uint32_t address) override;
  std::optional<std::string> AddressCaption(std::uint32_t address) override;
};

// The listing of this process's code around `address` with the sources above,
// headed by `title` (customizable text 14 of the options in effect).
TAssemblerListing AssemblerListing(std::uint32_t address,
                                   std::string_view title = kAssemblerInformationText);
