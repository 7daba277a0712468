// The call-site test of the stack scan: each call form, a near miss of each,
// the order in which the forms are tried, the rule that a call through
// [reg+disp8] needs a move before it, and reads that fail.
#include <gtest/gtest.h>

#include <string>

#include "debuginfo/EStackCallForms.h"
#include "tests/debuginfo/HexBytes.h"
#include "tests/support/FabricatedMemory.h"

namespace {

using enum TStackCallForm;

// The candidate return address; the seven bytes before it start at 0x00402000.
constexpr TAddress kReturn = 0x00402007;
// Readable code that direct calls lead to, and a readable pointer slot.
constexpr TAddress kCode = 0x00401000;
constexpr TAddress kSlot = 0x00403000;

struct TCallFormCase {
  const char* name;
  const char* before;  // the seven bytes at kReturn - 7
  TStackCallForm form;
  TAddress call = 0;    // expected call address
  TAddress target = 0;  // expected direct-call target
};

// clang-format off
const TCallFormCase kCallFormCases[] = {
    // 1: E8 rel32; the target kCode = kReturn - 0x1007.
    {"direct call", "90 90 E8 F9 EF FF FF", kDirect, kReturn - 5, kCode},
    {"direct call, target unreadable", "90 90 E8 00 00 00 10", kNone},
    {"direct call, target unreadable, later form", "90 90 E8 00 00 FF D0", kRegister, kReturn - 2},
    {"E8 one byte off", "90 E8 F9 EF FF FF 90", kNone},
    // 2: FF D0-D7.
    {"call eax", "90 90 90 90 90 FF D0", kRegister, kReturn - 2},
    {"call edi", "90 90 90 90 90 FF D7", kRegister, kReturn - 2},
    {"call far [eax] (FF D8)", "90 90 90 90 90 FF D8", kNone},
    // 3: FF 10-13, 16-17.
    {"call [eax]", "90 90 90 90 90 FF 10", kRegisterIndirect, kReturn - 2},
    {"call [ebx]", "90 90 90 90 90 FF 13", kRegisterIndirect, kReturn - 2},
    {"call [edi]", "90 90 90 90 90 FF 17", kRegisterIndirect, kReturn - 2},
    {"call [sib] (FF 14 alone)", "90 90 90 90 90 FF 14", kNone},
    {"call [disp32] cut (FF 15 alone)", "90 90 90 90 90 FF 15", kNone},
    // 4: FF 50-53, 55-57 and a disp8, after 8B at b[1] or b[2].
    {"mov eax,ecx; call [eax+8]", "90 90 8B C1 FF 50 08", kRegisterDisplacement8, kReturn - 3},
    {"mov eax,[ebp+8]; call [ebp+8]", "90 8B 45 08 FF 55 08", kRegisterDisplacement8, kReturn - 3},
    {"call [edi+8] after 8B", "90 90 8B C7 FF 57 08", kRegisterDisplacement8, kReturn - 3},
    {"call [ebp+8] without a move", "90 90 89 C1 FF 55 08", kNone},
    {"call [ebp+8], 8B at b[0] only", "8B 90 90 90 FF 55 08", kNone},
    {"call [ebp+8], 8B at b[3] only", "90 90 90 8B FF 55 08", kNone},
    {"call [sib+8] (FF 54) after 8B", "90 90 8B C1 FF 54 08", kNone},
    // 5: FF 90-93, 95-97 and a disp32.
    {"call [eax+disp32]", "90 FF 90 00 01 00 00", kRegisterDisplacement32, kReturn - 6},
    {"call [edi+disp32]", "90 FF 97 00 01 00 00", kRegisterDisplacement32, kReturn - 6},
    {"call [sib+disp32] (FF 94 at b[1])", "90 FF 94 00 01 00 00", kNone},
    // 6: FF 14 24.
    {"call [esp]", "90 90 90 90 FF 14 24", kStack, kReturn - 3},
    {"call [esp] with another SIB", "90 90 90 90 FF 14 25", kNone},
    // 7: FF 54 24 disp8.
    {"call [esp+8]", "90 90 90 FF 54 24 08", kStackDisplacement8, kReturn - 4},
    {"call [esp+8] with another SIB", "90 90 90 FF 54 20 08", kNone},
    // 8: FF 94 24 disp32.
    {"call [esp+disp32]", "FF 94 24 00 01 00 00", kStackDisplacement32, kReturn - 7},
    {"call [esp+disp32] with another SIB", "FF 94 20 00 01 00 00", kNone},
    // 9: FF 15 and a readable slot.
    {"call [kSlot]", "90 FF 15 00 30 40 00", kMemoryPointer, kReturn - 6},
    {"call [slot], slot unreadable", "90 FF 15 00 50 40 00", kNone},
    {"call [slot], slot readable for 3 bytes only", "90 FF 15 00 FF 40 00", kNone},
    // Order: the first form that matches wins.
    {"direct call before call eax", "90 90 E8 F9 EF FF D0", kDirect, kReturn - 5, 0xD1401000},
    {"call edx inside a slot address", "90 FF 15 00 30 FF D2", kRegister, kReturn - 2},
    {"call [esp] inside a slot address", "90 FF 15 00 FF 14 24", kStack, kReturn - 3},
    {"call [esp+8] inside a longer call", "FF 94 24 FF 54 24 08", kStackDisplacement8, kReturn - 4},
    // The rule of form 4: without the move, no later form is tried either.
    {"call [ebp+8] without a move inside call [eax+disp32]", "90 FF 90 00 FF 55 08", kNone},
    {"call [ebp+8] without a move inside a slot call", "90 FF 15 00 FF 55 08", kNone},
};
// clang-format on

class StackCallForms : public ::testing::Test {
 protected:
  void SetUp() override {
    memory.Put(kCode, HexBytes("55 8B EC"));
    memory.Put(0xD1401000, HexBytes("C3"));           // the target of the "order" row
    memory.Put(kSlot, HexBytes("00 10 40 00"));       // a pointer to kCode
    memory.Put(0x0040FF00, HexBytes("00 10 40"));     // only three bytes of a slot
    memory.Put(0x0855FF00, HexBytes("00 10 40 00"));  // the slot of the form-4 rule's row
  }
  TFabricatedMemory memory;
};

TEST_F(StackCallForms, GoldenCases_FormCallAddressAndTarget) {
  for (const TCallFormCase& row : kCallFormCases) {
    SCOPED_TRACE(row.name);
    TFabricatedMemory stack = memory;
    stack.Put(kReturn - 7, HexBytes(row.before));
    const TStackCallSite site = MatchStackCallForm(stack, kReturn);
    EXPECT_EQ(static_cast<int>(site.Form), static_cast<int>(row.form));
    EXPECT_EQ(site.CallAddress, row.call);
    EXPECT_EQ(site.Target, row.target);
  }
}

// Every form is a whole call instruction that ends at the return address, as
// the shared decoder reads it: E8, or FF with the call operation /2.
TEST_F(StackCallForms, EveryMatch_DecodesAsACallEndingAtTheReturnAddress) {
  for (const TCallFormCase& row : kCallFormCases) {
    if (row.form == kNone) continue;
    SCOPED_TRACE(row.name);
    TFabricatedMemory stack = memory;
    stack.Put(kReturn - 7, HexBytes(row.before));
    const TInstruction& call = MatchStackCallForm(stack, kReturn).Instruction;
    ASSERT_EQ(call.Status, TDecodeStatus::kDecoded);
    EXPECT_EQ(row.call + call.Length, kReturn);
    EXPECT_EQ(call.PrefixLength, 0);
    if (call.Opcode == 0xE8) {
      EXPECT_EQ(call.Branch, TRelativeBranch::kNear);
      EXPECT_EQ(call.RelativeTarget(static_cast<std::uint32_t>(row.call)), row.target);
    } else {
      EXPECT_EQ(call.Opcode, 0xFF);
      EXPECT_EQ(call.Reg, 2);
    }
  }
}

TEST_F(StackCallForms, BytesBeforeTheCandidateUnreadable_NoForm) {
  memory.Put(kReturn - 6, HexBytes("90 90 90 90 FF D0"));  // v-7 stays unreadable
  EXPECT_EQ(MatchStackCallForm(memory, kReturn).Form, kNone);
  memory.Put(kReturn - 7, HexBytes("90"));
  EXPECT_EQ(MatchStackCallForm(memory, kReturn).Form, kRegister);
  memory.Remove(kReturn - 1, 1);  // the last byte before v
  EXPECT_EQ(MatchStackCallForm(memory, kReturn).Form, kNone);
}

TEST_F(StackCallForms, CandidateBelowSevenBytes_NoForm) {
  memory.Put(0, HexBytes("90 90 90 90 90 FF D0"));
  EXPECT_EQ(MatchStackCallForm(memory, 7).Form, kRegister);
  for (TAddress low = 0; low < 7; ++low) {
    SCOPED_TRACE(low);
    EXPECT_EQ(MatchStackCallForm(memory, low).Form, kNone);
  }
}

}  // namespace
