#include "engine/EHookInstructionLength.h"

#include "engine/EHookOpcodeTables.h"

namespace {

constexpr std::uint8_t kOperandSize = 0x66;
constexpr std::uint8_t kAddressSize = 0x67;
constexpr std::uint8_t kLock = 0xF0;
constexpr std::uint8_t kRepeatNotEqual = 0xF2;
constexpr std::uint8_t kRepeat = 0xF3;

void NotePrefix(TInstructionPrefixes& prefixes, std::uint8_t byte) {
  switch (byte) {
    case kOperandSize:
      prefixes.OperandSize = true;
      break;
    case kAddressSize:
      prefixes.AddressSize = true;
      break;
    case kLock:
      prefixes.Lock = true;
      break;
    case kRepeat:
    case kRepeatNotEqual:
      prefixes.Repeat = byte;
      break;
    default:  // the segment overrides
      prefixes.Segment = byte;
  }
}

std::uint8_t Narrow(std::size_t value) {
  return static_cast<std::uint8_t>(value);  // instructions are at most 15 bytes long
}

// A little-endian signed field of 1, 2 or 4 bytes.
std::int32_t SignedField(const std::uint8_t* field, std::size_t size) {
  if (size == 1) return static_cast<std::int8_t>(field[0]);
  if (size == 2) return static_cast<std::int16_t>(field[0] | field[1] << 8);
  return static_cast<std::int32_t>(std::uint32_t{field[0]} | std::uint32_t{field[1]} << 8 |
                                   std::uint32_t{field[2]} << 16 | std::uint32_t{field[3]} << 24);
}

class TDecoder {
 public:
  TDecoder(const std::uint8_t* bytes, std::size_t available)
      : bytes_(bytes), available_(available) {}

  TInstruction Decode();

 private:
  // False (with the status set) when the instruction cannot be `length` long.
  bool Reach(std::size_t length);
  bool ReadPrefixes();
  bool ReadOpcode(TOpcodeMap map);
  void TakeModRM();
  bool AddModRM();
  TInstruction Immediate(std::size_t size);
  TInstruction Relative(std::size_t size, TRelativeBranch branch);
  TInstruction Finish(std::size_t length);
  TInstruction Fail(TDecodeStatus status);
  TInstruction DecodeShape(TOpcodeShape shape);
  TInstruction DecodeVex();
  std::size_t FullImmediate() const { return result_.Prefixes.OperandSize ? 2 : 4; }

  const std::uint8_t* bytes_;
  std::size_t available_;
  std::size_t position_ = 0;
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

// The values of the fields are read only once the whole instruction is known
// to lie within the bytes given.
TInstruction TDecoder::Finish(std::size_t length) {
  if (!Reach(length)) return Fail(result_.Status);
  result_.Status = TDecodeStatus::kDecoded;
  result_.Length = Narrow(length);
  if (result_.DisplacementSize != 0) {
    result_.Displacement =
        SignedField(bytes_ + result_.DisplacementOffset, result_.DisplacementSize);
  }
  if (result_.RelativeSize != 0) {
    result_.RelativeDisplacement =
        SignedField(bytes_ + result_.RelativeOffset, result_.RelativeSize);
  }
  return result_;
}

TInstruction TDecoder::Fail(TDecodeStatus status) {
  TInstruction failed;
  failed.Status = status;
  return failed;
}

// Prefixes up to the opcode. Waits (9B) among the prefixes before an x87
// opcode make one instruction with it, as objdump counts them (FSTCW is
// 9B D9 /7); before anything else the first wait ends an instruction of its
// own, with the prefixes before it. Returns false when the instruction
// already ends.
bool TDecoder::ReadPrefixes() {
  std::size_t firstWait = 0;
  bool waiting = false;
  for (;;) {
    if (!Reach(position_ + 1)) {
      // Past the longest instruction no x87 opcode can come: the wait stands alone.
      if (waiting && result_.Status == TDecodeStatus::kInvalid) break;
      return false;
    }
    const std::uint8_t byte = bytes_[position_];
    const TOpcodeShape shape = kOneByteOpcodeMap[byte];
    if (shape == TOpcodeShape::kWait) {
      if (!waiting) firstWait = position_;
      waiting = true;
    } else if (shape == TOpcodeShape::kPrefix) {
      NotePrefix(result_.Prefixes, byte);
    } else {
      break;
    }
    ++position_;
  }
  const bool x87 =
      position_ < kMaxInstructionLength && bytes_[position_] >= 0xD8 && bytes_[position_] <= 0xDF;
  if (waiting && !x87) {
    result_ = TInstruction{};
    for (std::size_t i = 0; i < firstWait; ++i) NotePrefix(result_.Prefixes, bytes_[i]);
    result_.Opcode = result_.MapOpcode = bytes_[firstWait];
    result_.PrefixLength = Narrow(firstWait);
    result_.Status = TDecodeStatus::kDecoded;
    result_.Length = Narrow(firstWait + 1);
    return false;
  }
  result_.Prefixes.Wait = waiting;
  result_.Opcode = bytes_[position_];
  result_.PrefixLength = Narrow(position_);
  return true;
}

// Reads the opcode byte of `map` at the position.
bool TDecoder::ReadOpcode(TOpcodeMap map) {
  if (!Reach(position_ + 1)) return false;
  result_.Map = map;
  result_.MapOpcode = bytes_[position_++];
  return true;
}

// Records the ModRM byte at the position (which must be within the bytes) and
// moves past it.
void TDecoder::TakeModRM() {
  const std::uint8_t modrm = bytes_[position_];
  result_.HasModRM = true;
  result_.ModRMOffset = Narrow(position_++);
  result_.Mod = modrm >> 6;
  result_.Reg = (modrm >> 3) & 7;
  result_.Rm = modrm & 7;
}

// Moves past the ModRM byte, a SIB byte and the displacement.
bool TDecoder::AddModRM() {
  if (!Reach(position_ + 1)) return false;
  TakeModRM();
  const unsigned mod = result_.Mod;
  std::size_t displacement = 0;
  if (mod == 3) return true;
  if (result_.Prefixes.AddressSize) {
    if (mod == 0 && result_.Rm == 6) displacement = 2;
    if (mod == 1) displacement = 1;
    if (mod == 2) displacement = 2;
  } else {
    unsigned base = result_.Rm;
    if (base == 4) {
      if (!Reach(position_ + 1)) return false;
      const std::uint8_t sib = bytes_[position_++];
      result_.HasSib = true;
      result_.Scale = sib >> 6;
      result_.Index = (sib >> 3) & 7;
      result_.Base = base = sib & 7;
    }
    if (mod == 0 && base == 5) displacement = 4;
    if (mod == 1) displacement = 1;
    if (mod == 2) displacement = 4;
  }
  if (displacement != 0) {
    result_.DisplacementOffset = Narrow(position_);
    result_.DisplacementSize = Narrow(displacement);
    position_ += displacement;
  }
  return true;
}

TInstruction TDecoder::Immediate(std::size_t size) {
  result_.ImmediateOffset = Narrow(position_);
  result_.ImmediateSize = Narrow(size);
  return Finish(position_ + size);
}

TInstruction TDecoder::Relative(std::size_t size, TRelativeBranch branch) {
  result_.Branch = branch;
  result_.RelativeOffset = Narrow(position_);
  result_.RelativeSize = Narrow(size);
  return Finish(position_ + size);
}

TInstruction TDecoder::DecodeShape(TOpcodeShape shape) {
  using enum TOpcodeShape;
  switch (shape) {
    case kNone:
      return Finish(position_);
    case kModRM:
      return AddModRM() ? Finish(position_) : Fail(result_.Status);
    case kModRMRegister:
      if (!Reach(position_ + 1)) return Fail(result_.Status);
      TakeModRM();
      return Finish(position_);
    case kModRMImm8:
      return AddModRM() ? Immediate(1) : Fail(result_.Status);
    case kModRMImmZ:
      return AddModRM() ? Immediate(FullImmediate()) : Fail(result_.Status);
    case kImm8:
      return Immediate(1);
    case kImm16:
      return Immediate(2);
    case kImmZ:
      return Immediate(FullImmediate());
    case kImm16Imm8:
      return Immediate(3);
    case kFarPointer:
      return Immediate(FullImmediate() + 2);
    case kMemoryOffset: {
      const std::size_t size = result_.Prefixes.AddressSize ? 2 : 4;
      result_.DisplacementOffset = Narrow(position_);
      result_.DisplacementSize = Narrow(size);
      return Finish(position_ + size);
    }
    case kRelative8:
      return Relative(1, TRelativeBranch::kShort);
    case kRelativeZ:
      return Relative(FullImmediate(), TRelativeBranch::kNear);
    case kGroupTestByte:
    case kGroupTestFull: {
      if (!AddModRM()) return Fail(result_.Status);
      if (result_.Reg >= 2) return Finish(position_);  // only TEST (reg 0 and 1) has an immediate
      return Immediate(shape == kGroupTestByte ? 1 : FullImmediate());
    }
    case kGroupMoveFull:
      if (!Reach(position_ + 1)) return Fail(result_.Status);
      if (bytes_[position_] == 0xF8) {  // XBEGIN: the "immediate" is a branch displacement
        TakeModRM();
        return DecodeShape(kRelativeZ);
      }
      return DecodeShape(kModRMImmZ);
    case kVexOrModRM:
      if (!Reach(position_ + 1)) return Fail(result_.Status);
      if ((bytes_[position_] & 0xC0) != 0xC0) return DecodeShape(kModRM);
      return DecodeVex();
    case kPopcntOrInvalid:
      return result_.Prefixes.Repeat == kRepeat ? DecodeShape(kModRM)
                                                : Fail(TDecodeStatus::kInvalid);
    case kExtrqInsertq:
      if (result_.Prefixes.OperandSize || result_.Prefixes.Repeat == kRepeatNotEqual) {
        return AddModRM() ? Immediate(2) : Fail(result_.Status);
      }
      return DecodeShape(kModRM);
    case kEscape0F38:
      return ReadOpcode(TOpcodeMap::k0F38) ? DecodeShape(kModRM) : Fail(result_.Status);
    case kEscape0F3A:
      return ReadOpcode(TOpcodeMap::k0F3A) ? DecodeShape(kModRMImm8) : Fail(result_.Status);
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
  if (map < 1 || map > 3) return Fail(TDecodeStatus::kInvalid);
  result_.Vex = true;
  ReadOpcode(static_cast<TOpcodeMap>(map));
  switch (result_.Map) {
    case TOpcodeMap::k0F:
      if (result_.MapOpcode == 0x77) return Finish(position_);
      return DecodeShape(kTwoByteOpcodeMap[result_.MapOpcode] == TOpcodeShape::kModRMImm8
                             ? TOpcodeShape::kModRMImm8
                             : TOpcodeShape::kModRM);
    case TOpcodeMap::k0F38:
      return DecodeShape(TOpcodeShape::kModRM);
    case TOpcodeMap::k0F3A:
      return DecodeShape(TOpcodeShape::kModRMImm8);
    case TOpcodeMap::kOneByte:
      break;
  }
  return Fail(TDecodeStatus::kInvalid);
}

TInstruction TDecoder::Decode() {
  if (!ReadPrefixes()) {
    return result_.Status == TDecodeStatus::kDecoded ? result_ : Fail(result_.Status);
  }
  ReadOpcode(TOpcodeMap::kOneByte);
  TOpcodeShape shape = kOneByteOpcodeMap[result_.MapOpcode];
  if (shape == TOpcodeShape::kEscape0F) {
    if (!ReadOpcode(TOpcodeMap::k0F)) return Fail(result_.Status);
    shape = kTwoByteOpcodeMap[result_.MapOpcode];
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
