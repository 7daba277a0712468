// Follows the IA-32 opcode maps of the Intel 64 and IA-32 Architectures
// Software Developer's Manual, Volume 2, Appendix A (32-bit mode), with the
// AMD 3DNow! (0F 0F) and SSE4a (0F 78) encodings.
#include "engine/EHookOpcodeTables.h"

namespace {
constexpr TOpcodeShape N = TOpcodeShape::kNone;
constexpr TOpcodeShape M = TOpcodeShape::kModRM;
constexpr TOpcodeShape Mr = TOpcodeShape::kModRMRegister;
constexpr TOpcodeShape Mb = TOpcodeShape::kModRMImm8;
constexpr TOpcodeShape Mz = TOpcodeShape::kModRMImmZ;
constexpr TOpcodeShape Ib = TOpcodeShape::kImm8;
constexpr TOpcodeShape Iw = TOpcodeShape::kImm16;
constexpr TOpcodeShape Iz = TOpcodeShape::kImmZ;
constexpr TOpcodeShape En = TOpcodeShape::kImm16Imm8;
constexpr TOpcodeShape Ap = TOpcodeShape::kFarPointer;
constexpr TOpcodeShape Ob = TOpcodeShape::kMemoryOffset;
constexpr TOpcodeShape Jb = TOpcodeShape::kRelative8;
constexpr TOpcodeShape Jz = TOpcodeShape::kRelativeZ;
constexpr TOpcodeShape P = TOpcodeShape::kPrefix;
constexpr TOpcodeShape Ex = TOpcodeShape::kEscape0F;
constexpr TOpcodeShape E8 = TOpcodeShape::kEscape0F38;
constexpr TOpcodeShape EA = TOpcodeShape::kEscape0F3A;
constexpr TOpcodeShape G6 = TOpcodeShape::kGroupTestByte;
constexpr TOpcodeShape G7 = TOpcodeShape::kGroupTestFull;
constexpr TOpcodeShape GC = TOpcodeShape::kGroupMoveFull;
constexpr TOpcodeShape Vx = TOpcodeShape::kVexOrModRM;
constexpr TOpcodeShape Wt = TOpcodeShape::kWait;
constexpr TOpcodeShape Pc = TOpcodeShape::kPopcntOrInvalid;
constexpr TOpcodeShape Xq = TOpcodeShape::kExtrqInsertq;
constexpr TOpcodeShape X = TOpcodeShape::kInvalid;
}  // namespace

// clang-format off
const TOpcodeShape kOneByteOpcodeMap[256] = {
//   0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F
     M,  M,  M,  M, Ib, Iz,  N,  N,  M,  M,  M,  M, Ib, Iz,  N, Ex,  // 0x
     M,  M,  M,  M, Ib, Iz,  N,  N,  M,  M,  M,  M, Ib, Iz,  N,  N,  // 1x
     M,  M,  M,  M, Ib, Iz,  P,  N,  M,  M,  M,  M, Ib, Iz,  P,  N,  // 2x
     M,  M,  M,  M, Ib, Iz,  P,  N,  M,  M,  M,  M, Ib, Iz,  P,  N,  // 3x
     N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  // 4x
     N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  N,  // 5x
     N,  N,  M,  M,  P,  P,  P,  P, Iz, Mz, Ib, Mb,  N,  N,  N,  N,  // 6x
    Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb,  // 7x
    Mb, Mz, Mb, Mb,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  // 8x
     N,  N,  N,  N,  N,  N,  N,  N,  N,  N, Ap, Wt,  N,  N,  N,  N,  // 9x
    Ob, Ob, Ob, Ob,  N,  N,  N,  N, Ib, Iz,  N,  N,  N,  N,  N,  N,  // Ax
    Ib, Ib, Ib, Ib, Ib, Ib, Ib, Ib, Iz, Iz, Iz, Iz, Iz, Iz, Iz, Iz,  // Bx
    Mb, Mb, Iw,  N, Vx, Vx, Mb, GC, En,  N, Iw,  N,  N, Ib,  N,  N,  // Cx
     M,  M,  M,  M, Ib, Ib,  X,  N,  M,  M,  M,  M,  M,  M,  M,  M,  // Dx
    Jb, Jb, Jb, Jb, Ib, Ib, Ib, Ib, Jz, Jz, Ap, Jb,  N,  N,  N,  N,  // Ex
     P,  N,  P,  P,  N,  N, G6, G7,  N,  N,  N,  N,  N,  N,  M,  M,  // Fx
};

const TOpcodeShape kTwoByteOpcodeMap[256] = {
//   0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F
     M,  M,  M,  M,  X,  N,  N,  N,  N,  N,  X,  N,  X,  M,  N, Mb,  // 0F 0x
     M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  // 0F 1x
    Mr, Mr, Mr, Mr, Mr,  X, Mr,  X,  M,  M,  M,  M,  M,  M,  M,  M,  // 0F 2x
     N,  N,  N,  N,  N,  N,  X,  N, E8,  X, EA,  X,  X,  X,  X,  X,  // 0F 3x
     M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  // 0F 4x
     M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  // 0F 5x
     M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  // 0F 6x
    Mb, Mb, Mb, Mb,  M,  M,  M,  N, Xq,  M,  X,  X,  M,  M,  M,  M,  // 0F 7x
    Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz,  // 0F 8x
     M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  // 0F 9x
     N,  N,  N,  M, Mb,  M,  X,  X,  N,  N,  N,  M, Mb,  M,  M,  M,  // 0F Ax
     M,  M,  M,  M,  M,  M,  M,  M, Pc,  M, Mb,  M,  M,  M,  M,  M,  // 0F Bx
     M,  M, Mb,  M, Mb, Mb, Mb,  M,  N,  N,  N,  N,  N,  N,  N,  N,  // 0F Cx
     M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  // 0F Dx
     M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  // 0F Ex
     M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  M,  // 0F Fx
};
// clang-format on
