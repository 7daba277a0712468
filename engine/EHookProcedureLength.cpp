#include "engine/EHookProcedureLength.h"

#include <algorithm>

#include "engine/EHookInstructionLength.h"

namespace {

constexpr std::size_t kWindowSize = 4096;

bool IsReturn(std::uint8_t opcode) {
  return opcode == 0xC2 || opcode == 0xC3 || opcode == 0xCA || opcode == 0xCB;
}

}  // namespace

std::size_t MeasureProcedureLength(const TMemoryReader& reader, TAddress address,
                                   std::size_t limit) noexcept {
  if (limit == 0) return 0;
  std::uint8_t window[kWindowSize];
  std::size_t windowStart = 0;  // offset from `address` of window[0]
  std::size_t windowLength = 0;
  bool windowCut = true;  // the window ends where reading or the limit ended
  std::size_t offset = 0;
  for (;;) {
    const std::size_t inWindow = offset - windowStart;
    const TInstruction decoded = DecodeInstruction(window + inWindow, windowLength - inWindow);
    std::size_t step = WalkStep(decoded);
    if (step == 0) {
      if (windowCut && windowLength > 0) return 1;
      // Slide the window to the instruction that did not fit.
      const std::size_t wanted = std::min(kWindowSize, limit - offset);
      windowStart = offset;
      windowLength = reader.Read(address + offset, window, wanted);
      windowCut = windowLength < kWindowSize;
      if (windowLength == 0) return 1;
      continue;
    }
    if (decoded.Status == TDecodeStatus::kDecoded && IsReturn(decoded.Opcode)) {
      return offset + step;
    }
    offset += step;
    if (offset >= limit) return 1;
  }
}
