#include "engine/EHookCodeWriter.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "engine/EHookThreadFreeze.h"
#include "engine/EHookTrampoline.h"
#include "engine/EHookUnit.h"

namespace {

constexpr std::uintptr_t kPageSize = 4096;

// The pages of a write opened for writing, restored when it ends. Holds no
// heap memory, so it may work while other threads are suspended.
class TOpenedPages {
 public:
  TOpenedPages(void* address, std::size_t count) noexcept {
    const auto start = reinterpret_cast<std::uintptr_t>(address);
    // Page by page: the pages may have had different protections.
    for (std::uintptr_t page = start & ~(kPageSize - 1); page < start + count; page += kPageSize) {
      if (opened_ == pages_.size()) return;
      TPage& opened = pages_[opened_];
      opened.address = reinterpret_cast<void*>(page);
      if (!VirtualProtect(opened.address, 1, PAGE_EXECUTE_READWRITE, &opened.oldProtection)) {
        return;
      }
      ++opened_;
    }
    writable_ = true;
  }
  ~TOpenedPages() {
    for (std::size_t i = 0; i < opened_; ++i) {
      DWORD ignored = 0;
      VirtualProtect(pages_[i].address, 1, pages_[i].oldProtection, &ignored);
    }
  }
  TOpenedPages(const TOpenedPages&) = delete;
  TOpenedPages& operator=(const TOpenedPages&) = delete;

  bool Writable() const noexcept { return writable_; }

 private:
  struct TPage {
    void* address = nullptr;
    DWORD oldProtection = 0;
  };
  std::array<TPage, 2> pages_{};  // a patch is far shorter than a page
  std::size_t opened_ = 0;
  bool writable_ = false;
};

}  // namespace

bool WriteCode(void* address, const void* bytes, std::size_t count,
               std::span<const TThreadMove> moves) noexcept {
  if (count == 0) return true;
  const TOpenedPages pages(address, count);  // before the freeze, to keep it short
  if (!pages.Writable()) return false;
  TThreadFreeze freeze(EngineThreadTest());
  std::memcpy(address, bytes, count);
  FlushInstructionCache(GetCurrentProcess(), address, count);
  freeze.MoveThreads(moves);
  return true;
}

bool WriteJump(void* address, const void* destination,
               std::span<const TThreadMove> moves) noexcept {
  const TRelativeJump jump =
      EncodeJump(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address)),
                 static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(destination)));
  return WriteCode(address, &jump, sizeof jump, moves);
}

bool WriteSlot(void* slot, const void* value) noexcept {
  const TOpenedPages pages(slot, sizeof value);
  if (!pages.Writable()) return false;
  InterlockedExchange(static_cast<volatile LONG*>(slot),
                      static_cast<LONG>(reinterpret_cast<std::uintptr_t>(value)));
  FlushInstructionCache(GetCurrentProcess(), slot, sizeof value);
  return true;
}
