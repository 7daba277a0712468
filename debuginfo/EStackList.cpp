#include "debuginfo/EStackList.h"

#include <cstring>

#include "engine/ECoreModules.h"

TDovaroStackList::~TDovaroStackList() = default;

std::unique_ptr<TCodeLocation> TDovaroStackList::NewItem() {
  auto item = std::make_unique<TCodeLocation>();
  std::memset(item.get(), 0, sizeof(TCodeLocation));
  return item;
}

void TDovaroStackList::Append(std::unique_ptr<TCodeLocation> item) {
  if (item && CanAdd()) items_.push_back(std::move(item));
}

TDovaroModuleInfo* TDovaroStackList::MinimalModuleEntry(std::uintptr_t handle,
                                                        std::string fileName) {
  auto entry = std::make_unique<TDovaroModuleInfo>();
  entry->Handle = reinterpret_cast<TModuleHandle>(handle);
  entry->FileName = std::move(fileName);
  minimalEntries_.push_back(std::move(entry));
  return minimalEntries_.back().get();
}

void TDovaroStackList::Delete(std::size_t index) {
  if (index < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TDovaroStackList::Clear() {
  items_.clear();
  minimalEntries_.clear();
}
