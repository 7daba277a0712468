// The listing's sources for the running process: its memory, read after the
// options unit's readability test, and the hook engine's instruction-length
// decoder as the measure of instruction boundaries.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "debuginfo/EDisAsmListing.h"

// Reads this process's memory: only bytes that the readability test of the
// options unit (engine/ECoreMemory.h) calls readable. Safe inside exception
// handling; takes no lock.
TMemoryReader ProcessMemoryReader();

// The hook engine's instruction length of the code at the start of `code`
// (0 when it is not an instruction or the bytes end first).
std::uint32_t EngineInstructionLength(std::span<const std::uint8_t> code);

// The listing of this process's code around `address`, with the two sources
// above and no lookup, headed by `title` (customizable text 14 of the options
// in effect).
TAssemblerListing AssemblerListing(std::uint32_t address,
                                   std::string_view title = kAssemblerInformationText);
