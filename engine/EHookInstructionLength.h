// The instruction decoder for 32-bit x86 code: how long an instruction is and
// how it is built (prefixes, opcode, ModRM, SIB, displacement, immediate,
// relative branch). The hook engine sizes and relocates trampolines with it,
// ProcedureLength walks routines with it, the disassembler formats its
// record, and the stack scan's call-site test decodes the calls it finds.
//
// The decoder reads only the `available` bytes it is given and says when it
// needs more instead of reading past them. It is pure (no windows.h, no
// allocation, no lock, never raises), so it may run inside exception handling.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

enum class TDecodeStatus : std::uint8_t {
  kDecoded,       // a whole instruction of `Length` bytes
  kInvalid,       // not an instruction in 32-bit mode (walks step over 1 byte)
  kNeedMoreData,  // the bytes end before the instruction does
};

enum class TRelativeBranch : std::uint8_t {
  kNone,
  kShort,  // 8-bit displacement: Jcc 70-7F, LOOPcc/JCXZ E0-E3, JMP EB
  kNear,   // 16- or 32-bit displacement: CALL E8, JMP E9, Jcc 0F 80-8F, XBEGIN
};

// The opcode map that the opcode byte `MapOpcode` indexes.
enum class TOpcodeMap : std::uint8_t {
  kOneByte,  // the byte after the prefixes
  k0F,       // 0F and a second byte (also VEX map 1)
  k0F38,     // 0F 38 and a third byte (also VEX map 2)
  k0F3A,     // 0F 3A and a third byte (also VEX map 3)
};

// The prefixes in front of the opcode.
struct TInstructionPrefixes {
  bool OperandSize = false;  // 66: 16-bit operands and immediates
  bool AddressSize = false;  // 67: 16-bit addressing
  bool Lock = false;         // F0
  std::uint8_t Repeat = 0;   // the last of F2 and F3, 0 for none
  std::uint8_t Segment = 0;  // the last segment override (26 2E 36 3E 64 65), 0 for none
  // A wait (9B) at the start, counted with the x87 instruction after it as
  // objdump does (FSTSW AX is 9B DF E0); PrefixLength includes it.
  bool Wait = false;
};

// One decoded instruction. Offsets count from the instruction's first byte;
// a field of size 0 is absent. Only Status is meaningful unless it is kDecoded.
struct TInstruction {
  TDecodeStatus Status = TDecodeStatus::kNeedMoreData;
  std::uint8_t Length = 0;        // bytes, prefixes included (0 unless decoded)
  std::uint8_t PrefixLength = 0;  // bytes before the first opcode byte
  TInstructionPrefixes Prefixes;

  std::uint8_t Opcode = 0;  // the first byte after the prefixes (0F for the 0F maps, C4/C5 for VEX)
  TOpcodeMap Map = TOpcodeMap::kOneByte;
  std::uint8_t MapOpcode = 0;  // the opcode byte within Map
  bool Vex = false;            // C4/C5 encoding; Map is its opcode map

  bool HasModRM = false;
  std::uint8_t ModRMOffset = 0;
  std::uint8_t Mod = 0;  // bits 6-7
  std::uint8_t Reg = 0;  // bits 3-5: a register, or the operation of a group opcode
  std::uint8_t Rm = 0;   // bits 0-2

  bool HasSib = false;  // at ModRMOffset + 1
  std::uint8_t Scale = 0;
  std::uint8_t Index = 0;  // 4: no index
  std::uint8_t Base = 0;   // 5 with Mod 0: no base, a 32-bit displacement

  // The memory operand's displacement (ModRM forms), or the address of a
  // memory-offset form (A0-A3); sign-extended from its size.
  std::uint8_t DisplacementOffset = 0;
  std::uint8_t DisplacementSize = 0;  // 0, 1, 2 or 4
  std::int32_t Displacement = 0;

  // All immediate bytes: one value, or two for ENTER (16 then 8 bits), far
  // pointers (offset then selector) and EXTRQ/INSERTQ; the 3DNow! suffix byte.
  std::uint8_t ImmediateOffset = 0;
  std::uint8_t ImmediateSize = 0;

  TRelativeBranch Branch = TRelativeBranch::kNone;
  std::uint8_t RelativeOffset = 0;  // where the branch displacement starts
  std::uint8_t RelativeSize = 0;    // 1, 2 or 4 for branches, else 0
  std::int32_t RelativeDisplacement = 0;

  // Where a relative branch at `address` leads: the end of the instruction
  // plus the displacement, cut to 16 bits under a 16-bit operand size as the
  // processor does.
  std::uint32_t RelativeTarget(std::uint32_t address) const noexcept {
    const std::uint32_t target =
        address + Length + static_cast<std::uint32_t>(RelativeDisplacement);
    return Prefixes.OperandSize ? target & 0xFFFF : target;
  }
};
static_assert(std::is_trivially_copyable_v<TInstruction>);

inline constexpr std::size_t kMaxInstructionLength = 15;

// Decodes the instruction at the start of bytes[0, available).
TInstruction DecodeInstruction(const std::uint8_t* bytes, std::size_t available) noexcept;

// The instruction's length, or 0 when the bytes end first or are not an
// instruction.
std::size_t InstructionLength(const std::uint8_t* bytes, std::size_t available) noexcept;

// How far a walk over code moves from this instruction: its length, 1 for
// bytes that are not an instruction, 0 when more bytes are needed.
inline std::size_t WalkStep(const TInstruction& instruction) noexcept {
  switch (instruction.Status) {
    case TDecodeStatus::kDecoded:
      return instruction.Length;
    case TDecodeStatus::kInvalid:
      return 1;
    case TDecodeStatus::kNeedMoreData:
      break;
  }
  return 0;
}
