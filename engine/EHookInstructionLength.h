// The instruction-length decoder for 32-bit x86 code: how long an
// instruction is and whether it is a branch with a relative displacement.
//
// The decoder reads only the `available` bytes it is given and says when it
// needs more instead of reading past them. It is pure (no windows.h, no
// allocation, no lock, never raises), so it may run inside exception handling
// and serves the hook engine, ProcedureLength and the disassembler listing.
#pragma once

#include <cstddef>
#include <cstdint>

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

struct TInstruction {
  TDecodeStatus Status = TDecodeStatus::kNeedMoreData;
  std::uint8_t Length = 0;        // bytes, prefixes included (0 unless decoded)
  std::uint8_t PrefixLength = 0;  // bytes before the first opcode byte
  std::uint8_t Opcode = 0;        // the first opcode byte after the prefixes (0F for two-byte maps)
  TRelativeBranch Branch = TRelativeBranch::kNone;
  std::uint8_t DisplacementOffset = 0;  // where the branch displacement starts in the instruction
  std::uint8_t DisplacementSize = 0;    // 1, 2 or 4 for branches, else 0
};

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
