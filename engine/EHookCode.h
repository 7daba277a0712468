// Code hooks: the entry of a routine is redirected to a replacement, and a
// trampoline keeps the old behaviour callable.
//
// Hooks are installed during unit start and removed at unit end; the list is
// locked, so installing from another thread is safe. While a target is
// patched the process's other threads (except the engine's own) are
// suspended, so a thread executing it sees either the old bytes or the new
// jump: one that stands inside the covered bytes is moved to the same
// instruction in the trampoline, and on unhooking one inside the trampoline
// is moved back to the target. Return addresses are not moved: unhooking
// while a thread is still inside a call made from the trampoline, or still
// inside the replacement and about to call the trampoline, is the caller's
// fault. None of this may run inside exception handling.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The code hooks of the process, each owning its trampoline and the saved
// first bytes of its target. Destroying the list undoes its hooks, the last
// first.
class TCodeHookList {
 public:
  TCodeHookList();
  ~TCodeHookList();
  TCodeHookList(const TCodeHookList&) = delete;
  TCodeHookList& operator=(const TCodeHookList&) = delete;

  // See HookProcedure; `target` and `replacement` are already followed
  // through indirect-jump thunks. Raises EHookingError.
  void* Hook(void* target, void* replacement, const std::string& name);
  // See UnhookProcedure.
  bool Unhook(void* address) noexcept;
  void UnhookAll() noexcept;

 private:
  struct TRecord;
  struct THeapDeleter {
    void operator()(void* heap) const noexcept;
  };

  void Restore(TRecord& record) noexcept;

  std::mutex lock_;
  std::unique_ptr<void, THeapDeleter> heap_;  // executable, holds the trampolines
  std::vector<std::unique_ptr<TRecord>> records_;
};

// Redirects `target` to `replacement` and returns the trampoline: calling it
// behaves like calling the unpatched target. Both addresses are first
// followed through an indirect-jump thunk (FF 25). Hooking a hooked target
// again returns its trampoline unchanged.
// Raises EProcNull for a null target, ESharedArea for a target in the 9x
// shared area, and EHookingError (with `name`) for every other failure,
// including a hook unit that has not started.
void* HookProcedure(void* target, void* replacement, const std::string& name);

// Typed form: the trampoline has the target's type.
template <class Function>
Function HookProcedure(Function target, Function replacement, const std::string& name) {
  return reinterpret_cast<Function>(
      HookProcedure(reinterpret_cast<void*>(target), reinterpret_cast<void*>(replacement), name));
}

// `address` is a hooked target (or a thunk leading to one) or a trampoline:
// writes the saved bytes back and frees the trampoline. False when no hook
// has that address. Never raises.
bool UnhookProcedure(const void* address) noexcept;

// The length of the routine at `address` up to its first return, walked
// within `limit` bytes of readable memory (see MeasureProcedureLength).
std::size_t ProcedureLength(const void* address, std::size_t limit) noexcept;
