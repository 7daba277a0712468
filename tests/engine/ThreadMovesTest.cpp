// Where suspended threads go when a code hook is written or undone, as a
// pure function of the target's first bytes: golden moves for a routine at
// 00401000 whose trampoline lives at 00A00000.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/EHookThreadMoves.h"
#include "engine/EHookTrampoline.h"

namespace {

constexpr std::uint32_t kTarget = 0x00401000;
constexpr std::uint32_t kTrampoline = 0x00A00000;

struct TMovesCase {
  const char* text;
  std::vector<std::uint8_t> target;
  std::vector<TThreadMove> into;
  std::vector<TThreadMove> outOf;
};

const TMovesCase kMovesCases[] = {
    {"prologue: push ebp; mov ebp,esp; sub esp,16",
     {0x55, 0x89, 0xE5, 0x83, 0xEC, 0x10, 0xC3},
     {{0x00401000, 0x00A00000}, {0x00401001, 0x00A00001}, {0x00401003, 0x00A00003}},
     {{0x00A00000, 0x00401000},
      {0x00A00001, 0x00401001},
      {0x00A00003, 0x00401003},
      {0x00A00006, 0x00401006}}},
    {"jz short out of the block: its stub leads to 0040100E",
     {0x31, 0xC0, 0x85, 0xC9, 0x74, 0x08, 0x8D, 0x41, 0x01, 0xC3},
     {{0x00401000, 0x00A00000}, {0x00401002, 0x00A00002}, {0x00401004, 0x00A00004}},
     {{0x00A00000, 0x00401000},
      {0x00A00002, 0x00401002},
      {0x00A00004, 0x00401004},
      {0x00A00006, 0x00401006},
      {0x00A0000B, 0x0040100E}}},
    {"jecxz and jz out of the block: two stubs in the order of their branches",
     {0xE3, 0x06, 0x74, 0x08, 0x90},
     {{0x00401000, 0x00A00000}, {0x00401002, 0x00A00002}, {0x00401004, 0x00A00004}},
     {{0x00A00000, 0x00401000},
      {0x00A00002, 0x00401002},
      {0x00A00004, 0x00401004},
      {0x00A00005, 0x00401005},
      {0x00A0000A, 0x00401008},
      {0x00A0000F, 0x0040100C}}},
    {"loop backwards before the routine: its stub leads to 00400FF2",
     {0xE2, 0xF0, 0x90, 0x90, 0x90},
     {{0x00401000, 0x00A00000},
      {0x00401002, 0x00A00002},
      {0x00401003, 0x00A00003},
      {0x00401004, 0x00A00004}},
     {{0x00A00000, 0x00401000},
      {0x00A00002, 0x00401002},
      {0x00A00003, 0x00401003},
      {0x00A00004, 0x00401004},
      {0x00A00005, 0x00401005},
      {0x00A0000A, 0x00400FF2}}},
    {"call rel32 relocated in place: the copy keeps its offset",
     {0xE8, 0xFB, 0x0F, 0x00, 0x00, 0x83, 0xC0, 0x02, 0xC3},
     {{0x00401000, 0x00A00000}},
     {{0x00A00000, 0x00401000}, {0x00A00005, 0x00401005}}},
};

std::string Describe(const std::vector<TThreadMove>& moves) {
  std::string text;
  char item[32];
  for (const TThreadMove& move : moves) {
    std::snprintf(item, sizeof item, " %08X->%08X", static_cast<unsigned>(move.From),
                  static_cast<unsigned>(move.To));
    text += item;
  }
  return text;
}

}  // namespace

TEST(ThreadMoves, GoldenTargets_GiveTheirMovesBothWays) {
  for (const TMovesCase& row : kMovesCases) {
    SCOPED_TRACE(row.text);
    const TTrampolinePlan plan = PlanTrampoline(row.target.data(), row.target.size());
    ASSERT_EQ(plan.Error, TTrampolineError::kNone);
    EXPECT_EQ(Describe(MovesIntoTrampoline(row.target.data(), plan, kTarget, kTrampoline)),
              Describe(row.into));
    EXPECT_EQ(Describe(MovesOutOfTrampoline(row.target.data(), plan, kTarget, kTrampoline)),
              Describe(row.outOf));
  }
}

TEST(ThreadMoves, FindMove_MatchesOnlyAFromAddress) {
  const std::vector<TThreadMove> moves{{0x00401000, 0x00A00000}, {0x00401002, 0x00A00002}};
  ASSERT_NE(FindMove(moves, 0x00401002), nullptr);
  EXPECT_EQ(FindMove(moves, 0x00401002)->To, 0x00A00002u);
  EXPECT_EQ(FindMove(moves, 0x00401001), nullptr) << "not an instruction start";
  EXPECT_EQ(FindMove(moves, 0x00A00000), nullptr) << "a destination is no start";
  EXPECT_EQ(FindMove({}, 0x00401000), nullptr);
}
