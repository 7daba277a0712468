#include <gtest/gtest.h>

#include <random>

#include "DebugBlockCases.h"
#include "DebugBlockWalk.h"
#include "DebugBlockWriter.h"
#include "debuginfo/EDebugBlockIndex.h"
#include "debuginfo/EDebugByteCursor.h"
#include "tests/support/FabricatedMemory.h"

namespace {

constexpr std::uintptr_t kHandle = 0x10000000;
constexpr std::uintptr_t kCodeBase = kHandle + 0x1000;

using W = DebugBlockWriter;

TDebugBlockModule ModuleOf(const std::string& block, std::uint16_t version,
                           const std::string& password, bool passwordValid) {
  return {AsBytes(block), version, password, passwordValid, kHandle};
}

// Blocks drawn at random from every record form, with units that overlap,
// nest and repeat, names with ".Routine" continuations, random line data
// and cuts anywhere.
class RandomBlocks {
 public:
  explicit RandomBlocks(unsigned seed) : random_(seed) {}

  TBlockCase Next() {
    TBlockCase drawn;
    drawn.Version = Pick<std::uint16_t>({6105, 6105, 6105, 501, 450, 404});
    drawn.PasswordValid = Chance(4, 5);
    W writer(drawn.Version, drawn.Password);
    const int units = Between(1, 7);
    for (int unit = 0; unit < units; ++unit) {
      const auto start = static_cast<std::uint32_t>(Between(0, 0x300));
      const auto size = static_cast<std::uint32_t>(Chance(1, 8) ? 0 : Between(1, 0x200));
      writer.AddUnit(Name(writer), Between(-5, 300), start, size, Lines(writer));
    }
    drawn.Block = writer.Block("skipped");
    if (Chance(1, 3)) drawn.Block.resize(Between(0, static_cast<int>(drawn.Block.size())));
    drawn.CodeEnd = 0x520;
    return drawn;
  }

  // Prologue bytes everywhere: frames, saved EBX and other code mixed.
  void FillCode(TFabricatedMemory& code, std::size_t size) {
    std::string bytes;
    while (bytes.size() < size)
      bytes += Pick<const char*>({"\x55\x8B\xEC", "\x53", "\x90", "\x55"});
    code.Put(kCodeBase, bytes);
  }

 private:
  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Chance(int times, int in) { return Between(1, in) <= times; }
  template <class T>
  T Pick(std::initializer_list<T> choices) {
    return choices.begin()[Between(0, static_cast<int>(choices.size()) - 1)];
  }

  std::string Name(const W& writer) {
    const std::string text = Pick<const char*>(
        {"TAlpha.Run", ".Next", ".Other", "Free", "", "Initialization", "Finalization", "A.B.C"});
    return writer.Name(text);
  }

  std::string Lines(const W& writer) {
    std::string lines;
    const int records = Between(0, 12);
    for (int record = 0; record < records; ++record) {
      const bool procedure = Chance(1, 3);
      switch (Between(0, 4)) {
        case 0:
          lines += procedure ? W::OneByteProcedure(Between(1, 8), Between(1, 8))
                             : W::OneBytePlain(Between(1, 4), Between(1, 32));
          break;
        case 1:
          lines += W::TwoBytes(Between(1, 32), Between(1, 128), procedure);
          break;
        case 2:
          lines += W::FourBytes(Between(-40, 40), Pick({0, 0, 1, 7, 300, 4095}), procedure);
          break;
        case 3:
          lines += W::EightBytes(Between(-40, 40), Between(1, 0x300), procedure);
          break;
        default:  // any bytes at all
          for (int i = Between(1, 4); i > 0; --i) lines += static_cast<char>(Between(0, 255));
          continue;
      }
      if (procedure) lines += Name(writer);
    }
    return lines;
  }

  std::mt19937 random_;
};

}  // namespace

TEST(DebugBlockIndex, HandWrittenBlocks_AnswerEveryOffsetAsTheWalk) {
  for (const TBlockCase& block : HandWrittenBlockCases()) {
    SCOPED_TRACE(block.Name);
    const TDebugBlockModule module =
        ModuleOf(block.Block, block.Version, block.Password, block.PasswordValid);
    TFabricatedMemory code;
    for (const auto& [at, bytes] : block.Code) code.Put(kCodeBase + at, bytes);
    const TDebugBlockIndex index(module);
    EXPECT_EQ(FirstDifferenceFromWalk(module, index, &code, kCodeBase - 16,
                                      kCodeBase + block.CodeEnd + 16),
              "");
  }
}

TEST(DebugBlockIndex, RandomBlocks_AnswerEveryOffsetAsTheWalk) {
  RandomBlocks blocks(20240613);
  TFabricatedMemory code;
  blocks.FillCode(code, 0x600);
  for (int drawn = 0; drawn < 200; ++drawn) {
    SCOPED_TRACE(testing::Message() << "block " << drawn);
    const TBlockCase block = blocks.Next();
    const TDebugBlockModule module =
        ModuleOf(block.Block, block.Version, block.Password, block.PasswordValid);
    const TDebugBlockIndex index(module);
    ASSERT_EQ(
        FirstDifferenceFromWalk(module, index, &code, kCodeBase, kCodeBase + block.CodeEnd, {1, 3}),
        "");
  }
}

TEST(DebugBlockIndex, TwoModulesWithOtherPasswords_UsedAlternately_EachDecodesItsNames) {
  struct Module {
    std::string password, routine, block;
  } modules[] = {{kBlockCasePassword, "Create", ""}, {"another module's password", "Destroy", ""}};
  for (auto& module : modules) module.block = OneRoutineBlock(module.password, module.routine);
  const TDebugBlockIndex first(ModuleOf(modules[0].block, 6105, modules[0].password, true));
  const TDebugBlockIndex second(ModuleOf(modules[1].block, 6105, modules[1].password, true));
  for (int round = 0; round < 3; ++round) {
    for (const TDebugBlockIndex* index : {&first, &second, &first}) {
      const auto& expected = modules[index == &first ? 0 : 1];
      SCOPED_TRACE(testing::Message() << "round " << round << ", " << expected.routine);
      TCodeLocation location{};
      ASSERT_TRUE(index->Locate(kCodeBase + 0x104, nullptr, location));
      EXPECT_EQ(location.SourceUnit.Str(), "Alpha.cpp");
      EXPECT_EQ(location.OwnerClass.Str(), "TAlpha");
      EXPECT_EQ(location.RoutineName.Str(), expected.routine);
    }
  }
}

TEST(DebugBlockIndex, BlockFreedAfterBuilding_StillAnswers) {
  auto block = std::make_unique<std::string>(EveryFormBlock());
  std::string password = kBlockCasePassword;
  const TDebugBlockIndex index(ModuleOf(*block, 6105, password, true));
  block->assign(block->size(), '\0');
  block.reset();
  password.assign(password.size(), '?');
  TCodeLocation location{};
  ASSERT_TRUE(index.Locate(kCodeBase + 0x118, nullptr, location));
  EXPECT_EQ(location.SourceUnit.Str(), "Alpha.cpp");
  EXPECT_EQ(location.OwnerClass.Str(), "TAlpha");
  EXPECT_EQ(location.RoutineName.Str(), "Destroy");
  EXPECT_EQ(location.SourceLine, 15);
}
