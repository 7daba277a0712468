#include "engine/EHookCode.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/ECoreMemory.h"
#include "engine/EHookCodeWriter.h"
#include "engine/EHookErrors.h"
#include "engine/EHookProcedureLength.h"
#include "engine/EHookPlatform.h"
#include "engine/EHookThreadMoves.h"
#include "engine/EHookTrampoline.h"
#include "engine/EHookUnit.h"

namespace {

// Enough for the longest block the jump can cover (4 + 15 bytes) and the
// padding check after an early return.
constexpr std::size_t kTargetPeek = 32;

std::uint32_t AddressValue(const void* address) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address));
}

}  // namespace

struct TCodeHookList::TRecord {
  struct TTrampolineDeleter {
    HANDLE heap;
    void operator()(std::uint8_t* trampoline) const noexcept { HeapFree(heap, 0, trampoline); }
  };

  std::uint8_t* target = nullptr;
  std::unique_ptr<std::uint8_t, TTrampolineDeleter> trampoline;
  std::size_t trampolineSize = 0;
  std::vector<std::uint8_t> savedBytes;   // the covered bytes as they were
  std::vector<TThreadMove> leavingMoves;  // out of the trampoline, for the restore
};

void TCodeHookList::THeapDeleter::operator()(void* heap) const noexcept {
  HeapDestroy(heap);
}

TCodeHookList::TCodeHookList() : heap_(HeapCreate(HEAP_CREATE_ENABLE_EXECUTE, 0, 0)) {}

TCodeHookList::~TCodeHookList() {
  UnhookAll();
}

void* TCodeHookList::Hook(void* target, void* replacement, const std::string& name) {
  std::lock_guard guard(lock_);
  const auto existing = std::find_if(records_.begin(), records_.end(),
                                     [&](const auto& record) { return record->target == target; });
  if (existing != records_.end()) return (*existing)->trampoline.get();
  if (!heap_ || !replacement) throw EHookingError(name);

  std::uint8_t peek[kTargetPeek];
  const std::size_t available = LiveMemory().Read(AddressOf(target), peek, sizeof peek);
  const TTrampolinePlan plan = PlanTrampoline(peek, available);
  if (plan.Error != TTrampolineError::kNone) throw EHookingError(name);

  auto record = std::make_unique<TRecord>();
  record->target = static_cast<std::uint8_t*>(target);
  record->trampolineSize = plan.Size();
  record->savedBytes.assign(peek, peek + plan.CoveredBytes);
  record->trampoline = {static_cast<std::uint8_t*>(HeapAlloc(heap_.get(), 0, plan.Size())),
                        {heap_.get()}};
  if (!record->trampoline) throw EHookingError(name);
  std::uint8_t* trampoline = record->trampoline.get();
  const std::vector<std::uint8_t> bytes =
      BuildTrampoline(peek, plan, AddressValue(target), AddressValue(trampoline));
  std::memcpy(trampoline, bytes.data(), bytes.size());
  FlushInstructionCache(GetCurrentProcess(), trampoline, bytes.size());
  const std::vector<TThreadMove> enteringMoves =
      MovesIntoTrampoline(peek, plan, AddressValue(target), AddressValue(trampoline));
  record->leavingMoves =
      MovesOutOfTrampoline(peek, plan, AddressValue(target), AddressValue(trampoline));
  records_.reserve(records_.size() + 1);  // recording must not fail once the jump is in place
  if (!WriteJump(target, replacement, enteringMoves)) throw EHookingError(name);
  records_.push_back(std::move(record));
  return trampoline;
}

void TCodeHookList::Restore(TRecord& record) noexcept {
  WriteCode(record.target, record.savedBytes.data(), record.savedBytes.size(), record.leavingMoves);
}

bool TCodeHookList::Unhook(void* address) noexcept {
  std::lock_guard guard(lock_);
  bool found = false;
  for (auto it = records_.begin(); it != records_.end();) {
    if ((*it)->target == address || (*it)->trampoline.get() == address) {
      Restore(**it);
      it = records_.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  return found;
}

void TCodeHookList::UnhookAll() noexcept {
  std::lock_guard guard(lock_);
  while (!records_.empty()) {
    Restore(*records_.back());
    records_.pop_back();
  }
}

void* HookProcedure(void* target, void* replacement, const std::string& name) {
  target = FollowJump(target);
  replacement = FollowJump(replacement);
  if (!target) throw EProcNull(name);
  CheckOutsideSharedArea(target);
  try {
    TCodeHookList* hooks = ActiveCodeHooks();
    if (!hooks) throw EHookingError(name);
    return hooks->Hook(target, replacement, name);
  } catch (...) {
    throw EHookingError(name);
  }
}

bool UnhookProcedure(const void* address) noexcept {
  TCodeHookList* hooks = ActiveCodeHooks();
  if (!hooks || !address) return false;
  void* exact = const_cast<void*>(address);
  if (hooks->Unhook(exact)) return true;
  void* followed = FollowJump(exact);
  return followed != exact && hooks->Unhook(followed);
}

std::size_t ProcedureLength(const void* address, std::size_t limit) noexcept {
  return MeasureProcedureLength(LiveMemory(), AddressOf(address), limit);
}
