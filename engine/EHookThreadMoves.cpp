#include "engine/EHookThreadMoves.h"

namespace {

enum class TDirection : bool { kIntoTrampoline, kOutOfTrampoline };

std::vector<TThreadMove> Moves(const std::uint8_t* target, const TTrampolinePlan& plan,
                               std::uint32_t targetAddress, std::uint32_t trampolineAddress,
                               TDirection direction) {
  std::vector<TThreadMove> moves;
  for (const TTrampolinePlace& place : TrampolinePlaces(target, plan, targetAddress)) {
    const std::uint32_t inTrampoline = trampolineAddress + static_cast<std::uint32_t>(place.Offset);
    if (direction == TDirection::kOutOfTrampoline) {
      moves.push_back({inTrampoline, place.TargetAddress});
    } else if (place.Copied) {
      moves.push_back({place.TargetAddress, inTrampoline});
    }
  }
  return moves;
}

}  // namespace

std::vector<TThreadMove> MovesIntoTrampoline(const std::uint8_t* target,
                                             const TTrampolinePlan& plan,
                                             std::uint32_t targetAddress,
                                             std::uint32_t trampolineAddress) {
  return Moves(target, plan, targetAddress, trampolineAddress, TDirection::kIntoTrampoline);
}

std::vector<TThreadMove> MovesOutOfTrampoline(const std::uint8_t* target,
                                              const TTrampolinePlan& plan,
                                              std::uint32_t targetAddress,
                                              std::uint32_t trampolineAddress) {
  return Moves(target, plan, targetAddress, trampolineAddress, TDirection::kOutOfTrampoline);
}

const TThreadMove* FindMove(std::span<const TThreadMove> moves,
                            std::uint32_t instructionPointer) noexcept {
  for (const TThreadMove& move : moves) {
    if (move.From == instructionPointer) return &move;
  }
  return nullptr;
}
