#include "engine/EHookMethods.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/ECoreMemory.h"
#include "engine/EHookCodeWriter.h"
#include "engine/EHookErrors.h"
#include "engine/EHookPlatform.h"
#include "engine/EHookUnit.h"

namespace {

// The name a failed method hook reports: "slot <n> of method table <address>".
std::string MethodHookName(TMethodTable methodTable, std::ptrdiff_t slot) {
  char text[64];
  std::snprintf(text, sizeof text, "slot %d of method table %08X", static_cast<int>(slot),
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(methodTable)));
  return text;
}

void** SlotAddress(TMethodTable methodTable, std::ptrdiff_t slot) {
  return const_cast<void**>(methodTable + slot);
}

}  // namespace

THookedMethodsList::~THookedMethodsList() {
  std::lock_guard guard(lock_);
  while (!records_.empty()) {
    const TRecord& record = records_.back();
    WriteSlot(SlotAddress(record.methodTable, record.slot), record.replaced);
    records_.pop_back();
  }
}

std::vector<THookedMethodsList::TRecord>::iterator THookedMethodsList::Find(
    TMethodTable methodTable, std::ptrdiff_t slot) {
  return std::find_if(records_.begin(), records_.end(), [&](const TRecord& record) {
    return record.methodTable == methodTable && record.slot == slot;
  });
}

void* THookedMethodsList::Hook(TMethodTable methodTable, std::ptrdiff_t slot, void* method) {
  std::lock_guard guard(lock_);
  void** address = SlotAddress(methodTable, slot);
  void* current = nullptr;
  if (!LiveMemory().ReadRecord(AddressOf(address), current)) {
    throw EHookingError(MethodHookName(methodTable, slot));
  }
  if (current == method) {
    const auto record = Find(methodTable, slot);
    return record != records_.end() ? record->replaced : nullptr;
  }
  if (!ContainingModule(address)) return nullptr;
  // A slot hooked again keeps the record of its first value: that is what
  // unhooking must write back.
  const bool recorded = Find(methodTable, slot) != records_.end();
  if (!recorded) records_.reserve(records_.size() + 1);
  if (!WriteSlot(address, method)) {
    throw EHookingError(MethodHookName(methodTable, slot));
  }
  if (!recorded) records_.push_back({methodTable, current, slot});
  return current;
}

bool THookedMethodsList::Unhook(TMethodTable methodTable, std::ptrdiff_t slot) noexcept {
  std::lock_guard guard(lock_);
  const auto record = Find(methodTable, slot);
  if (record == records_.end()) return false;
  WriteSlot(SlotAddress(methodTable, slot), record->replaced);
  records_.erase(record);
  return true;
}

void* HookVirtualMethod(TMethodTable methodTable, std::ptrdiff_t slot, void* method) {
  THookedMethodsList* methods = ActiveHookedMethods();
  if (!methods) throw EHookingError(MethodHookName(methodTable, slot));
  return methods->Hook(methodTable, slot, method);
}

bool UnhookVirtualMethod(TMethodTable methodTable, std::ptrdiff_t slot) noexcept {
  THookedMethodsList* methods = ActiveHookedMethods();
  return methods && methods->Unhook(methodTable, slot);
}
