#include "engine/EHookInstructionLength.h"

#include "engine/EHookOpcodeTables.h"

namespace {

constexpr std::uint8_t kOperandSize = 0x66;
constexpr std::uint8_t kAddressSize = 0x67;
constexpr std::uint8_t kRepeatNotEqual = 0xF2;
constexpr std::uint8_t kRepeat = 0xF3;

// What the prefixes in front of the opcode changed.
struct TPrefixState {
  bool operand16 = false;
  bool address16 = false;
  std::uint8_t lastRepeat = 0;  // the last of F2/F3, which selects SSE forms
};

class TDecoder {
 public:
  TDecoder(const std::uint8_t* bytes, std::size_t available)
      : bytes_(bytes), available_(available) {}

  TInstruction Decode();

 private:
  // False (with the status set) when the instruction cannot be `length` long.
  bool Reach(std::size_t length);
  bool ReadPrefixes();
  bool AddModRM();
  TInstruction Finish(std::size_t length);
  TInstruction Fail(TDecodeStatus status);
  TInstruction DecodeShape(TOpcodeShape shape);
  TInstruction DecodeVex();
  std::size_t FullImmediate() const { return prefixes_.operand16 ? 2 : 4; }

  const std::uint8_t* bytes_;
  std::size_t available_;
  std::size_t position_ = 0;
  TPrefixState prefixes_;
  TInstruction result_;
};

bool TDecoder::Reach(std::size_t length) {
  if (length > kMaxInstructionLength) {
    result_.Status = TDecodeStatus::kInvalid;
    return false;
  }
  if (length > available_) {
    result_.Status = TDecodeStatus::kNeedMoreData;
    return false;
  }
  return true;
}

TInstruction TDecoder::Finish(std::size_t length) {
  if (!Reach(length)) return Fail(result_.Status);
  result_.Status = TDecodeStatus::kDecoded;
  result_.Length = static_cast<std::uint8_t>(length);
  return result_;
}

TInstruction TDecoder::Fail(TDecodeStatus status) {
  TInstruction failed;
  failed.Status = status;
  return failed;
}

// Prefixes up to the opcode. A wait (9B) followed by an x87 opcode is one
// instruction with it (FSTCW is 9B D9 /7); prefixes before a wait belong to
// the wait alone. Returns false when the instruction already ends.
bool TDecoder::ReadPrefixes() {
  bool waiting = false;
  for (;;) {
    if (!Reach(position_ + 1)) return false;
    const std::uint8_t byte = bytes_[position_];
    const TOpcodeShape shape = kOneByteOpcodeMap[byte];
    if (shape == TOpcodeShape::kWait) {
      if (position_ > 0) {
        result_.Opcode = byte;
        result_.PrefixLength = static_cast<std::uint8_t>(position_);
        result_.Status = TDecodeStatus::kDecoded;
        result_.Length = static_cast<std::uint8_t>(position_ + 1);
        return false;
      }
      waiting = true;
    } else if (shape == TOpcodeShape::kPrefix) {
      if (byte == kOperandSize) prefixes_.operand16 = true;
      if (byte == kAddressSize) prefixes_.address16 = true;
      if (byte == kRepeat || byte == kRepeatNotEqual) prefixes_.lastRepeat = byte;
    } else {
      break;
    }
    ++position_;
  }
  const std::uint8_t opcode = bytes_[position_];
  if (waiting && (opcode < 0xD8 || opcode > 0xDF)) {
    result_.Opcode = bytes_[0];
    result_.Status = TDecodeStatus::kDecoded;
    result_.Length = 1;
    return false;
  }
  result_.Opcode = opcode;
  result_.PrefixLength = static_cast<std::uint8_t>(position_);
  return true;
}

// Moves past the ModRM byte, a SIB byte and the displacement.
bool TDecoder::AddModRM() {
  if (!Reach(position_ + 1)) return false;
  const std::uint8_t modrm = bytes_[position_++];
  const unsigned mod = modrm >> 6;
  const unsigned rm = modrm & 7;
  if (mod == 3) return true;
  if (prefixes_.address16) {
    if (mod == 0 && rm == 6) position_ += 2;
    if (mod == 1) position_ += 1;
    if (mod == 2) position_ += 2;
    return true;
  }
  unsigned base = rm;
  if (rm == 4) {
    if (!Reach(position_ + 1)) return false;
    base = bytes_[position_++] & 7;
  }
  if (mod == 0 && base == 5) position_ += 4;
  if (mod == 1) position_ += 1;
  if (mod == 2) position_ += 4;
  return true;
}

TInstruction TDecoder::DecodeShape(TOpcodeShape shape) {
  using enum TOpcodeShape;
  switch (shape) {
    case kNone:
      return Finish(position_);
    case kModRM:
      return AddModRM() ? Finish(position_) : Fail(result_.Status);
    case kModRMImm8:
      return AddModRM() ? Finish(position_ + 1) : Fail(result_.Status);
    case kModRMImmZ:
      return AddModRM() ? Finish(position_ + FullImmediate()) : Fail(result_.Status);
    case kImm8:
      return Finish(position_ + 1);
    case kImm16:
      return Finish(position_ + 2);
    case kImmZ:
      return Finish(position_ + FullImmediate());
    case kImm16Imm8:
      return Finish(position_ + 3);
    case kFarPointer:
      return Finish(position_ + FullImmediate() + 2);
    case kMemoryOffset:
      return Finish(position_ + (prefixes_.address16 ? 2 : 4));
    case kRelative8:
      result_.Branch = TRelativeBranch::kShort;
      result_.DisplacementOffset = static_cast<std::uint8_t>(position_);
      result_.DisplacementSize = 1;
      return Finish(position_ + 1);
    case kRelativeZ:
      result_.Branch = TRelativeBranch::kNear;
      result_.DisplacementOffset = static_cast<std::uint8_t>(position_);
      result_.DisplacementSize = static_cast<std::uint8_t>(FullImmediate());
      return Finish(position_ + FullImmediate());
    case kGroupTestByte:
    case kGroupTestFull: {
      if (!Reach(position_ + 1)) return Fail(result_.Status);
      const bool test = ((bytes_[position_] >> 3) & 7) < 2;
      if (!AddModRM()) return Fail(result_.Status);
      if (!test) return Finish(position_);
      return Finish(position_ + (shape == kGroupTestByte ? 1 : FullImmediate()));
    }
    case kGroupMoveFull:
      if (!Reach(position_ + 1)) return Fail(result_.Status);
      if (bytes_[position_] == 0xF8) {  // XBEGIN: the "immediate" is a branch displacement
        ++position_;
        return DecodeShape(kRelativeZ);
      }
      return DecodeShape(kModRMImmZ);
    case kVexOrModRM:
      if (!Reach(position_ + 1)) return Fail(result_.Status);
      if ((bytes_[position_] & 0xC0) != 0xC0) return DecodeShape(kModRM);
      return DecodeVex();
    case kPopcntOrInvalid:
      return prefixes_.lastRepeat == kRepeat ? DecodeShape(kModRM) : Fail(TDecodeStatus::kInvalid);
    case kExtrqInsertq:
      if (prefixes_.operand16 || prefixes_.lastRepeat == kRepeatNotEqual) {
        return AddModRM() ? Finish(position_ + 2) : Fail(result_.Status);
      }
      return DecodeShape(kModRM);
    case kEscape0F38:
      ++position_;
      return DecodeShape(kModRM);
    case kEscape0F3A:
      ++position_;
      return DecodeShape(kModRMImm8);
    case kEscape0F:
    case kPrefix:
    case kWait:
    case kInvalid:
      break;
  }
  return Fail(TDecodeStatus::kInvalid);
}

// VEX prefixes (C5 with one payload byte, C4 with two) select an opcode map
// of the two- or three-byte kind; every VEX form has a ModRM except
// VZEROUPPER/VZEROALL (map 0F, opcode 77).
TInstruction TDecoder::DecodeVex() {
  const bool threeByte = bytes_[position_ - 1] == 0xC4;
  unsigned map = 1;
  if (threeByte) {
    if (!Reach(position_ + 1)) return Fail(result_.Status);
    map = bytes_[position_] & 0x1F;
  }
  position_ += threeByte ? 2 : 1;
  if (!Reach(position_ + 1)) return Fail(result_.Status);
  const std::uint8_t opcode = bytes_[position_++];
  switch (map) {
    case 1:
      if (opcode == 0x77) return Finish(position_);
      return DecodeShape(kTwoByteOpcodeMap[opcode] == TOpcodeShape::kModRMImm8
                             ? TOpcodeShape::kModRMImm8
                             : TOpcodeShape::kModRM);
    case 2:
      return DecodeShape(TOpcodeShape::kModRM);
    case 3:
      return DecodeShape(TOpcodeShape::kModRMImm8);
    default:
      return Fail(TDecodeStatus::kInvalid);
  }
}

TInstruction TDecoder::Decode() {
  if (!ReadPrefixes()) {
    return result_.Status == TDecodeStatus::kDecoded ? result_ : Fail(result_.Status);
  }
  TOpcodeShape shape = kOneByteOpcodeMap[bytes_[position_++]];
  if (shape == TOpcodeShape::kEscape0F) {
    if (!Reach(position_ + 1)) return Fail(result_.Status);
    shape = kTwoByteOpcodeMap[bytes_[position_++]];
    if ((shape == TOpcodeShape::kEscape0F38 || shape == TOpcodeShape::kEscape0F3A) &&
        !Reach(position_ + 1)) {
      return Fail(result_.Status);
    }
  }
  return DecodeShape(shape);
}

}  // namespace

TInstruction DecodeInstruction(const std::uint8_t* bytes, std::size_t available) noexcept {
  return TDecoder(bytes, available).Decode();
}

std::size_t InstructionLength(const std::uint8_t* bytes, std::size_t available) noexcept {
  const TInstruction instruction = DecodeInstruction(bytes, available);
  return instruction.Status == TDecodeStatus::kDecoded ? instruction.Length : 0;
}
