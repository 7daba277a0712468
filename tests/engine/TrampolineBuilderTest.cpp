// The trampoline builder as a pure function: golden trampolines for a routine
// at 00401000 whose trampoline lives at 00A00000.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "engine/EHookInstructionLength.h"
#include "engine/EHookTrampoline.h"
#include "tests/engine/support/BuiltDllCode.h"

namespace {

constexpr std::uint32_t kTarget = 0x00401000;
constexpr std::uint32_t kTrampoline = 0x00A00000;

struct TTrampolineCase {
  const char* text;
  std::vector<std::uint8_t> target;
  std::size_t covered;
  std::size_t exitStubs;
  std::vector<std::uint8_t> trampoline;
};

// Every trampoline ends its copy with E9 FB 0F A0 FF or similar: the jump
// back to the first instruction not covered.
const TTrampolineCase kTrampolineCases[] = {
    {"prologue: push ebp; mov ebp,esp; sub esp,16",
     {0x55, 0x89, 0xE5, 0x83, 0xEC, 0x10, 0xC3},
     6,
     0,
     {0x55, 0x89, 0xE5, 0x83, 0xEC, 0x10, 0xE9, 0xFB, 0x0F, 0xA0, 0xFF}},
    {"jz short out of the block goes through a stub to 0040100E",
     {0x31, 0xC0, 0x85, 0xC9, 0x74, 0x08, 0x8D, 0x41, 0x01, 0xC3},
     6,
     1,
     {0x31, 0xC0, 0x85, 0xC9, 0x74, 0x05, 0xE9, 0xFB, 0x0F, 0xA0, 0xFF, 0xE9, 0xFE, 0x0F, 0xA0,
      0xFF}},
    {"call rel32 to 00402000 keeps its destination",
     {0xE8, 0xFB, 0x0F, 0x00, 0x00, 0x83, 0xC0, 0x02, 0xC3},
     5,
     0,
     {0xE8, 0xFB, 0x1F, 0xA0, 0xFF, 0xE9, 0xFB, 0x0F, 0xA0, 0xFF}},
    {"jnz short inside the block stays as it is",
     {0x75, 0x02, 0x31, 0xC0, 0x40, 0xC3},
     5,
     0,
     {0x75, 0x02, 0x31, 0xC0, 0x40, 0xE9, 0xFB, 0x0F, 0xA0, 0xFF}},
    {"jnz rel32 (0F 85) to 00401108 keeps its destination",
     {0x85, 0xC0, 0x0F, 0x85, 0x00, 0x01, 0x00, 0x00},
     8,
     0,
     {0x85, 0xC0, 0x0F, 0x85, 0x00, 0x11, 0xA0, 0xFF, 0xE9, 0xFB, 0x0F, 0xA0, 0xFF}},
    {"loop backwards before the routine goes through a stub to 00400FF2",
     {0xE2, 0xF0, 0x90, 0x90, 0x90},
     5,
     1,
     {0xE2, 0x08, 0x90, 0x90, 0x90, 0xE9, 0xFB, 0x0F, 0xA0, 0xFF, 0xE9, 0xE3, 0x0F, 0xA0, 0xFF}},
    {"jecxz and jz out of the block get one stub each",
     {0xE3, 0x06, 0x74, 0x08, 0x90},
     5,
     2,
     {0xE3, 0x08, 0x74, 0x0B, 0x90, 0xE9, 0xFB, 0x0F, 0xA0, 0xFF,
      0xE9, 0xF9, 0x0F, 0xA0, 0xFF, 0xE9, 0xF8, 0x0F, 0xA0, 0xFF}},
    {"ret followed by padding",
     {0xC3, 0xCC, 0xCC, 0xCC, 0xCC},
     5,
     0,
     {0xC3, 0xCC, 0xCC, 0xCC, 0xCC, 0xE9, 0xFB, 0x0F, 0xA0, 0xFF}},
    {"xor eax,eax; ret; then the assembler's fill lea esi,[esi+eiz*1+0]",
     {0x31, 0xC0, 0xC3, 0x8D, 0xB4, 0x26, 0x00, 0x00, 0x00, 0x00},
     10,
     0,
     {0x31, 0xC0, 0xC3, 0x8D, 0xB4, 0x26, 0x00, 0x00, 0x00, 0x00, 0xE9, 0xFB, 0x0F, 0xA0, 0xFF}},
    {"jnz over a ret to code that only the jnz reaches",
     {0x75, 0x01, 0xC3, 0x55, 0x89, 0xE5},
     6,
     0,
     {0x75, 0x01, 0xC3, 0x55, 0x89, 0xE5, 0xE9, 0xFB, 0x0F, 0xA0, 0xFF}},
    {"ret; then nop, xchg ax,ax and nop dword [eax]",
     {0xC3, 0x90, 0x66, 0x90, 0x0F, 0x1F, 0x00},
     7,
     0,
     {0xC3, 0x90, 0x66, 0x90, 0x0F, 0x1F, 0x00, 0xE9, 0xFB, 0x0F, 0xA0, 0xFF}},
};

}  // namespace

TEST(TrampolineBuilder, GoldenTargets_GiveTheirTrampolines) {
  for (const TTrampolineCase& row : kTrampolineCases) {
    SCOPED_TRACE(row.text);
    const TTrampolinePlan plan = PlanTrampoline(row.target.data(), row.target.size());
    ASSERT_EQ(plan.Error, TTrampolineError::kNone);
    EXPECT_EQ(plan.CoveredBytes, row.covered);
    EXPECT_EQ(plan.ExitStubs, row.exitStubs);
    EXPECT_EQ(plan.Size(), row.trampoline.size());
    EXPECT_EQ(BuildTrampoline(row.target.data(), plan, kTarget, kTrampoline), row.trampoline);
  }
}

TEST(TrampolineBuilder, UnhookableTargets_AreRefusedWithTheirReason) {
  struct TRefusal {
    const char* text;
    std::vector<std::uint8_t> target;
    TTrampolineError error;
  };
  const TRefusal rows[] = {
      {"xor eax,eax; ret; then the next routine",
       {0x31, 0xC0, 0xC3, 0x55, 0x89, 0xE5},
       TTrampolineError::kRoutineTooShort},
      {"jmp short; then other code",
       {0xEB, 0x10, 0x55, 0x89, 0xE5},
       TTrampolineError::kRoutineTooShort},
      {"jmp eax; then other code",
       {0xFF, 0xE0, 0x55, 0x89, 0xE5},
       TTrampolineError::kRoutineTooShort},
      {"call rel16 out of the block",
       {0x66, 0xE8, 0x00, 0x10, 0x90},
       TTrampolineError::kUnrelocatableBranch},
      {"the bytes end inside the block", {0x55, 0x89, 0xE5}, TTrampolineError::kNeedMoreData},
      {"ret, and the bytes end inside the padding", {0xC3, 0xCC}, TTrampolineError::kNeedMoreData},
  };
  for (const TRefusal& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(PlanTrampoline(row.target.data(), row.target.size()).Error, row.error);
  }
}

TEST(TrampolineBuilder, Jump_IsE9WithTheDisplacementFromItsEnd) {
  const TRelativeJump jump = EncodeJump(0x00401000, 0x00401010);
  EXPECT_EQ(jump.Opcode, 0xE9);
  EXPECT_EQ(jump.Displacement, 0x0B);
  EXPECT_EQ(EncodeJump(0x00401010, 0x00401000).Displacement, -0x15);
}

namespace {

// Where the relative branch decoded at `offset` of `code` leads, for code
// placed at `address`.
std::uint32_t BranchDestination(const std::uint8_t* code, std::size_t offset,
                                const TInstruction& decoded, std::uint32_t address) {
  const std::uint8_t* field = code + offset + decoded.RelativeOffset;
  std::int32_t displacement = 0;
  if (decoded.RelativeSize == 1) displacement = static_cast<std::int8_t>(*field);
  if (decoded.RelativeSize == 4) std::memcpy(&displacement, field, 4);
  return address + static_cast<std::uint32_t>(offset + decoded.Length + displacement);
}

// Follows a branch of the trampoline into its stubs to the final destination.
std::uint32_t ThroughStubs(const std::vector<std::uint8_t>& trampoline, std::uint32_t address,
                           std::uint32_t destination, std::size_t stubsStart) {
  const std::size_t offset = destination - address;
  if (destination < address || offset < stubsStart || offset >= trampoline.size()) {
    return destination;
  }
  const TInstruction jump = DecodeInstruction(trampoline.data() + offset, kJumpSize);
  EXPECT_EQ(trampoline[offset], 0xE9) << "a stub";
  return BranchDestination(trampoline.data(), offset, jump, address);
}

// A routine of the built DLL as a hook target: its first bytes in `image`,
// the address it is given, and the trampoline's plan.
struct TBuiltRoutine {
  std::string label;
  const std::uint8_t* target;
  std::size_t available;
  std::uint32_t targetAddress;
  TTrampolinePlan plan;
};

std::vector<TBuiltRoutine> BuiltRoutines(const std::string& image) {
  std::vector<TBuiltRoutine> routines;
  std::set<std::string> seen;
  for (const TCodeRun& run : ReadObjdumpRuns()) {
    if (!seen.insert(run.label).second) continue;  // only routine starts
    const auto* target = reinterpret_cast<const std::uint8_t*>(image.data()) + run.fileOffset;
    const std::size_t available = std::min<std::size_t>(32, image.size() - run.fileOffset);
    routines.push_back({run.label, target, available,
                        0x10000000u + static_cast<std::uint32_t>(run.fileOffset),
                        PlanTrampoline(target, available)});
  }
  return routines;
}

}  // namespace

// Every routine of the built DLL as a hook target: the trampoline holds the
// same instructions, and each branch in it leads where the routine's did.
TEST(TrampolineBuilder, EveryRoutineOfTheBuiltDll_KeepsWhereItsBranchesLead) {
  const std::string image = ReadBuiltDll();
  ASSERT_FALSE(image.empty());
  int planned = 0, tooShort = 0, failures = 0;
  for (const TBuiltRoutine& routine : BuiltRoutines(image)) {
    SCOPED_TRACE(routine.label);
    const std::uint8_t* target = routine.target;
    const std::size_t available = routine.available;
    const TTrampolinePlan& plan = routine.plan;
    if (plan.Error == TTrampolineError::kRoutineTooShort) {
      ++tooShort;
      continue;
    }
    ASSERT_EQ(plan.Error, TTrampolineError::kNone);
    ++planned;
    const std::uint32_t targetAddress = routine.targetAddress;
    const std::uint32_t trampolineAddress = 0x20000000u + 64u * static_cast<std::uint32_t>(planned);
    const std::vector<std::uint8_t> trampoline =
        BuildTrampoline(target, plan, targetAddress, trampolineAddress);
    for (std::size_t offset = 0; offset < plan.CoveredBytes;) {
      const TInstruction original = DecodeInstruction(target + offset, available - offset);
      const TInstruction copied =
          DecodeInstruction(trampoline.data() + offset, trampoline.size() - offset);
      EXPECT_EQ(copied.Length, original.Length);
      if (original.Branch != TRelativeBranch::kNone) {
        const std::uint32_t before = BranchDestination(target, offset, original, targetAddress);
        const bool inside = before - targetAddress < plan.CoveredBytes;
        const std::uint32_t expected =
            inside ? trampolineAddress + (before - targetAddress) : before;
        const std::uint32_t after =
            ThroughStubs(trampoline, trampolineAddress,
                         BranchDestination(trampoline.data(), offset, copied, trampolineAddress),
                         plan.CoveredBytes + kJumpSize);
        if (after != expected) ++failures;
        EXPECT_EQ(after, expected) << "branch at offset " << offset;
      }
      offset += WalkStep(original);
    }
    const TInstruction back = DecodeInstruction(trampoline.data() + plan.CoveredBytes, kJumpSize);
    EXPECT_EQ(BranchDestination(trampoline.data(), plan.CoveredBytes, back, trampolineAddress),
              targetAddress + plan.CoveredBytes);
    ASSERT_LT(failures, 20);
  }
  EXPECT_GT(planned, 500) << "too few routines to say much";
  RecordProperty("routines_planned", planned);
  RecordProperty("routines_too_short", tooShort);
}

// Every routine of the built DLL as a hook target: the places are exactly the
// trampoline's instructions, one after the other; a copy has its original's
// offset and length, and the jump back and each stub jump to the place they
// name.
TEST(TrampolineBuilder, EveryRoutineOfTheBuiltDll_HasPlacesThatMatchItsTrampoline) {
  const std::string image = ReadBuiltDll();
  ASSERT_FALSE(image.empty());
  int checked = 0, failures = 0;
  for (const TBuiltRoutine& routine : BuiltRoutines(image)) {
    if (routine.plan.Error != TTrampolineError::kNone) continue;
    SCOPED_TRACE(routine.label);
    ++checked;
    const TTrampolinePlan& plan = routine.plan;
    const std::vector<std::uint8_t> trampoline =
        BuildTrampoline(routine.target, plan, routine.targetAddress, kTrampoline);
    std::size_t expectedOffset = 0;
    for (const TTrampolinePlace& place :
         TrampolinePlaces(routine.target, plan, routine.targetAddress)) {
      const bool copy = place.Offset < plan.CoveredBytes;
      const TInstruction here =
          DecodeInstruction(trampoline.data() + place.Offset, trampoline.size() - place.Offset);
      bool right = place.Offset == expectedOffset && place.Copied == copy;
      if (copy) {
        const TInstruction original =
            DecodeInstruction(routine.target + place.Offset, routine.available - place.Offset);
        right = right && place.TargetAddress == routine.targetAddress + place.Offset &&
                WalkStep(here) == WalkStep(original);
      } else {
        right = right && trampoline[place.Offset] == 0xE9 &&
                BranchDestination(trampoline.data(), place.Offset, here, kTrampoline) ==
                    place.TargetAddress;
      }
      if (!right) ++failures;
      EXPECT_TRUE(right) << "place at trampoline offset " << place.Offset;
      expectedOffset = place.Offset + WalkStep(here);
    }
    EXPECT_EQ(expectedOffset, trampoline.size()) << "the places end where the trampoline does";
    ASSERT_LT(failures, 20);
  }
  EXPECT_GT(checked, 500) << "too few routines to say much";
}
