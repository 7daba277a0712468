// Where a suspended thread must go on when the code it stands in is patched:
// into the trampoline while a code hook's jump is written, back into the
// target while the saved bytes are written back.
//
// Pure (no windows.h, no lock); the functions allocate only the returned
// list, so they run before any thread is suspended.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/EHookTrampoline.h"

// A thread whose instruction pointer equals From continues at To.
struct TThreadMove {
  std::uint32_t From = 0;
  std::uint32_t To = 0;
  bool operator==(const TThreadMove&) const = default;
};

// While the jump is written over the covered instructions: a thread at any of
// them, the first included, continues at its copy in the trampoline. The
// first is no exception because a thread there may have come back by a loop
// inside the routine rather than by a call, and the replacement expects a
// call. Requires a plan without error for the same bytes.
std::vector<TThreadMove> MovesIntoTrampoline(const std::uint8_t* target,
                                             const TTrampolinePlan& plan,
                                             std::uint32_t targetAddress,
                                             std::uint32_t trampolineAddress);

// While the covered bytes are written back: a thread at any instruction of
// the trampoline (a copy, the jump back, an exit stub) continues at the place
// of the target that does the same, since the trampoline is freed afterwards.
std::vector<TThreadMove> MovesOutOfTrampoline(const std::uint8_t* target,
                                              const TTrampolinePlan& plan,
                                              std::uint32_t targetAddress,
                                              std::uint32_t trampolineAddress);

// The move that starts at `instructionPointer`, or nullptr.
const TThreadMove* FindMove(std::span<const TThreadMove> moves,
                            std::uint32_t instructionPointer) noexcept;
