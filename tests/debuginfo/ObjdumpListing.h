// Reads the text that `objdump -d -w -z -M intel` prints for a PE file: each
// instruction's address, bytes and text, grouped into runs of contiguous code.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct ObjdumpInstruction {
  std::uint32_t address = 0;
  std::uint32_t length = 0;
  std::string text;
  std::size_t run = 0;     // index into ObjdumpListing::runs
  std::size_t offset = 0;  // of the first byte within the run
};

struct ObjdumpRun {
  std::uint32_t address = 0;
  std::vector<std::uint8_t> bytes;
};

struct ObjdumpListing {
  std::vector<ObjdumpInstruction> instructions;
  std::vector<ObjdumpRun> runs;

  // The instruction's bytes and everything after it up to the end of its run.
  std::span<const std::uint8_t> CodeFrom(const ObjdumpInstruction& instruction) const;
};

// Parses the listing text; lines that are not instruction lines are skipped.
ObjdumpListing ParseObjdumpListing(std::string_view text);
