// The instruction-length decoder: golden cases for each operand shape, and
// the whole built DLL walked function by function against objdump.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/EHookInstructionLength.h"
#include "tests/engine/support/BuiltDllCode.h"

namespace {

using enum TRelativeBranch;

struct TLengthCase {
  const char* text;
  std::vector<std::uint8_t> bytes;
  std::size_t length;
  TRelativeBranch branch = kNone;
  std::uint8_t relativeOffset = 0;
  std::uint8_t relativeSize = 0;
};

const TLengthCase kLengthCases[] = {
    {"push ebp", {0x55}, 1},
    {"mov ebp,esp", {0x89, 0xE5}, 2},
    {"mov eax,[esp+4] (SIB, disp8)", {0x8B, 0x44, 0x24, 0x04}, 4},
    {"mov eax,[0x12345678] (mod 00 r/m 101)", {0x8B, 0x05, 0x78, 0x56, 0x34, 0x12}, 6},
    {"mov eax,[ecx*4+0x100] (SIB base 101)", {0x8B, 0x04, 0x8D, 0x00, 0x01, 0x00, 0x00}, 7},
    {"mov eax,[ebp+0x100] (disp32)", {0x8B, 0x85, 0x00, 0x01, 0x00, 0x00}, 6},
    {"lea esi,[esi+eiz*1+0] (7-byte nop)", {0x8D, 0xB4, 0x26, 0x00, 0x00, 0x00, 0x00}, 7},
    {"add eax,imm32", {0x05, 0x01, 0x00, 0x00, 0x00}, 5},
    {"add ax,imm16 (66)", {0x66, 0x05, 0x01, 0x00}, 4},
    {"mov eax,imm32", {0xB8, 0x01, 0x00, 0x00, 0x00}, 5},
    {"mov ax,imm16 (66)", {0x66, 0xB8, 0x01, 0x00}, 4},
    {"mov eax,[moffs32]", {0xA1, 0x00, 0x00, 0x00, 0x00}, 5},
    {"mov eax,[moffs16] (67)", {0x67, 0xA1, 0x00, 0x00}, 4},
    {"mov eax,[bx+si] (67)", {0x67, 0x8B, 0x00}, 3},
    {"mov eax,[disp16] (67, mod 00 r/m 110)", {0x67, 0x8B, 0x06, 0x34, 0x12}, 5},
    {"mov eax,[bp+di+disp16] (67)", {0x67, 0x8B, 0x83, 0x34, 0x12}, 5},
    {"test byte [eax],imm8 (F6 /0)", {0xF6, 0x00, 0x01}, 3},
    {"test byte [eax],imm8 (F6 /1)", {0xF6, 0x08, 0x01}, 3},
    {"not byte [eax] (F6 /2)", {0xF6, 0x10}, 2},
    {"test eax,imm32 (F7 /0)", {0xF7, 0xC0, 0x01, 0x00, 0x00, 0x00}, 6},
    {"test ax,imm16 (66 F7 /0)", {0x66, 0xF7, 0xC0, 0x01, 0x00}, 5},
    {"neg eax (F7 /3)", {0xF7, 0xD8}, 2},
    {"imul ecx,eax,imm32 (69)", {0x69, 0xC8, 0xE8, 0x03, 0x00, 0x00}, 6},
    {"imul ecx,eax,imm8 (6B)", {0x6B, 0xC8, 0x0A}, 3},
    {"add dword [eax],imm32 (81)", {0x81, 0x00, 0x01, 0x00, 0x00, 0x00}, 6},
    {"or byte [ebx],imm8 (82)", {0x82, 0x0B, 0x05}, 3},
    {"sub esp,imm8 (83)", {0x83, 0xEC, 0x10}, 3},
    {"mov dword [ebp-4],imm32 (C7)", {0xC7, 0x45, 0xFC, 0x00, 0x00, 0x00, 0x00}, 7},
    {"mov byte [eax],imm8 (C6)", {0xC6, 0x00, 0x01}, 3},
    {"shl eax,imm8 (C1)", {0xC1, 0xE0, 0x04}, 3},
    {"ret imm16", {0xC2, 0x08, 0x00}, 3},
    {"enter 16,1", {0xC8, 0x10, 0x00, 0x01}, 4},
    {"call far ptr16:32", {0x9A, 0x78, 0x56, 0x34, 0x12, 0x10, 0x00}, 7},
    {"call far ptr16:16 (66)", {0x66, 0x9A, 0x34, 0x12, 0x10, 0x00}, 6},
    {"lock inc dword [eax]", {0xF0, 0xFF, 0x00}, 3},
    {"rep movsb", {0xF3, 0xA4}, 2},
    {"mov eax,fs:[0x18]", {0x64, 0xA1, 0x18, 0x00, 0x00, 0x00}, 6},
    {"jz short", {0x74, 0x05}, 2, kShort, 1, 1},
    {"jz short with branch hint (3E)", {0x3E, 0x74, 0x05}, 3, kShort, 2, 1},
    {"jmp short", {0xEB, 0xFE}, 2, kShort, 1, 1},
    {"loop", {0xE2, 0xFE}, 2, kShort, 1, 1},
    {"jecxz", {0xE3, 0x10}, 2, kShort, 1, 1},
    {"call rel32", {0xE8, 0x00, 0x00, 0x00, 0x00}, 5, kNear, 1, 4},
    {"jmp rel32", {0xE9, 0x00, 0x00, 0x00, 0x00}, 5, kNear, 1, 4},
    {"call rel16 (66)", {0x66, 0xE8, 0x00, 0x00}, 4, kNear, 2, 2},
    {"jnz rel32 (0F 85)", {0x0F, 0x85, 0x00, 0x01, 0x00, 0x00}, 6, kNear, 2, 4},
    {"xbegin rel32 (C7 F8)", {0xC7, 0xF8, 0x10, 0x00, 0x00, 0x00}, 6, kNear, 2, 4},
    {"jmp [0x12345678] (FF 25)", {0xFF, 0x25, 0x78, 0x56, 0x34, 0x12}, 6},
    {"movzx ecx,byte [eax] (0F B6)", {0x0F, 0xB6, 0x08}, 3},
    {"bt eax,imm8 (0F BA)", {0x0F, 0xBA, 0xE0, 0x03}, 4},
    {"shld [ebx],eax,imm8 (0F A4)", {0x0F, 0xA4, 0x03, 0x03}, 4},
    {"cpuid", {0x0F, 0xA2}, 2},
    {"mov eax,cr0", {0x0F, 0x20, 0xC0}, 3},
    {"mov ebp,cr2 written with mod 00 r/m 101 (ignored)", {0x0F, 0x20, 0x15}, 3},
    {"mov dr3,ebp written with mod 01 (ignored)", {0x0F, 0x23, 0x5D}, 3},
    {"mov ebp,tr4 written with mod 00 r/m 100 (no SIB)", {0x0F, 0x24, 0x25}, 3},
    {"bswap eax", {0x0F, 0xC8}, 2},
    {"endbr32", {0xF3, 0x0F, 0x1E, 0xFB}, 4},
    {"nopw [eax+eax+0] (66 0F 1F)", {0x66, 0x0F, 0x1F, 0x44, 0x00, 0x00}, 6},
    {"movaps xmm0,[eax]", {0x0F, 0x28, 0x00}, 3},
    {"pshufd xmm1,xmm2,imm8 (66 0F 70)", {0x66, 0x0F, 0x70, 0xCA, 0x1B}, 5},
    {"pshufb xmm2,xmm1 (66 0F 38 00)", {0x66, 0x0F, 0x38, 0x00, 0xD1}, 5},
    {"palignr xmm2,xmm1,imm8 (66 0F 3A 0F)", {0x66, 0x0F, 0x3A, 0x0F, 0xD1, 0x03}, 6},
    {"popcnt ecx,eax (F3 0F B8)", {0xF3, 0x0F, 0xB8, 0xC8}, 4},
    {"extrq xmm1,imm8,imm8 (66 0F 78)", {0x66, 0x0F, 0x78, 0xC1, 0x04, 0x03}, 6},
    {"pfadd mm2,mm1 (3DNow! 0F 0F)", {0x0F, 0x0F, 0xD1, 0x9E}, 4},
    {"fld qword [eax]", {0xDD, 0x00}, 2},
    {"fstp st(1)", {0xDD, 0xD9}, 2},
    {"fnstcw [eax]", {0xD9, 0x38}, 2},
    {"fstcw [eax] (9B D9 /7)", {0x9B, 0xD9, 0x38}, 3},
    {"fwait before a non-x87 opcode", {0x9B, 0x90}, 1},
    {"fwait after a prefix, before a non-x87 opcode", {0x66, 0x9B, 0x90}, 2},
    {"two fwaits before a non-x87 opcode: the first alone", {0x9B, 0x9B, 0x90}, 1},
    {"fstsw ax after two fwaits", {0x9B, 0x9B, 0xDF, 0xE0}, 4},
    {"fstsw ax with a prefix before the fwait", {0x66, 0x9B, 0xDF, 0xE0}, 4},
    {"les eax,[eax] (C4, memory operand)", {0xC4, 0x00}, 2},
    {"vzeroupper (VEX C5)", {0xC5, 0xF8, 0x77}, 3},
    {"vpaddd ymm3,ymm2,ymm1 (VEX C5)", {0xC5, 0xED, 0xFE, 0xD9}, 4},
    {"vpermq ymm2,ymm1,imm8 (VEX C4 map 0F3A)", {0xC4, 0xE3, 0xFD, 0x00, 0xD1, 0x1B}, 6},
    {"vpshufd xmm2,xmm1,imm8 (VEX C5 map 0F)", {0xC5, 0xF9, 0x70, 0xD1, 0x03}, 5},
};

const char* BranchName(TRelativeBranch branch) {
  switch (branch) {
    case kNone:
      return "none";
    case kShort:
      return "short";
    case kNear:
      return "near";
  }
  return "?";
}

}  // namespace

TEST(InstructionLength, GoldenCases_DecodeToTheirLengthAndBranch) {
  for (const TLengthCase& row : kLengthCases) {
    SCOPED_TRACE(row.text);
    const TInstruction decoded = DecodeInstruction(row.bytes.data(), row.bytes.size());
    ASSERT_EQ(decoded.Status, TDecodeStatus::kDecoded);
    EXPECT_EQ(decoded.Length, row.length);
    EXPECT_STREQ(BranchName(decoded.Branch), BranchName(row.branch));
    EXPECT_EQ(decoded.RelativeOffset, row.relativeOffset);
    EXPECT_EQ(decoded.RelativeSize, row.relativeSize);
    EXPECT_EQ(InstructionLength(row.bytes.data(), row.bytes.size()), row.length);
  }
}

TEST(InstructionLength, EveryGoldenCaseCutShort_AsksForMoreData) {
  for (const TLengthCase& row : kLengthCases) {
    SCOPED_TRACE(row.text);
    for (std::size_t available = 0; available < row.length; ++available) {
      const TInstruction decoded = DecodeInstruction(row.bytes.data(), available);
      EXPECT_EQ(decoded.Status, TDecodeStatus::kNeedMoreData) << "with " << available << " bytes";
      EXPECT_EQ(InstructionLength(row.bytes.data(), available), 0u);
      EXPECT_EQ(WalkStep(decoded), 0u);
    }
  }
}

TEST(InstructionLength, PrefixesAndOpcode_AreReported) {
  const std::uint8_t bytes[] = {0x66, 0x2E, 0x0F, 0x1F, 0x84, 0x00, 0x00, 0x00, 0x00, 0x00};
  const TInstruction decoded = DecodeInstruction(bytes, sizeof bytes);
  EXPECT_EQ(decoded.Length, sizeof bytes);
  EXPECT_EQ(decoded.PrefixLength, 2);
  EXPECT_EQ(decoded.Opcode, 0x0F);
}

TEST(InstructionLength, BytesThatAreNoInstruction_AreInvalidAndStepOneByte) {
  const std::vector<std::vector<std::uint8_t>> rows = {
      {0xD6},                               // no instruction in the one-byte map
      {0x0F, 0x0C},                         // no instruction in the two-byte map
      {0x0F, 0xB8, 0xC8},                   // 0F B8 without F3
      {0x0F, 0x3B},                         // no three-byte map there
      std::vector<std::uint8_t>(16, 0x66),  // prefixes beyond the 15-byte limit
  };
  for (const auto& bytes : rows) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    const TInstruction decoded = DecodeInstruction(bytes.data(), bytes.size());
    EXPECT_EQ(decoded.Status, TDecodeStatus::kInvalid);
    EXPECT_EQ(InstructionLength(bytes.data(), bytes.size()), 0u);
    EXPECT_EQ(WalkStep(decoded), 1u);
  }
}

namespace {

std::string HexBytes(const std::string& image, std::size_t offset, std::size_t count) {
  std::string text;
  for (std::size_t i = offset; i < offset + count && i < image.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02X ", static_cast<unsigned char>(image[i]));
    text += byte;
  }
  return text;
}

}  // namespace

// The reference is written at build time by objdump_lengths.py.
TEST(InstructionLength, BuiltDll_WalksEveryFunctionAsObjdumpDoes) {
  const std::string image = ReadBuiltDll();
  const std::vector<TCodeRun> runs = ReadObjdumpRuns();
  ASSERT_FALSE(image.empty());
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.data());

  std::size_t instructions = 0;
  int disagreements = 0;
  for (const TCodeRun& run : runs) {
    std::size_t offset = run.fileOffset;
    for (const std::size_t expected : run.lengths) {
      const std::size_t walked = WalkStep(DecodeInstruction(bytes + offset, image.size() - offset));
      ++instructions;
      if (walked != expected) {
        ADD_FAILURE() << run.label << " at file offset " << std::hex << offset << std::dec
                      << ": objdump " << expected << " bytes, decoder " << walked
                      << " bytes: " << HexBytes(image, offset, kMaxInstructionLength);
        ++disagreements;
        break;  // the rest of this function would only repeat the disagreement
      }
      offset += expected;
    }
    ASSERT_LT(disagreements, 20) << "stopping after 20 functions that disagree";
  }
  EXPECT_GT(instructions, 10000u) << "the reference lists too little of the DLL's code";
}
