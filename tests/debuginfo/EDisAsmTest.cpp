// The decoder's exact texts for byte sequences, one row per template mechanism
// or operand form, and its callbacks.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "debuginfo/EDisAsm.h"
#include "tests/debuginfo/HexBytes.h"

namespace {

constexpr std::uint32_t kAddress = 0x00401000;

struct DecodeCase {
  const char* bytes;
  const char* text;
  std::uint32_t length;
};

void ExpectDecodes(TDisAsm& decoder, const DecodeCase& row) {
  SCOPED_TRACE(row.bytes);
  const std::vector<std::uint8_t> bytes = HexBytes(row.bytes);
  const TDisAsmInstruction instruction = DisassembleOne(decoder, kAddress, bytes);
  EXPECT_EQ(instruction.Text, row.text);
  EXPECT_EQ(instruction.Length, row.length);
  EXPECT_EQ(instruction.Valid, std::string(row.text).rfind("DB ", 0) != 0);
}

// clang-format off
const DecodeCase kTemplateCases[] = {
    // One-byte entries, the operand-size prefix (@so) and "@e".
    {"8B C3", "mov     eax, ebx", 2},
    {"66 8B C3", "mov     ax, bx", 3},
    {"50", "push    eax", 1},
    {"66 50", "push    ax", 2},
    // Size letters @o2, @o4, @o8.
    {"98", "cwde", 1},
    {"66 98", "cbw", 2},
    {"99", "cdq", 1},
    {"66 99", "cwd", 2},
    {"A5", "movsd", 1},
    {"66 A5", "movsw", 2},
    // Lock and repeat prefixes continue with the next byte.
    {"F3 A5", "rep movsd", 2},
    {"F3 90", "rep nop", 2},
    {"F0 0F B1 0A", "lock cmpxchg [edx], ecx", 4},
    // Two-byte entries (@c2) and "%c".
    {"0F AF C1", "imul    eax, ecx", 3},
    {"0F 04", "DB      $0F, $04  //", 2},
    {"0F 31", "rdtsc", 2},
    {"0F 44 C1", "cmovz   eax, ecx", 3},
    {"0F 95 C0", "setnz   al", 3},
    // Later encodings keep their length but print as data.
    {"F3 0F BC C1", "DB      $F3, $0F, $BC, $C1  //", 4},
    {"0F 10 45 08", "DB      $0F, $10, $45, $08  //", 4},
    {"0F 3A 0F C1 08", "DB      $0F, $3A, $0F, $C1, $08  //", 5},
    {"0F C7 F0", "DB      $0F, $C7, $F0  //", 3},
    // Groups (@ga .. @gj) and operand tails (@h1 .. @h4).
    {"83 C0 FF", "add     eax, $FF", 3},
    {"81 7D 08 00 10 00 00", "cmp     dword ptr [ebp+$08], $00001000", 7},
    {"D1 E0", "shl     eax, 1", 2},
    {"D3 6D F8", "shr     dword ptr [ebp-$08], cl", 3},
    {"F6 C3 01", "test    bl, $01", 3},
    {"F7 45 08 FF 00 00 00", "test    dword ptr [ebp+$08], $000000FF", 7},
    {"F7 D8", "neg     eax", 2},
    {"FE C0", "inc     al", 2},
    {"FE F8", "DB      $FE, $F8  //", 2},
    {"FF 15 00 20 40 00", "call    dword ptr [$402000]", 6},
    {"FF 24 85 00 10 40 00", "jmp     dword ptr [eax*4+$401000]", 7},
    {"0F 00 C8", "str     ax", 3},
    {"0F 01 15 00 20 40 00", "lgdt    [$402000]", 7},
    {"0F C7 0E", "cmpxchg8b qword ptr [esi]", 3},
    {"0F 71 D0 03", "psrlw   MM0, $03", 4},
    {"0F 72 E1 05", "psrad   MM1, $05", 4},
    {"0F 73 D2 01", "psrlq   MM2, $01", 4},
    {"0F 71 10 03", "DB      $0F, $71, $10, $03  //", 4},
    {"C6 C0 05", "mov     al, $05", 3},
    {"C6 C8 05", "DB      $C6, $C8, $05  //", 3},
    {"8F C0", "pop     eax", 2},
    {"0F BA E0 05", "bt      eax, $05", 4},
    // x87 escapes (@ca .. @ch): memory forms by size, register forms.
    {"D9 45 08", "fld     dword ptr [ebp+$08]", 3},
    {"DD 5D F8", "fstp    qword ptr [ebp-$08]", 3},
    {"DB 2D 00 20 40 00", "fld     tbyte ptr [$402000]", 6},
    {"DF 7D F0", "fistp   qword ptr [ebp-$10]", 3},
    {"DA 4D 08", "fimul   dword ptr [ebp+$08]", 3},
    {"D9 2D 00 20 40 00", "fldcw   word ptr [$402000]", 6},
    {"D9 30", "fnstenv [eax]", 2},
    {"D9 C9", "fxch    st(1)", 2},
    {"DE C1", "faddp   st(1), st(0)", 2},
    {"D8 C2", "fadd    st(0), st(2)", 2},
    {"DC E9", "fsub    st(1), st(0)", 2},
    {"DF E0", "fnstsw  ax", 2},
    {"DA E9", "fucompp", 2},
    {"DB E3", "fninit", 2},
    {"DB F1", "fcomi   st(0), st(1)", 2},
    {"D9 D8", "DB      $D9, $D8  //", 2},
    // Segment override prefixes (@pe, @pc, @ps, @pd, @pf, @pg).
    {"26 8B 00", "mov     eax, es:[eax]", 3},
    {"2E FF 25 00 20 40 00", "jmp     dword ptr cs:[$402000]", 7},
    {"36 8B 00", "mov     eax, ss:[eax]", 3},
    {"3E 8B 00", "mov     eax, ds:[eax]", 3},
    {"64 A1 00 00 00 00", "mov     eax, fs:[$00000000]", 6},
    {"65 8B 0D 14 00 00 00", "mov     ecx, gs:[$0014]", 7},
    // The address-size prefix (@sa): 16-bit memory forms.
    {"67 8B 00", "mov     eax, [bx+si]", 3},
    {"67 8B 46 FE", "mov     eax, [bp-$02]", 4},
    {"67 8B 87 34 12", "mov     eax, [bx+$1234]", 5},
    {"67 8B 06 34 12", "mov     eax, [$1234]", 5},
    {"67 A1 34 12", "mov     eax, [$1234]", 4},
    // "@m": the size is printed beside a register.
    {"0F B6 45 08", "movzx   eax, byte ptr [ebp+$08]", 4},
    {"0F BF C8", "movsx   ecx, ax", 3},
    // 32-bit memory forms with and without a SIB byte.
    {"8B 44 24 04", "mov     eax, [esp+$04]", 4},
    {"8B 04 24", "mov     eax, [esp]", 3},
    {"8B 44 B3 FC", "mov     eax, [ebx+esi*4-$04]", 4},
    {"8B 84 C8 00 01 00 00", "mov     eax, [eax+ecx*8+$0100]", 7},
    {"8B 04 8D 00 20 40 00", "mov     eax, [ecx*4+$402000]", 7},
    {"8B 04 25 00 20 40 00", "mov     eax, [$402000]", 7},
    {"8B 05 00 20 40 00", "mov     eax, [$402000]", 6},
    {"8B 45 00", "mov     eax, [ebp+$00]", 3},
    {"8B 85 00 FF FF FF", "mov     eax, [ebp+$FFFFFF00]", 6},
    {"8D C0", "DB      $8D, $C0  //", 2},
    // MMX; an operand-size prefix makes it an SSE2 instruction.
    {"0F 6F C1", "movq    MM0, MM1", 3},
    {"0F 6E 45 08", "movd    MM0, [ebp+$08]", 4},
    {"0F 7F 00", "movq    [eax], MM0", 3},
    {"0F FC C1", "paddb   MM0, MM1", 3},
    {"0F 77", "emms", 2},
    {"66 0F 6F C1", "DB      $66, $0F, $6F, $C1  //", 4},
    // Far pointers, memory offsets, relative targets.
    {"EA 00 10 40 00 10 00", "jmp     $0010:$401000", 7},
    {"66 EA 34 12 10 00", "jmp     $0010:$1234", 6},
    {"A1 00 20 40 00", "mov     eax, [$00402000]", 5},
    {"A2 00 20 40 00", "mov     [$00402000], al", 5},
    {"66 A3 00 20 40 00", "mov     [$00402000], ax", 6},
    {"E8 FB FF FF FF", "call    $401000", 5},
    {"EB FE", "jmp     $401000", 2},
    {"74 10", "jz      $401012", 2},
    {"0F 85 00 01 00 00", "jnz     $401106", 6},
    {"E2 FE", "loop    $401000", 2},
    // Control, debug, test and segment registers; the flags operand.
    {"0F 20 C0", "mov     eax, C0", 3},
    {"0F 22 D8", "mov     C3, eax", 3},
    {"0F 21 C8", "mov     eax, D1", 3},
    {"0F 26 F0", "mov     T6, eax", 3},
    {"8C D8", "mov     eax, ds", 2},
    {"8E D8", "mov     ds, eax", 2},
    {"8C F0", "mov     eax,", 2},
    {"9C", "pushfd", 1},
    // Immediates and the remaining type letters (a, p, s, t).
    {"68 78 56 34 12", "push    $12345678", 5},
    {"6A FF", "push    $FF", 2},
    {"C2 08 00", "ret     $0008", 3},
    {"C8 10 00 01", "enter   $0010, $01", 4},
    {"66 B8 34 12", "mov     ax, $1234", 4},
    {"62 03", "bound   eax, [ebx]", 2},
    {"C4 03", "les     eax, [ebx]", 2},
    {"FF 18", "call    [eax]", 2},
    {"66 FF 18", "call    dword ptr [eax]", 3},
    {"0F 01 08", "sidt    [eax]", 3},
    {"DB 28", "fld     tbyte ptr [eax]", 2},
    // A wait before an x87 instruction is one instruction with it, in the
    // waiting form where that has a mnemonic; before anything else, alone.
    {"9B DF E0", "fstsw   ax", 3},
    {"9B D9 38", "fstcw   word ptr [eax]", 3},
    {"9B DB E2", "fclex", 3},
    {"9B DD 1C 24", "fstp    qword ptr [esp]", 4},
    {"9B 90", "wait", 1},
    {"66 9B 90", "wait", 2},
    {"9B 9B 90", "wait", 1},
    {"9B 9B DF E0", "fstsw   ax", 4},
    {"66 9B DF E0", "fstsw   ax", 4},
    {"9B D9 D8", "DB      $9B, $D9, $D8  //", 3},
    // VEX encodings are outside the table, with their length.
    {"C5 F8 77", "DB      $C5, $F8, $77  //", 3},
    {"C4 E3 FD 00 D1 1B", "DB      $C4, $E3, $FD, $00, $D1, $1B  //", 6},
    // Moves to and from control, debug and test registers ignore the mod bits.
    {"0F 20 15", "mov     ebp, C2", 3},
    {"0F 23 5D", "mov     D3, ebp", 3},
    // The span ends inside the instruction; a runaway prefix chain.
    {"8B", "DB      $8B  //", 1},
    {"E8 00 00", "DB      $E8, $00, $00  //", 3},
    {"66 66 66 66 66 66 66 66 66 66 66 66 66 66 66 90",
     "DB      $66, $66, $66, $66, $66, $66, $66, $66, $66, $66, $66, $66, $66, $66, $66  //", 15},
};
// clang-format on

TEST(TDisAsm, TemplateCases_ExactTexts) {
  TDisAsm decoder;
  for (const DecodeCase& row : kTemplateCases) ExpectDecodes(decoder, row);
}

TEST(TDisAsm, EmptySpan_NoInstruction) {
  TDisAsm decoder;
  const TDisAsmInstruction instruction = decoder.Disassemble(kAddress, {});
  EXPECT_EQ(instruction.Length, 0u);
  EXPECT_FALSE(instruction.Valid);
  EXPECT_EQ(instruction.Text, "");
}

// The built-in templates with some entries changed; it outlives the decoders
// made with it.
struct ChangedTable {
  explicit ChangedTable(std::initializer_list<std::pair<std::size_t, const char*>> changes) {
    std::copy(DisAsmTemplates().begin(), DisAsmTemplates().end(), entries.begin());
    for (const auto& [index, entry] : changes) entries[index] = entry;
  }
  std::array<const char*, kDisAsmTemplateCount> entries;
};

// H and L immediates and the "c" type letter appear in no built-in template;
// a table with two entries changed shows them. A table names the operands of
// the structure the decoder finds: ENTER's three immediate bytes, ARPL's ModR/M.
TEST(TDisAsm, CustomTable_ImmediateMethodsAndByteOrWordType) {
  const ChangedTable table({{0xC8, "hl      #Hb, #Lw"}, {0x63, "cc      #Ec"}});
  TDisAsm decoder{TDisAsmTemplates(table.entries)};
  const DecodeCase cases[] = {
      {"C8 12 34 56", "hl      $12, $5634", 4},
      {"63 00", "cc      word ptr [eax]", 2},
      {"66 63 00", "cc      byte ptr [eax]", 3},
      {"63 C1", "cc      cx", 2},
  };
  for (const DecodeCase& row : cases) ExpectDecodes(decoder, row);
}

// A template that names a part the instruction lacks, or leaves immediate
// bytes unnamed, does not describe it: the bytes print as data, still with the
// decoder's length.
TEST(TDisAsm, CustomTableAgainstTheDecoder_DataOfTheDecodersLength) {
  const ChangedTable table({
      {0x90, "modrm   #Ev"},       // NOP has no ModR/M byte
      {0x6A, "push"},              // the byte immediate left out
      {0x05, "add     eax, #Ib"},  // one of four immediate bytes
      {0x50, "jump    #Jb"},       // no branch
  });
  TDisAsm decoder{TDisAsmTemplates(table.entries)};
  const DecodeCase cases[] = {
      {"90 C0", "DB      $90  //", 1},
      {"6A 10", "DB      $6A, $10  //", 2},
      {"05 01 02 03 04", "DB      $05, $01, $02, $03, $04  //", 5},
      {"50 10", "DB      $50  //", 1},
  };
  for (const DecodeCase& row : cases) ExpectDecodes(decoder, row);
}

TEST(TDisAsm, SeparateWait_WaitAloneThenTheInstruction) {
  TDisAsm decoder;
  decoder.SeparateWait = true;
  const std::vector<std::uint8_t> bytes = HexBytes("9B DF E0");
  const TDisAsmInstruction wait = decoder.Disassemble(kAddress, bytes);
  EXPECT_EQ(wait.Text, "wait");
  EXPECT_EQ(wait.Length, 1u);
  EXPECT_TRUE(wait.Valid);
  const TDisAsmInstruction rest =
      decoder.Disassemble(kAddress + 1, std::span(bytes).subspan(wait.Length));
  EXPECT_EQ(rest.Text, "fnstsw  ax");
  EXPECT_EQ(rest.Length, 2u);
  ExpectDecodes(decoder, {"9B 90", "wait", 1});
  ExpectDecodes(decoder, {"66 9B DF E0", "wait", 2});
  ExpectDecodes(decoder, {"9B 9B DF E0", "wait", 1});
  ExpectDecodes(decoder, {"D9 38", "fnstcw  word ptr [eax]", 2});
}

// The instruction's record is the decoder's: the disassembler and the hook
// engine see the same fields.
TEST(TDisAsm, Record_IsTheDecodersRecord) {
  TDisAsm decoder;
  const std::vector<std::uint8_t> bytes = HexBytes("8B 44 B3 FC");
  const TDisAsmInstruction instruction = decoder.Disassemble(kAddress, bytes);
  const TInstruction record = DecodeInstruction(bytes.data(), bytes.size());
  EXPECT_EQ(instruction.Record.Length, record.Length);
  EXPECT_EQ(instruction.Record.ModRMOffset, 1);
  EXPECT_TRUE(instruction.Record.HasSib);
  EXPECT_EQ(instruction.Record.Displacement, -4);
  const TDisAsmInstruction call = decoder.Disassemble(kAddress, HexBytes("E8 FB FF FF FF"));
  EXPECT_EQ(call.Record.RelativeTarget(kAddress), kAddress);
  EXPECT_EQ(call.Text, "call    $401000");
}

TEST(TDisAsm, MemoryOperand_RegistersKeptForCaller) {
  TDisAsm decoder;
  decoder.Disassemble(kAddress, HexBytes("8B 44 B3 FC"));
  EXPECT_EQ(decoder.BaseRegister(), 3);   // ebx
  EXPECT_EQ(decoder.IndexRegister(), 6);  // esi
  decoder.Disassemble(kAddress, HexBytes("67 8B 02"));
  EXPECT_EQ(decoder.BaseRegister(), 5);   // bp
  EXPECT_EQ(decoder.IndexRegister(), 6);  // si
  decoder.Disassemble(kAddress, HexBytes("8B 05 00 20 40 00"));
  EXPECT_EQ(decoder.BaseRegister(), kDisAsmNoRegister);
  EXPECT_EQ(decoder.IndexRegister(), kDisAsmNoRegister);
}

// Records what the callbacks were asked and answers from a small table.
struct CallbackLog {
  std::vector<std::string> calls;
  std::string caption = "Unit.Routine";
};

CallbackLog& LogOf(void* userValue) {
  return *static_cast<CallbackLog*>(userValue);
}

bool JumpCaption(void* user, std::uint32_t address, std::string& caption) {
  LogOf(user).calls.push_back("jump " + std::to_string(address));
  caption = LogOf(user).caption;
  return true;
}
bool CallCaption(void* user, std::uint32_t address, std::string& caption) {
  LogOf(user).calls.push_back("call " + std::to_string(address));
  caption = LogOf(user).caption;
  return true;
}
bool AddressCaption(void* user, std::uint32_t address, std::string& caption) {
  LogOf(user).calls.push_back("address " + std::to_string(address));
  if (address != 0x402000) return false;
  caption = LogOf(user).caption;
  return true;
}
void MemoryOffset(void* user, std::uint32_t offset) {
  LogOf(user).calls.push_back("offset " + std::to_string(offset));
}
bool OperandValue(void* user, std::uint32_t value, std::string& comment) {
  LogOf(user).calls.push_back("value " + std::to_string(value));
  if (value != 0x403000) return false;
  comment = "'Hello'";
  return true;
}

class TDisAsmCallbacks : public ::testing::Test {
 protected:
  void SetUp() override {
    decoder.OnJumpCaption = &JumpCaption;
    decoder.OnCallCaption = &CallCaption;
    decoder.OnAddressCaption = &AddressCaption;
    decoder.OnMemoryOffset = &MemoryOffset;
    decoder.OnOperandValue = &OperandValue;
    decoder.UserValue = &log;
  }
  std::string Decode(const char* bytes) {
    log.calls.clear();
    return decoder.Disassemble(kAddress, HexBytes(bytes)).Text;
  }
  TDisAsm decoder;
  CallbackLog log;
};

TEST_F(TDisAsmCallbacks, CallTarget_CallCaptionReplacesAddress) {
  EXPECT_EQ(Decode("E8 FB FF FF FF"), "call    Unit.Routine");
  EXPECT_EQ(log.calls, std::vector<std::string>{"call 4198400"});
}

TEST_F(TDisAsmCallbacks, JumpTarget_JumpCaptionReplacesAddress) {
  EXPECT_EQ(Decode("0F 84 FA FF FF FF"), "jz      Unit.Routine");
  EXPECT_EQ(log.calls, std::vector<std::string>{"jump 4198400"});
}

TEST_F(TDisAsmCallbacks, AddressOperand_CaptionOnlyWhereAnswered) {
  EXPECT_EQ(Decode("FF 15 00 20 40 00"), "call    dword ptr [Unit.Routine]");
  EXPECT_EQ(Decode("8B 80 00 10 40 00"), "mov     eax, [eax+$401000]");
  EXPECT_EQ(log.calls, std::vector<std::string>{"address 4198400"});
  EXPECT_EQ(Decode("EA 00 20 40 00 10 00"), "jmp     $0010:Unit.Routine");
}

TEST_F(TDisAsmCallbacks, CaptionWithTemplateCharacters_PrintedVerbatim) {
  log.caption = "odd#Ev@ga%c%s^name";
  EXPECT_EQ(Decode("E8 FB FF FF FF"), "call    odd#Ev@ga%c%s^name");
  log.caption = std::string(300, 'x');  // longer than one finished chunk
  EXPECT_EQ(Decode("E8 FB FF FF FF"), "call    " + std::string(300, 'x'));
}

TEST_F(TDisAsmCallbacks, MemoryOffset_NoticeAndAnnotation) {
  EXPECT_EQ(Decode("A1 00 30 40 00"), "mov     eax, [$00403000]  ; 'Hello'");
  EXPECT_EQ(log.calls, (std::vector<std::string>{"offset 4206592", "value 4206592"}));
}

TEST_F(TDisAsmCallbacks, ImmediateAddress_AnnotatedOnce) {
  EXPECT_EQ(Decode("68 00 30 40 00"), "push    $00403000  ; 'Hello'");
  EXPECT_EQ(Decode("C7 05 00 30 40 00 00 30 40 00"),
            "mov     dword ptr [$403000], $00403000  ; 'Hello'");
  EXPECT_EQ(Decode("6A 10"), "push    $10");
  EXPECT_TRUE(log.calls.empty());  // a byte immediate is no address
}

TEST_F(TDisAsmCallbacks, InvalidInstruction_NoCallbacks) {
  EXPECT_EQ(Decode("0F 10 05 00 20 40 00"), "DB      $0F, $10, $05, $00, $20, $40, $00  //");
  EXPECT_TRUE(log.calls.empty());
}

}  // namespace
