// The trampoline of a code hook, built as a pure function of the target's
// first bytes and the two addresses: the whole instructions that the 5-byte
// jump at the target will cover, relocated; the jump back to the first
// instruction not covered; then one 5-byte jump for every short branch that
// leaves the covered block, since a short branch cannot reach that far.
//
// No windows.h, no lock; the builder allocates only the returned bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#pragma pack(push, 1)
// JMP rel32: opcode E9 and the displacement destination - (jump address + 5).
struct TRelativeJump {
  std::uint8_t Opcode;
  std::int32_t Displacement;
};
#pragma pack(pop)
static_assert(sizeof(TRelativeJump) == 5);

inline constexpr std::size_t kJumpSize = sizeof(TRelativeJump);

TRelativeJump EncodeJump(std::uint32_t at, std::uint32_t destination) noexcept;

enum class TTrampolineError : std::uint8_t {
  kNone,
  kNeedMoreData,         // the bytes given end inside the instructions to cover
  kUnrelocatableBranch,  // a 16-bit relative branch leaves the covered block
  kRoutineTooShort,      // the routine ends (return or jump) before 5 bytes and what follows
                         // is not fill, so the jump would overwrite other code
};

struct TTrampolinePlan {
  TTrampolineError Error = TTrampolineError::kNone;
  std::size_t CoveredBytes = 0;  // whole instructions, at least kJumpSize
  std::size_t ExitStubs = 0;     // short branches inside the block whose destination is outside
  std::size_t Size() const noexcept { return CoveredBytes + kJumpSize * (1 + ExitStubs); }
};

// Decides which bytes the jump covers; `target` holds the `available` bytes
// that could be read at the routine's start.
TTrampolinePlan PlanTrampoline(const std::uint8_t* target, std::size_t available) noexcept;

// The trampoline's bytes (plan.Size() of them) for a routine at
// `targetAddress` whose trampoline will live at `trampolineAddress`.
// Requires a plan without error for the same bytes.
std::vector<std::uint8_t> BuildTrampoline(const std::uint8_t* target, const TTrampolinePlan& plan,
                                          std::uint32_t targetAddress,
                                          std::uint32_t trampolineAddress);

// An instruction of the trampoline and the place in the target that does the
// same work. Relocation keeps every copied instruction's length (a short
// branch keeps its 8-bit form and is aimed at a stub), so a copied
// instruction has the offset of its original.
struct TTrampolinePlace {
  std::size_t Offset = 0;           // in the trampoline
  std::uint32_t TargetAddress = 0;  // the original, the first instruction not covered, or
                                    // the destination of the exit stub's branch
  bool Copied = false;              // a copied instruction (not the jump back or a stub)
};

// Every instruction of the trampoline in order: the copied instructions, the
// jump back, the exit stubs. Requires a plan without error for the same bytes.
std::vector<TTrampolinePlace> TrampolinePlaces(const std::uint8_t* target,
                                               const TTrampolinePlan& plan,
                                               std::uint32_t targetAddress);
