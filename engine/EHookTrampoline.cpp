#include "engine/EHookTrampoline.h"

#include <cstring>

#include "engine/EHookInstructionLength.h"

namespace {

constexpr std::uint8_t kJumpOpcode = 0xE9;

// Whether an instruction is fill that assemblers and linkers put between
// routines: INT3, NOP (also with prefixes), the multi-byte NOP 0F 1F, and the
// do-nothing "mov reg,reg" and "lea reg,[reg+0]" forms.
bool IsPadding(const std::uint8_t* instruction, const TInstruction& decoded) {
  if (decoded.Status != TDecodeStatus::kDecoded) return false;
  const std::uint8_t* opcode = instruction + decoded.PrefixLength;
  const std::size_t rest = decoded.Length - decoded.PrefixLength;
  switch (opcode[0]) {
    case 0x90:
    case 0xCC:
      return true;
    case 0x0F:
      return opcode[1] == 0x1F;
    case 0x89:
    case 0x8B:
      return (opcode[1] >> 6) == 3 && ((opcode[1] >> 3) & 7) == (opcode[1] & 7);
    case 0x8D: {
      const unsigned mod = opcode[1] >> 6, reg = (opcode[1] >> 3) & 7, rm = opcode[1] & 7;
      if (mod == 0 || mod == 3) return false;
      std::size_t displacementAt = 2;
      unsigned base = rm;
      if (rm == 4) {
        const std::uint8_t sib = opcode[2];
        if (((sib >> 3) & 7) != 4) return false;  // an index register takes part
        base = sib & 7;
        displacementAt = 3;
      }
      if (base != reg) return false;
      for (std::size_t i = displacementAt; i < rest; ++i) {
        if (opcode[i] != 0) return false;
      }
      return true;
    }
    default:
      return false;
  }
}

// Whether execution never falls through to the next instruction.
bool EndsFlow(const std::uint8_t* instruction, const TInstruction& decoded) {
  switch (decoded.Opcode) {
    case 0xC2:
    case 0xC3:
    case 0xCA:
    case 0xCB:
    case 0xE9:
    case 0xEB:
      return true;
    case 0xFF: {
      const unsigned reg = (instruction[decoded.PrefixLength + 1] >> 3) & 7;
      return reg == 4 || reg == 5;
    }
    default:
      return false;
  }
}

// The destination of a relative branch at `offset`, relative to the block start.
std::int64_t BranchDestination(std::size_t offset, const TInstruction& decoded) {
  return static_cast<std::int64_t>(offset + decoded.Length) + decoded.RelativeDisplacement;
}

bool LeavesBlock(std::int64_t destination, std::size_t covered) {
  return destination < 0 || destination >= static_cast<std::int64_t>(covered);
}

}  // namespace

TRelativeJump EncodeJump(std::uint32_t at, std::uint32_t destination) noexcept {
  return TRelativeJump{kJumpOpcode, static_cast<std::int32_t>(destination - (at + kJumpSize))};
}

TTrampolinePlan PlanTrampoline(const std::uint8_t* target, std::size_t available) noexcept {
  TTrampolinePlan plan;
  std::int64_t branchTargets[kJumpSize];  // where earlier branches of the block lead
  std::size_t branchCount = 0;
  auto isBranchTarget = [&](std::size_t offset) {
    for (std::size_t i = 0; i < branchCount; ++i) {
      if (branchTargets[i] == static_cast<std::int64_t>(offset)) return true;
    }
    return false;
  };
  bool flowEnded = false;  // after a return or jump, only fill or a branch target may follow
  std::size_t offset = 0;
  while (offset < kJumpSize) {
    const TInstruction decoded = DecodeInstruction(target + offset, available - offset);
    const std::size_t step = WalkStep(decoded);
    if (step == 0) {
      plan.Error = TTrampolineError::kNeedMoreData;
      return plan;
    }
    if (flowEnded && !isBranchTarget(offset)) {
      // The jump will overwrite what follows the routine's end: it must be fill.
      if (!IsPadding(target + offset, decoded)) {
        plan.Error = TTrampolineError::kRoutineTooShort;
        return plan;
      }
    } else {
      flowEnded = decoded.Status == TDecodeStatus::kDecoded && EndsFlow(target + offset, decoded);
      if (decoded.Branch != TRelativeBranch::kNone) {
        branchTargets[branchCount++] = BranchDestination(offset, decoded);
      }
    }
    offset += step;
  }
  plan.CoveredBytes = offset;
  for (offset = 0; offset < plan.CoveredBytes;) {
    const TInstruction decoded = DecodeInstruction(target + offset, available - offset);
    if (decoded.Branch != TRelativeBranch::kNone &&
        LeavesBlock(BranchDestination(offset, decoded), plan.CoveredBytes)) {
      if (decoded.Branch == TRelativeBranch::kShort) ++plan.ExitStubs;
      if (decoded.RelativeSize == 2) {
        plan.Error = TTrampolineError::kUnrelocatableBranch;
        return plan;
      }
    }
    offset += WalkStep(decoded);
  }
  return plan;
}

std::vector<std::uint8_t> BuildTrampoline(const std::uint8_t* target, const TTrampolinePlan& plan,
                                          std::uint32_t targetAddress,
                                          std::uint32_t trampolineAddress) {
  std::vector<std::uint8_t> trampoline(plan.Size());
  std::memcpy(trampoline.data(), target, plan.CoveredBytes);
  auto putJump = [&](std::size_t at, std::uint32_t destination) {
    const TRelativeJump jump = EncodeJump(trampolineAddress + at, destination);
    std::memcpy(trampoline.data() + at, &jump, sizeof jump);
  };
  putJump(plan.CoveredBytes, targetAddress + plan.CoveredBytes);

  std::size_t nextStub = plan.CoveredBytes + kJumpSize;
  for (std::size_t offset = 0; offset < plan.CoveredBytes;) {
    const TInstruction decoded = DecodeInstruction(target + offset, plan.CoveredBytes - offset);
    if (decoded.Branch != TRelativeBranch::kNone) {
      const std::int64_t destination = BranchDestination(offset, decoded);
      std::uint8_t* field = trampoline.data() + offset + decoded.RelativeOffset;
      if (LeavesBlock(destination, plan.CoveredBytes)) {
        if (decoded.Branch == TRelativeBranch::kShort) {
          // The stubs sit at most a few dozen bytes ahead, always within reach.
          *field = static_cast<std::uint8_t>(nextStub - (offset + decoded.Length));
          putJump(nextStub, targetAddress + static_cast<std::uint32_t>(destination));
          nextStub += kJumpSize;
        } else {
          const std::int32_t moved =
              static_cast<std::int32_t>(static_cast<std::uint32_t>(decoded.RelativeDisplacement) +
                                        targetAddress - trampolineAddress);
          std::memcpy(field, &moved, sizeof moved);
        }
      }
    }
    offset += WalkStep(decoded);
  }
  return trampoline;
}

std::vector<TTrampolinePlace> TrampolinePlaces(const std::uint8_t* target,
                                               const TTrampolinePlan& plan,
                                               std::uint32_t targetAddress) {
  std::vector<TTrampolinePlace> places;
  std::vector<TTrampolinePlace> stubs;
  std::size_t nextStub = plan.CoveredBytes + kJumpSize;
  for (std::size_t offset = 0; offset < plan.CoveredBytes;) {
    const TInstruction decoded = DecodeInstruction(target + offset, plan.CoveredBytes - offset);
    places.push_back({offset, targetAddress + static_cast<std::uint32_t>(offset), true});
    if (decoded.Branch == TRelativeBranch::kShort) {
      const std::int64_t destination = BranchDestination(offset, decoded);
      if (LeavesBlock(destination, plan.CoveredBytes)) {
        stubs.push_back({nextStub, targetAddress + static_cast<std::uint32_t>(destination), false});
        nextStub += kJumpSize;
      }
    }
    offset += WalkStep(decoded);
  }
  places.push_back(
      {plan.CoveredBytes, targetAddress + static_cast<std::uint32_t>(plan.CoveredBytes), false});
  places.insert(places.end(), stubs.begin(), stubs.end());
  return places;
}
