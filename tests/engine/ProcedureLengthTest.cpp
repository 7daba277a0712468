// ProcedureLength: the walk to the first return, over fabricated code with a
// readable part and over the live memory of this process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/EHookCode.h"
#include "engine/EHookProcedureLength.h"
#include "tests/engine/support/ExecutableMemory.h"
#include "tests/support/FabricatedMemory.h"

namespace {

constexpr std::uintptr_t kCodeAddress = 0x00401000;

// Code at kCodeAddress of which only the first `readable` bytes can be read.
class TFabricatedCode : public TFabricatedMemory {
 public:
  TFabricatedCode(std::vector<std::uint8_t> bytes, std::size_t readable) {
    bytes.resize(std::min(readable, bytes.size()));
    Put(kCodeAddress, bytes);
  }
  explicit TFabricatedCode(std::vector<std::uint8_t> bytes)
      : TFabricatedCode(bytes, bytes.size()) {}
};

std::size_t Measure(const TMemoryReader& code, std::size_t limit = 2147483647) {
  return MeasureProcedureLength(code, kCodeAddress, limit);
}

}  // namespace

TEST(ProcedureLength, RoutineStartingWithAReturn_IsThatInstruction) {
  struct TRow {
    const char* text;
    std::vector<std::uint8_t> bytes;
    std::size_t length;
  };
  const TRow rows[] = {
      {"ret", {0xC3, 0x90}, 1},
      {"ret 8", {0xC2, 0x08, 0x00, 0x90}, 3},
      {"retf", {0xCB}, 1},
      {"retf 4", {0xCA, 0x04, 0x00}, 3},
      {"rep ret (prefix counted)", {0xF3, 0xC3}, 2},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(Measure(TFabricatedCode(row.bytes)), row.length);
  }
}

// The move, ENTER and LEAVE opcodes between the returns (C4 to C9) do not end
// a routine: GCC's "mov dword [ebp-4], 0; leave; ret" is 12 bytes long.
TEST(ProcedureLength, CompiledRoutine_EndsAtItsReturnNotAtMovesOrLeave) {
  const TFabricatedCode code(
      {0x55, 0x89, 0xE5, 0xC7, 0x45, 0xFC, 0x00, 0x00, 0x00, 0x00, 0xC9, 0xC3, 0x90, 0x90});
  EXPECT_EQ(Measure(code), 12u);
}

TEST(ProcedureLength, UndecodableBytes_CountOneEach) {
  EXPECT_EQ(Measure(TFabricatedCode({0xD6, 0xD6, 0x90, 0xC3})), 4u);
}

TEST(ProcedureLength, Limits_BoundTheWalk) {
  const TFabricatedCode code({0x55, 0x89, 0xE5, 0x5D, 0xC3});
  EXPECT_EQ(Measure(code, 0), 0u) << "a limit of 0";
  EXPECT_EQ(Measure(code, 5), 5u) << "the return is the last byte within the limit";
  EXPECT_EQ(Measure(code, 4), 1u) << "the return lies beyond the limit";
  EXPECT_EQ(Measure(code, 2), 1u) << "an instruction crosses the limit";
}

TEST(ProcedureLength, UnreadableCode_GivesOne) {
  const std::vector<std::uint8_t> routine = {0x55, 0x89, 0xE5, 0x5D, 0xC3};
  EXPECT_EQ(Measure(TFabricatedCode(routine, 0)), 1u) << "nothing readable";
  EXPECT_EQ(Measure(TFabricatedCode(routine, 4)), 1u) << "the return is not readable";
  EXPECT_EQ(Measure(TFabricatedCode({0x55, 0x89, 0xE5})), 1u) << "no return before the end";
}

TEST(ProcedureLength, LongRoutine_IsReadInWindowsAcrossInstructions) {
  // 3-byte instructions never end on the 4096-byte window edge.
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 5000; ++i) bytes.insert(bytes.end(), {0x83, 0xC0, 0x01});
  bytes.push_back(0xC3);
  const TFabricatedCode code(bytes);
  EXPECT_EQ(Measure(code), 15001u);
  EXPECT_GT(code.reads, 3);
}

TEST(ProcedureLength, LiveMemory_MeasuresCodeAndGivesOneWhereNothingCanBeRead) {
  TExecutableMemory memory;
  memory.Put(0, {0x8B, 0x44, 0x24, 0x04, 0x83, 0xC0, 0x01, 0xC3});
  EXPECT_EQ(ProcedureLength(memory.At(0), 2147483647), 8u);
  EXPECT_EQ(ProcedureLength(nullptr, 2147483647), 1u);
  TReadableThenInaccessible pages;
  EXPECT_EQ(ProcedureLength(pages.Inaccessible(), 100), 1u);
  EXPECT_EQ(ProcedureLength(pages.Readable(), 2147483647), 1u) << "nops up to the unreadable page";
}
