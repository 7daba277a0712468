// TDovaroStackList: the call stack items of one or more threads in scan
// order, each a zero-filled TCodeLocation owned by the list. The minimal
// module entries of items found without lookups (handle and file name only)
// belong to the list as well.
//
// Not for contexts that forbid the heap: adding allocates.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "debuginfo/EDebug.h"
#include "engine/ECoreModules.h"

// A list accepts no item once it holds more than this many (at most 1025).
inline constexpr std::size_t kMaxStackListItems = 1024;

class TDovaroStackList {
 public:
  TDovaroStackList() = default;
  ~TDovaroStackList();
  TDovaroStackList(const TDovaroStackList&) = delete;
  TDovaroStackList& operator=(const TDovaroStackList&) = delete;

  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  TCodeLocation& operator[](std::size_t index) { return *items_[index]; }
  const TCodeLocation& operator[](std::size_t index) const { return *items_[index]; }

  // False (nothing added) once the list holds more than kMaxStackListItems.
  bool CanAdd() const { return items_.size() <= kMaxStackListItems; }
  void Append(std::unique_ptr<TCodeLocation> item);
  // A zero-filled record for the caller to fill and Append.
  static std::unique_ptr<TCodeLocation> NewItem();
  // A module entry with just a handle and a file name, kept until the list
  // is cleared or destroyed.
  TDovaroModuleInfo* MinimalModuleEntry(std::uintptr_t handle, std::string fileName);

  void Delete(std::size_t index);
  void Clear();

 private:
  std::vector<std::unique_ptr<TCodeLocation>> items_;
  std::vector<std::unique_ptr<TDovaroModuleInfo>> minimalEntries_;
};
