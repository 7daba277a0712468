// Virtual-method hooks: a slot of a class's method table (for our C++
// classes, the virtual table a polymorphic object's first word points at) is
// replaced, and the replaced method is recorded so that it can be written
// back.
//
// Method hooks are installed from CreateThread calls in any thread, so the
// list has its own lock. Not for exception handling.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

// A class's method table: the array of its virtual methods.
using TMethodTable = void* const*;

// The recorded method hooks. Destroying the list undoes every one of them.
class THookedMethodsList {
 public:
  THookedMethodsList() = default;
  ~THookedMethodsList();
  THookedMethodsList(const THookedMethodsList&) = delete;
  THookedMethodsList& operator=(const THookedMethodsList&) = delete;

  void* Hook(TMethodTable methodTable, std::ptrdiff_t slot, void* method);
  bool Unhook(TMethodTable methodTable, std::ptrdiff_t slot) noexcept;

 private:
  struct TRecord {
    TMethodTable methodTable;
    void* replaced;
    std::ptrdiff_t slot;
  };

  std::vector<TRecord>::iterator Find(TMethodTable methodTable, std::ptrdiff_t slot);

  std::mutex lock_;
  std::vector<TRecord> records_;
};

// Writes `method` into slot `slot` of the method table and returns the
// method it replaced. When the slot already holds `method`, returns the
// method recorded for (table, slot), or nullptr when there is none. A slot
// hooked again with another method keeps its first record, so unhooking
// restores the method the class had. A slot
// that does not lie inside a loaded module is left alone and gives nullptr.
// Raises EHookingError when the hook unit has not started or the slot cannot
// be read.
void* HookVirtualMethod(TMethodTable methodTable, std::ptrdiff_t slot, void* method);

// Writes the recorded method back into the slot and forgets the record;
// false when there is none. Never raises.
bool UnhookVirtualMethod(TMethodTable methodTable, std::ptrdiff_t slot) noexcept;

// The method table of a polymorphic object.
template <class Class>
TMethodTable MethodTableOf(const Class& object) {
  TMethodTable table;
  std::memcpy(&table, &object, sizeof table);
  return table;
}

// The slot of a virtual member function in its class's method table. In the
// Itanium C++ ABI that GCC follows, a pointer to a virtual member holds
// 1 + the slot's byte offset.
template <class Member>
std::ptrdiff_t VirtualMethodSlot(Member member) {
  static_assert(sizeof(Member) == 2 * sizeof(std::uintptr_t), "a pointer to member function");
  std::uintptr_t words[2];
  std::memcpy(words, &member, sizeof words);
  return static_cast<std::ptrdiff_t>((words[0] - 1) / sizeof(void*));
}
