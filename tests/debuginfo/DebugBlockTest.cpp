#include <gtest/gtest.h>

#include <optional>

#include "DebugBlockCases.h"
#include "DebugBlockWriter.h"
#include "debuginfo/EDebugBlock.h"
#include "debuginfo/EDebugByteCursor.h"
#include "report/EBase64.h"
#include "tests/support/FabricatedMemory.h"

namespace {

constexpr std::uintptr_t kHandle = 0x10000000;
constexpr std::uintptr_t kCodeBase = kHandle + 0x1000;
constexpr const char* kPassword = kBlockCasePassword;

struct Found {
  std::string Unit, Class, Routine;
  std::int32_t Line = 0, Offset = 0;
};

std::optional<Found> Locate(const std::string& block, std::uint32_t offset,
                            std::uint16_t version = 6105, bool passwordValid = true,
                            const CodeBytes& code = {}) {
  TDebugBlockModule module;
  module.Block = AsBytes(block);
  module.Version = version;
  module.Password = kPassword;
  module.PasswordValid = passwordValid;
  module.Handle = kHandle;
  TFabricatedMemory reader;
  for (const auto& [at, bytes] : code) reader.Put(kCodeBase + at, bytes);
  TCodeLocation location{};
  if (!LocateInDebugBlock(module, kCodeBase + offset, &reader, location)) return std::nullopt;
  EXPECT_EQ(location.Precision, lpLine);
  EXPECT_EQ(location.CodeAddress, kCodeBase + offset);
  return Found{location.SourceUnit.Str(), location.OwnerClass.Str(), location.RoutineName.Str(),
               location.SourceLine, location.RoutineLineOffset};
}

using W = DebugBlockWriter;

}  // namespace

TEST(DebugBlock, EveryRecordForm_ResolvesEachRangeToItsLine) {
  const std::string block = EveryFormBlock();
  struct Row {
    std::uint32_t offset;
    const char* routine;
    const char* ownerClass;
    std::int32_t line, lineOffset;
  } rows[] = {
      {0x100, "Create", "TAlpha", 10, 0},   {0x10F, "Create", "TAlpha", 10, 0},
      {0x110, "Create", "TAlpha", 12, 2},   {0x117, "Create", "TAlpha", 12, 2},
      {0x118, "Destroy", "TAlpha", 15, 0},  {0x17B, "Destroy", "TAlpha", 15, 0},
      {0x17C, "Destroy", "TAlpha", 35, 20}, {0x180, "FreeRoutine", "", 36, 1},
      {0x1FF, "FreeRoutine", "", 36, 1},    {0x200, "FreeRoutine", "", 16, 0},
      {0x23F, "FreeRoutine", "", 16, 0},    {0x240, "FreeRoutine", "", 1016, 981},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "offset 0x" << std::hex << row.offset);
    auto found = Locate(block, row.offset, 6105, true, EveryFormPrologues());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Unit, "Alpha.cpp");
    EXPECT_EQ(found->Class, row.ownerClass);
    EXPECT_EQ(found->Routine, row.routine);
    EXPECT_EQ(found->Line, row.line);
    EXPECT_EQ(found->Offset, row.lineOffset);
  }
}

TEST(DebugBlock, LastRecord_OwnsUpToTheUnitsLastByteAndNoFurther) {
  const std::string block = EveryFormBlock();
  auto last = Locate(block, 0x2FF);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->Line, 1016);
  EXPECT_FALSE(Locate(block, 0x300));
  EXPECT_FALSE(Locate(block, 0xFF));
}

TEST(DebugBlock, AllOnesFourByteRecord_StartsAProcedureWithoutAdvancing) {
  EXPECT_EQ(W::FourBytes(0, 0, true), std::string(4, '\xFF'));
  auto found = Locate(SameOffsetProceduresBlock(), 0x14);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Class, "TSecond");
  EXPECT_EQ(found->Routine, "Two");
  EXPECT_EQ(found->Line, 41);
}

TEST(DebugBlock, StretchBeforeTheFirstRecord_TakesFirstLineAndFirstProcedure) {
  auto found = Locate(StretchBeforeFirstRecordBlock(), 0x41);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Line, 7);
  EXPECT_EQ(found->Routine, "Run");
  EXPECT_EQ(found->Class, "TD");
  EXPECT_EQ(found->Offset, 0);
}

TEST(DebugBlock, NestedUnits_TheInnerUnitWinsInsideItsRange) {
  const std::string block = NestedUnitsBlock();
  struct Row {
    std::uint32_t offset;
    const char* unit;
    std::int32_t line;
  } rows[] = {{0x1000, "Outer.cpp", 100}, {0x13FF, "Outer.cpp", 100}, {0x1400, "Inner.cpp", 500},
              {0x14FF, "Inner.cpp", 500}, {0x1500, "Outer.cpp", 100}, {0x1805, "Sibling.cpp", 700},
              {0x1FFF, "Outer.cpp", 100}, {0x2000, "After.cpp", 900}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "offset 0x" << std::hex << row.offset);
    auto found = Locate(block, row.offset);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Unit, row.unit);
    EXPECT_EQ(found->Line, row.line);
  }
}

TEST(DebugBlock, ContinuedNames_ReadAsFirstTextDotSecondText) {
  const std::string longClass(100, 'C');
  const std::string longRoutine(120, 'R');
  auto found = Locate(ContinuedNamesBlock(), 0x5);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Unit, "folder.Unit");  // has a "." already: no extension added
  EXPECT_EQ(found->Class, longClass);
  EXPECT_EQ(found->Routine, longRoutine);
}

TEST(DebugBlock, PasswordNotValid_NamesComeAsQuestionMarkAndBase64) {
  W writer(6105, kPassword);
  const std::string unitField = writer.Name("Alpha");
  const std::string routineField = writer.Name("TAlpha.Create");
  writer.AddUnit(unitField, 10, 0, 0x10, W::FourBytes(0, 0, true) + routineField);
  auto found = Locate(writer.Block(), 0x4, 6105, false);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Unit, "?p" + Base64Encode(unitField.substr(1)));
  EXPECT_EQ(found->Class, "");
  EXPECT_EQ(found->Routine, "?" + Base64Encode(routineField.substr(1)));
  EXPECT_EQ(found->Line, 10);
}

TEST(DebugBlock, OldVersions_XorNamesAndSkipTheLeadingPart) {
  for (std::uint16_t version : {404, 405, 450, 499}) {
    SCOPED_TRACE(version);
    auto found = Locate(OldVersionBlock(version), 0x25, version);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Unit, "Old.cpp");
    EXPECT_EQ(found->Class, "TOld");
    EXPECT_EQ(found->Routine, "Method");
  }
}

TEST(DebugBlock, EightByteEscape_IsAFourByteRecordBeforeVersion423) {
  for (std::uint16_t version : {422, 423}) {
    SCOPED_TRACE(version);
    const std::string block = EightByteEscapeBlock(version);
    if (version == 423) {
      auto found = Locate(block, 0x20, version);
      ASSERT_TRUE(found);
      EXPECT_EQ(found->Line, 105);
    } else {
      // One line back and 4095 bytes on; the two words are then read as records.
      auto found = Locate(block, 0xFFF, version);
      ASSERT_TRUE(found);
      EXPECT_EQ(found->Line, 99);
    }
  }
}

TEST(DebugBlock, DamagedBlocks_FailWithoutReadingBeyondTheEnd) {
  const std::string block = EveryFormBlock();
  for (std::size_t cut : {0u, 3u, 4u, 10u, 20u}) {
    SCOPED_TRACE(cut);
    const std::string damaged = block.substr(0, cut);
    EXPECT_FALSE(Locate(damaged, 0x100));
  }
  // Line data cut short still answers from the records read.
  auto found = Locate(block.substr(0, block.size() - 3), 0x110);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Line, 12);
}

TEST(DebugBlock, ModulesWithOtherPasswords_UsedAlternately_EachDecodesItsNames) {
  struct Module {
    std::string password, routine, block;
  } modules[] = {{kPassword, "Create", ""}, {"another module's password", "Destroy", ""}};
  for (auto& module : modules) module.block = OneRoutineBlock(module.password, module.routine);
  for (int round = 0; round < 2; ++round) {
    for (const auto& module : modules) {
      SCOPED_TRACE(testing::Message() << "round " << round << ", " << module.routine);
      TDebugBlockModule view{AsBytes(module.block), 6105, module.password, true, kHandle};
      TCodeLocation location{};
      ASSERT_TRUE(LocateInDebugBlock(view, kCodeBase + 0x104, nullptr, location));
      EXPECT_EQ(location.SourceUnit.Str(), "Alpha.cpp");
      EXPECT_EQ(location.OwnerClass.Str(), "TAlpha");
      EXPECT_EQ(location.RoutineName.Str(), module.routine);
    }
  }
}
