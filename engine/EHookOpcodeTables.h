// Operand shapes of the 32-bit x86 opcode maps: what follows each opcode
// byte, which is all the instruction-length decoder needs to know.
// Pure data, free of windows.h.
#pragma once

#include <cstdint>

enum class TOpcodeShape : std::uint8_t {
  kNone,             // the opcode alone
  kModRM,            // ModRM (with SIB and displacement)
  kModRMRegister,    // ModRM naming registers whatever its mod (MOV to/from CRn, DRn, TRn)
  kModRMImm8,        // ModRM, then an 8-bit immediate
  kModRMImmZ,        // ModRM, then a 16- or 32-bit immediate (operand size)
  kImm8,             // an 8-bit immediate
  kImm16,            // a 16-bit immediate
  kImmZ,             // a 16- or 32-bit immediate (operand size)
  kImm16Imm8,        // ENTER: 16-bit then 8-bit immediate
  kFarPointer,       // a 16- or 32-bit offset (operand size) and a 16-bit selector
  kMemoryOffset,     // a 16- or 32-bit address (address size)
  kRelative8,        // a short relative branch
  kRelativeZ,        // a near relative branch, 16- or 32-bit (operand size)
  kPrefix,           // a legacy prefix
  kEscape0F,         // the two-byte map follows
  kEscape0F38,       // the three-byte map 0F 38 follows (ModRM, no immediate)
  kEscape0F3A,       // the three-byte map 0F 3A follows (ModRM and an 8-bit immediate)
  kGroupTestByte,    // F6: ModRM; reg 0 and 1 (TEST) add an 8-bit immediate
  kGroupTestFull,    // F7: ModRM; reg 0 and 1 (TEST) add a full-size immediate
  kGroupMoveFull,    // C7: ModRM and a full-size immediate; C7 F8 is XBEGIN, a near branch
  kVexOrModRM,       // C4/C5: LES/LDS with a memory operand, else a VEX prefix
  kWait,             // 9B: one instruction with a following x87 opcode
  kPopcntOrInvalid,  // 0F B8: POPCNT with an F3 prefix, invalid otherwise
  kExtrqInsertq,     // 0F 78: VMREAD, or with 66 or F2 an SSE4a form with two immediates
  kInvalid,          // not an instruction in 32-bit mode
};

extern const TOpcodeShape kOneByteOpcodeMap[256];
extern const TOpcodeShape kTwoByteOpcodeMap[256];
