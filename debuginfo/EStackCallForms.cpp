#include "debuginfo/EStackCallForms.h"

namespace {

constexpr std::size_t kWindow = 7;  // the longest form: FF 94 24 and a 32-bit displacement
constexpr std::uint8_t kCallRelative = 0xE8;
constexpr std::uint8_t kGroupFive = 0xFF;  // FF /2 is the indirect near call
constexpr std::uint8_t kMove = 0x8B;

bool Between(std::uint8_t byte, std::uint8_t low, std::uint8_t high) {
  return byte >= low && byte <= high;
}

// The ModRM bytes of FF /2 that each form accepts: the eight registers, or
// every base register but the ones that take a SIB byte or stand for a bare
// displacement.
bool RegisterModRM(std::uint8_t modrm) {
  return Between(modrm, 0xD0, 0xD7);
}
bool RegisterIndirectModRM(std::uint8_t modrm) {
  return Between(modrm, 0x10, 0x13) || modrm == 0x16 || modrm == 0x17;
}
bool Displacement8ModRM(std::uint8_t modrm) {
  return Between(modrm, 0x50, 0x53) || Between(modrm, 0x55, 0x57);
}
bool Displacement32ModRM(std::uint8_t modrm) {
  return Between(modrm, 0x90, 0x93) || Between(modrm, 0x95, 0x97);
}

class TCallFormMatcher {
 public:
  TCallFormMatcher(const TMemoryReader& reader, TAddress returnAddress)
      : reader_(reader), returnAddress_(returnAddress) {}

  TStackCallSite Match();

 private:
  // The call of `length` bytes that ends at the return address, decoded.
  TStackCallSite Found(TStackCallForm form, std::size_t length) const;

  const TMemoryReader& reader_;
  const TAddress returnAddress_;
  std::uint8_t b_[kWindow] = {};  // b_[0] at returnAddress_ - 7
};

TStackCallSite TCallFormMatcher::Found(TStackCallForm form, std::size_t length) const {
  TStackCallSite site;
  site.Form = form;
  site.CallAddress = returnAddress_ - length;
  site.Instruction = DecodeInstruction(b_ + kWindow - length, length);
  return site;
}

// The forms in their order; the first that matches decides.
TStackCallSite TCallFormMatcher::Match() {
  if (returnAddress_ < kWindow || !reader_.ReadAll(returnAddress_ - kWindow, b_, kWindow)) {
    return {};
  }
  const std::uint8_t* b = b_;
  if (b[2] == kCallRelative) {
    TStackCallSite site = Found(TStackCallForm::kDirect, 5);
    site.Target = site.Instruction.RelativeTarget(static_cast<std::uint32_t>(site.CallAddress));
    if (reader_.IsReadable(site.Target, 1)) return site;
  }
  if (b[5] == kGroupFive && RegisterModRM(b[6])) return Found(TStackCallForm::kRegister, 2);
  if (b[5] == kGroupFive && RegisterIndirectModRM(b[6])) {
    return Found(TStackCallForm::kRegisterIndirect, 2);
  }
  if (b[4] == kGroupFive && Displacement8ModRM(b[5])) {
    // Compilers load the register just before such a call; without that move
    // the bytes are more likely data, and no other form is tried.
    if (b[2] == kMove || b[1] == kMove) return Found(TStackCallForm::kRegisterDisplacement8, 3);
    return {};
  }
  if (b[1] == kGroupFive && Displacement32ModRM(b[2])) {
    return Found(TStackCallForm::kRegisterDisplacement32, 6);
  }
  if (b[4] == kGroupFive && b[5] == 0x14 && b[6] == 0x24) return Found(TStackCallForm::kStack, 3);
  if (b[3] == kGroupFive && b[4] == 0x54 && b[5] == 0x24) {
    return Found(TStackCallForm::kStackDisplacement8, 4);
  }
  if (b[0] == kGroupFive && b[1] == 0x94 && b[2] == 0x24) {
    return Found(TStackCallForm::kStackDisplacement32, 7);
  }
  if (b[1] == kGroupFive && b[2] == 0x15) {
    TStackCallSite site = Found(TStackCallForm::kMemoryPointer, 6);
    const auto slot = static_cast<std::uint32_t>(site.Instruction.Displacement);
    if (reader_.IsReadable(slot, 4)) return site;
  }
  return {};
}

}  // namespace

TStackCallSite MatchStackCallForm(const TMemoryReader& reader, TAddress returnAddress) noexcept {
  return TCallFormMatcher(reader, returnAddress).Match();
}
