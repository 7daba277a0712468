// Whether a stack word is the return address of a call, and of which form:
// the test the stack scan makes on each word before it looks anything up.
//
// Pure logic over a memory reader: no windows.h, no allocation, no lock;
// never raises. It reads the seven bytes before the candidate and asks only
// whether a direct call's target (one byte) and a memory-pointer call's slot
// (four bytes) are readable, so it may run on a suspended thread's stack
// inside exception handling.
#pragma once

#include <cstdint>

#include "engine/EHookInstructionLength.h"
#include "platform/memory/MemoryReader.h"

// The call instruction forms the scan recognises, in the order it tries them.
// The bytes before the candidate v are b[0] (at v-7) to b[6] (at v-1).
enum class TStackCallForm : std::uint8_t {
  kNone,
  kDirect,                  // 1: E8 rel32 at v-5, whose target is readable
  kRegister,                // 2: FF D0-D7 at v-2 (call reg)
  kRegisterIndirect,        // 3: FF 10-13/16-17 at v-2 (call [reg])
  kRegisterDisplacement8,   // 4: FF 50-53/55-57 xx at v-3, after a move (8B at b[1] or b[2])
  kRegisterDisplacement32,  // 5: FF 90-93/95-97 + 4 bytes at v-6
  kStack,                   // 6: FF 14 24 at v-3 (call [esp])
  kStackDisplacement8,      // 7: FF 54 24 xx at v-4
  kStackDisplacement32,     // 8: FF 94 24 + 4 bytes at v-7
  kMemoryPointer,           // 9: FF 15 addr at v-6, whose 4 bytes at addr are readable
};

struct TStackCallSite {
  TStackCallForm Form = TStackCallForm::kNone;
  TAddress CallAddress = 0;  // where the call instruction starts (0 without a form)
  TAddress Target = 0;       // a direct call's target: v + rel32 (0 for the other forms)
  // The call instruction decoded from CallAddress to v by the shared decoder.
  TInstruction Instruction;
};

// The first form that the bytes before `returnAddress` match. Nothing
// matches when those seven bytes cannot all be read. A form-4 call through
// [reg+disp8] that no move precedes matches nothing, and no later form is
// tried. A direct call whose target cannot be read is no direct call, and the
// later forms are tried.
TStackCallSite MatchStackCallForm(const TMemoryReader& reader, TAddress returnAddress) noexcept;
