// The decoded-instruction record: where the prefixes, opcode, ModRM, SIB,
// displacement, immediate and branch displacement of an instruction lie, and
// where a relative branch leads. Each row's record is written out as one line
// so that a wrong field shows as a readable difference.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "engine/EHookInstructionLength.h"
#include "tests/engine/support/BuiltDllCode.h"

namespace {

constexpr std::uint32_t kAddress = 0x00401000;

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::string Signed(std::int32_t value) {
  const std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  return (value < 0 ? "-" : "+") + Hex(magnitude, 1);
}

const char* MapName(TOpcodeMap map) {
  switch (map) {
    case TOpcodeMap::kOneByte:
      return "";
    case TOpcodeMap::k0F:
      return "0F ";
    case TOpcodeMap::k0F38:
      return "0F38 ";
    case TOpcodeMap::k0F3A:
      return "0F3A ";
  }
  return "? ";
}

// The record's fields that are present, in the order they appear in the
// instruction, with the relative target for an instruction at kAddress.
std::string Describe(const TInstruction& record) {
  if (record.Status != TDecodeStatus::kDecoded) return "not decoded";
  std::string text = "len " + std::to_string(record.Length);
  const TInstructionPrefixes& prefixes = record.Prefixes;
  if (record.PrefixLength != 0) {
    text += " | prefixes " + std::to_string(record.PrefixLength) + ":";
    if (prefixes.Wait) text += " wait";
    if (prefixes.OperandSize) text += " 66";
    if (prefixes.AddressSize) text += " 67";
    if (prefixes.Lock) text += " lock";
    if (prefixes.Repeat != 0) text += " rep " + Hex(prefixes.Repeat, 2);
    if (prefixes.Segment != 0) text += " seg " + Hex(prefixes.Segment, 2);
  }
  text += " | ";
  if (record.Vex) text += "vex ";
  text += MapName(record.Map) + Hex(record.MapOpcode, 2);
  if (record.Map != TOpcodeMap::kOneByte) text += " (first " + Hex(record.Opcode, 2) + ")";
  if (record.HasModRM) {
    text += " | modrm @" + std::to_string(record.ModRMOffset) + " " + std::to_string(record.Mod) +
            "," + std::to_string(record.Reg) + "," + std::to_string(record.Rm);
  }
  if (record.HasSib) {
    text += " | sib " + std::to_string(record.Scale) + "," + std::to_string(record.Index) + "," +
            std::to_string(record.Base);
  }
  if (record.DisplacementSize != 0) {
    text += " | disp @" + std::to_string(record.DisplacementOffset) + "/" +
            std::to_string(record.DisplacementSize) + " " + Signed(record.Displacement);
  }
  if (record.ImmediateSize != 0) {
    text += " | imm @" + std::to_string(record.ImmediateOffset) + "/" +
            std::to_string(record.ImmediateSize);
  }
  if (record.Branch != TRelativeBranch::kNone) {
    text += std::string(" | ") + (record.Branch == TRelativeBranch::kShort ? "short" : "near") +
            " @" + std::to_string(record.RelativeOffset) + "/" +
            std::to_string(record.RelativeSize) + " " + Signed(record.RelativeDisplacement) +
            " -> " + Hex(record.RelativeTarget(kAddress), 8);
  }
  return text;
}

struct TRecordCase {
  std::vector<std::uint8_t> bytes;
  const char* record;
};

// clang-format off
const TRecordCase kRecordCases[] = {
    // Opcode alone, with prefixes, in each map.
    {{0x55}, "len 1 | 55"},
    {{0xF3, 0xA4}, "len 2 | prefixes 1: rep F3 | A4"},
    {{0xF2, 0xF3, 0xA4}, "len 3 | prefixes 2: rep F3 | A4"},
    {{0xF0, 0x0F, 0xB1, 0x0A}, "len 4 | prefixes 1: lock | 0F B1 (first 0F) | modrm @3 0,1,2"},
    {{0x26, 0x64, 0xA1, 0x18, 0x00, 0x00, 0x00},
     "len 7 | prefixes 2: seg 64 | A1 | disp @3/4 +18"},
    {{0x0F, 0xA2}, "len 2 | 0F A2 (first 0F)"},
    {{0x66, 0x0F, 0x38, 0x00, 0xD1}, "len 5 | prefixes 1: 66 | 0F38 00 (first 0F) | modrm @4 3,2,1"},
    {{0x66, 0x0F, 0x3A, 0x0F, 0xD1, 0x03},
     "len 6 | prefixes 1: 66 | 0F3A 0F (first 0F) | modrm @4 3,2,1 | imm @5/1"},
    {{0xC4, 0xE3, 0xFD, 0x00, 0xD1, 0x1B},
     "len 6 | vex 0F3A 00 (first C4) | modrm @4 3,2,1 | imm @5/1"},
    {{0xC5, 0xF8, 0x77}, "len 3 | vex 0F 77 (first C5)"},
    {{0x9B, 0xD9, 0x38}, "len 3 | prefixes 1: wait | D9 | modrm @2 0,7,0"},
    {{0x9B, 0x66, 0xD9, 0x38}, "len 4 | prefixes 2: wait 66 | D9 | modrm @3 0,7,0"},
    {{0x9B, 0x90}, "len 1 | 9B"},
    {{0x66, 0x9B, 0x90}, "len 2 | prefixes 1: 66 | 9B"},
    {{0x66, 0x9B, 0x9B, 0xDF, 0xE0}, "len 5 | prefixes 3: wait 66 | DF | modrm @4 3,4,0"},
    // ModRM forms: register, memory, SIB, each displacement size, 16-bit addressing.
    {{0x89, 0xE5}, "len 2 | 89 | modrm @1 3,4,5"},
    {{0x8B, 0x00}, "len 2 | 8B | modrm @1 0,0,0"},
    {{0x8B, 0x45, 0xFC}, "len 3 | 8B | modrm @1 1,0,5 | disp @2/1 -4"},
    {{0x8B, 0x85, 0x00, 0x01, 0x00, 0x00}, "len 6 | 8B | modrm @1 2,0,5 | disp @2/4 +100"},
    {{0x8B, 0x05, 0x78, 0x56, 0x34, 0x12}, "len 6 | 8B | modrm @1 0,0,5 | disp @2/4 +12345678"},
    {{0x8B, 0x04, 0x24}, "len 3 | 8B | modrm @1 0,0,4 | sib 0,4,4"},
    {{0x8B, 0x44, 0xB3, 0xFC}, "len 4 | 8B | modrm @1 1,0,4 | sib 2,6,3 | disp @3/1 -4"},
    {{0x8B, 0x04, 0x8D, 0x00, 0x01, 0x00, 0x00},
     "len 7 | 8B | modrm @1 0,0,4 | sib 2,1,5 | disp @3/4 +100"},
    {{0x8B, 0x84, 0xC8, 0x00, 0xFF, 0xFF, 0xFF},
     "len 7 | 8B | modrm @1 2,0,4 | sib 3,1,0 | disp @3/4 -100"},
    {{0x67, 0x8B, 0x00}, "len 3 | prefixes 1: 67 | 8B | modrm @2 0,0,0"},
    {{0x67, 0x8B, 0x04}, "len 3 | prefixes 1: 67 | 8B | modrm @2 0,0,4"},
    {{0x67, 0x8B, 0x06, 0x34, 0x12}, "len 5 | prefixes 1: 67 | 8B | modrm @2 0,0,6 | disp @3/2 +1234"},
    {{0x67, 0x8B, 0x46, 0xFE}, "len 4 | prefixes 1: 67 | 8B | modrm @2 1,0,6 | disp @3/1 -2"},
    {{0x67, 0x8B, 0x87, 0x00, 0x80}, "len 5 | prefixes 1: 67 | 8B | modrm @2 2,0,7 | disp @3/2 -8000"},
    {{0x67, 0xA1, 0x34, 0x12}, "len 4 | prefixes 1: 67 | A1 | disp @2/2 +1234"},
    {{0x0F, 0x20, 0x15}, "len 3 | 0F 20 (first 0F) | modrm @2 0,2,5"},
    // Immediates: after a ModRM and its displacement, by operand size, two of them.
    {{0xC7, 0x45, 0xFC, 0x01, 0x00, 0x00, 0x00},
     "len 7 | C7 | modrm @1 1,0,5 | disp @2/1 -4 | imm @3/4"},
    {{0x66, 0xC7, 0x00, 0x01, 0x00}, "len 5 | prefixes 1: 66 | C7 | modrm @2 0,0,0 | imm @3/2"},
    {{0x81, 0x7C, 0x24, 0x08, 0x00, 0x10, 0x00, 0x00},
     "len 8 | 81 | modrm @1 1,7,4 | sib 0,4,4 | disp @3/1 +8 | imm @4/4"},
    {{0xF6, 0x00, 0x01}, "len 3 | F6 | modrm @1 0,0,0 | imm @2/1"},
    {{0xF7, 0xD8}, "len 2 | F7 | modrm @1 3,3,0"},
    {{0x6A, 0xFF}, "len 2 | 6A | imm @1/1"},
    {{0xC2, 0x08, 0x00}, "len 3 | C2 | imm @1/2"},
    {{0xC8, 0x10, 0x00, 0x01}, "len 4 | C8 | imm @1/3"},
    {{0x9A, 0x78, 0x56, 0x34, 0x12, 0x10, 0x00}, "len 7 | 9A | imm @1/6"},
    {{0x66, 0xEA, 0x34, 0x12, 0x10, 0x00}, "len 6 | prefixes 1: 66 | EA | imm @2/4"},
    {{0x66, 0x0F, 0x78, 0xC1, 0x04, 0x03}, "len 6 | prefixes 1: 66 | 0F 78 (first 0F) | modrm @3 3,0,1 | imm @4/2"},
    {{0x0F, 0x0F, 0xD1, 0x9E}, "len 4 | 0F 0F (first 0F) | modrm @2 3,2,1 | imm @3/1"},
    // Relative branches and their targets from kAddress.
    {{0xEB, 0xFE}, "len 2 | EB | short @1/1 -2 -> 00401000"},
    {{0x74, 0x10}, "len 2 | 74 | short @1/1 +10 -> 00401012"},
    {{0x3E, 0x74, 0x05}, "len 3 | prefixes 1: seg 3E | 74 | short @2/1 +5 -> 00401008"},
    {{0xE2, 0xFE}, "len 2 | E2 | short @1/1 -2 -> 00401000"},
    {{0xE8, 0xFB, 0xFF, 0xFF, 0xFF}, "len 5 | E8 | near @1/4 -5 -> 00401000"},
    {{0xE9, 0x00, 0x10, 0x00, 0x00}, "len 5 | E9 | near @1/4 +1000 -> 00402005"},
    {{0x0F, 0x85, 0x00, 0x01, 0x00, 0x00}, "len 6 | 0F 85 (first 0F) | near @2/4 +100 -> 00401106"},
    {{0x66, 0xE8, 0x00, 0x10}, "len 4 | prefixes 1: 66 | E8 | near @2/2 +1000 -> 00002004"},
    {{0xC7, 0xF8, 0x10, 0x00, 0x00, 0x00}, "len 6 | C7 | modrm @1 3,7,0 | near @2/4 +10 -> 00401016"},
    // Indirect calls: FF /2 in the forms the stack scan looks for.
    {{0xFF, 0xD0}, "len 2 | FF | modrm @1 3,2,0"},
    {{0xFF, 0x55, 0x08}, "len 3 | FF | modrm @1 1,2,5 | disp @2/1 +8"},
    {{0xFF, 0x54, 0x24, 0x04}, "len 4 | FF | modrm @1 1,2,4 | sib 0,4,4 | disp @3/1 +4"},
    {{0xFF, 0x15, 0x00, 0x20, 0x40, 0x00}, "len 6 | FF | modrm @1 0,2,5 | disp @2/4 +402000"},
};
// clang-format on

}  // namespace

TEST(InstructionRecord, GoldenCases_FieldsWhereTheyLie) {
  for (const TRecordCase& row : kRecordCases) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    EXPECT_EQ(Describe(DecodeInstruction(row.bytes.data(), row.bytes.size())), row.record);
  }
}

namespace {

// Where a decoded instruction's fields disagree with its bytes or with each
// other: the opcode must follow the prefixes, the ModRM byte must hold the
// fields' bits, the fields must follow one another and the last must end the
// instruction. Empty when they agree.
std::string FieldsFault(const std::uint8_t* bytes, const TInstruction& record) {
  if (record.Status != TDecodeStatus::kDecoded) return {};
  if (record.Opcode != bytes[record.PrefixLength])
    return "opcode is not the byte after the prefixes";
  std::size_t end = record.PrefixLength + 1u;
  if (record.HasModRM) {
    if (record.ModRMOffset < end) return "ModRM overlaps the opcode";
    if (bytes[record.ModRMOffset] != (record.Mod << 6 | record.Reg << 3 | record.Rm)) {
      return "ModRM fields are not the ModRM byte's";
    }
    end = record.ModRMOffset + 1u + (record.HasSib ? 1u : 0u);
  }
  const std::pair<std::uint8_t, std::uint8_t> fields[] = {
      {record.DisplacementOffset, record.DisplacementSize},
      {record.ImmediateOffset, record.ImmediateSize},
      {record.RelativeOffset, record.RelativeSize},
  };
  bool any = record.HasModRM;
  for (const auto& [offset, size] : fields) {
    if (size == 0) continue;
    if (offset < end) return "fields overlap";
    end = offset + size;
    any = true;
  }
  if (any && end != record.Length) return "the last field does not end the instruction";
  if (end > record.Length) return "a field lies past the instruction";
  return {};
}

}  // namespace

TEST(InstructionRecord, BuiltDll_FieldsOfEveryInstructionTileIt) {
  const std::string image = ReadBuiltDll();
  const std::vector<TCodeRun> runs = ReadObjdumpRuns();
  ASSERT_FALSE(image.empty());
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.data());
  int faults = 0;
  for (const TCodeRun& run : runs) {
    std::size_t offset = run.fileOffset;
    for (const std::size_t length : run.lengths) {
      const TInstruction record = DecodeInstruction(bytes + offset, image.size() - offset);
      const std::string fault = FieldsFault(bytes + offset, record);
      if (!fault.empty()) {
        ADD_FAILURE() << run.label << " at file offset " << std::hex << offset << ": " << fault
                      << ": " << Describe(record);
        ASSERT_LT(++faults, 20) << "stopping after 20 faults";
      }
      offset += length;
    }
  }
}

TEST(InstructionRecord, BytesCutShort_NoFieldsReported) {
  const std::uint8_t bytes[] = {0x8B, 0x84, 0xC8, 0x00, 0xFF, 0xFF, 0xFF};
  const TInstruction record = DecodeInstruction(bytes, 6);
  EXPECT_EQ(record.Status, TDecodeStatus::kNeedMoreData);
  EXPECT_EQ(Describe(record), "not decoded");
  EXPECT_FALSE(record.HasModRM);
  EXPECT_EQ(record.DisplacementSize, 0u);
  EXPECT_EQ(record.Displacement, 0);
}
