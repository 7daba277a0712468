#include "debuginfo/ESnapshotThreads.h"

#include <algorithm>

namespace {

// The last entry that matches, or null.
template <class Matches>
TDovaroThreadEntry* LastEntryWhere(std::vector<TDovaroThreadEntry>& entries, Matches matches) {
  const auto found = std::find_if(entries.rbegin(), entries.rend(), matches);
  return found == entries.rend() ? nullptr : &*found;
}

auto WithThreadId(std::uint32_t threadId) {
  return [threadId](const TDovaroThreadEntry& entry) { return entry.ThreadId == threadId; };
}

std::optional<TDovaroThreadEntry> EntryAt(std::span<const TDovaroThreadEntry> entries, int index) {
  if (index < 0) return std::nullopt;
  return entries[static_cast<std::size_t>(index)];
}

}  // namespace

int TDovaroThreadsList::TReadAccess::LastIndexWhere(
    const std::function<bool(const TDovaroThreadEntry&)>& matches) const {
  for (std::size_t i = entries_.size(); i-- > 0;)
    if (matches(entries_[i])) return static_cast<int>(i);
  return -1;
}

int TDovaroThreadsList::TReadAccess::IndexOfThreadId(std::uint32_t threadId) const {
  return LastIndexWhere(WithThreadId(threadId));
}

int TDovaroThreadsList::TReadAccess::IndexOfHandle(const void* threadHandle) const {
  return LastIndexWhere(
      [&](const TDovaroThreadEntry& e) { return e.ThreadHandle == threadHandle; });
}

int TDovaroThreadsList::TReadAccess::IndexOfObject(const void* threadObject) const {
  return LastIndexWhere(
      [&](const TDovaroThreadEntry& e) { return e.ThreadObject == threadObject; });
}

TDovaroThreadsList::TDovaroThreadsList(TThreadEndTest hasEnded)
    : lock_(std::make_unique<std::shared_mutex>()), hasEnded_(hasEnded) {}

TDovaroThreadsList::TDovaroThreadsList(const TDovaroThreadsList& source)
    : hasEnded_(source.hasEnded_), entries_(source.Entries()) {
  for (TDovaroThreadEntry& entry : entries_)
    if (entry.CreatorStack) entry.CreatorStackBelongsToOther = true;
}

std::unique_lock<std::shared_mutex> TDovaroThreadsList::WriteLock() {
  return lock_ ? std::unique_lock<std::shared_mutex>(*lock_)
               : std::unique_lock<std::shared_mutex>();
}

std::shared_lock<std::shared_mutex> TDovaroThreadsList::ReadLock() const {
  return lock_ ? std::shared_lock<std::shared_mutex>(*lock_)
               : std::shared_lock<std::shared_mutex>();
}

TDovaroThreadsList::TReadAccess TDovaroThreadsList::Read() const {
  return TReadAccess(ReadLock(), entries_);
}

std::optional<TDovaroThreadEntry> TDovaroThreadsList::FindByThreadId(std::uint32_t threadId) const {
  const TReadAccess read = Read();
  return EntryAt(read.Entries(), read.IndexOfThreadId(threadId));
}

std::optional<TDovaroThreadEntry> TDovaroThreadsList::FindByHandle(const void* threadHandle) const {
  const TReadAccess read = Read();
  return EntryAt(read.Entries(), read.IndexOfHandle(threadHandle));
}

std::optional<TDovaroThreadEntry> TDovaroThreadsList::FindByObject(const void* threadObject) const {
  const TReadAccess read = Read();
  return EntryAt(read.Entries(), read.IndexOfObject(threadObject));
}

std::vector<TDovaroThreadEntry> TDovaroThreadsList::Entries() const {
  const auto lock = ReadLock();
  return entries_;
}

std::size_t TDovaroThreadsList::Count() const {
  const auto lock = ReadLock();
  return entries_.size();
}

std::size_t TDovaroThreadsList::PurgeEndedLocked() {
  const auto ended = std::remove_if(entries_.begin(), entries_.end(), [&](const auto& entry) {
    return hasEnded_ && hasEnded_(entry.ThreadHandle);
  });
  const auto removed = static_cast<std::size_t>(entries_.end() - ended);
  entries_.erase(ended, entries_.end());
  return removed;
}

void TDovaroThreadsList::Add(TDovaroThreadEntry entry) {
  const auto lock = WriteLock();
  PurgeEndedLocked();
  entries_.push_back(std::move(entry));
}

bool TDovaroThreadsList::Delete(std::uint32_t threadId) {
  const auto lock = WriteLock();
  const TDovaroThreadEntry* found = LastEntryWhere(entries_, WithThreadId(threadId));
  if (!found) return false;
  entries_.erase(entries_.begin() + (found - entries_.data()));
  return true;
}

std::size_t TDovaroThreadsList::PurgeEnded() {
  const auto lock = WriteLock();
  return PurgeEndedLocked();
}

bool TDovaroThreadsList::UpdateCreatorStack(const void* threadHandle, std::uint32_t creatorThreadId,
                                            std::shared_ptr<const TStackCopy> stack) {
  const auto lock = WriteLock();
  TDovaroThreadEntry* found = LastEntryWhere(
      entries_, [&](const auto& entry) { return entry.ThreadHandle == threadHandle; });
  if (!found) return false;
  found->CreatorThreadId = creatorThreadId;
  found->CreatorStack = std::move(stack);
  found->CreatorStackBelongsToOther = false;
  return true;
}

bool TDovaroThreadsList::Update(std::uint32_t threadId,
                                const std::function<void(TDovaroThreadEntry&)>& change) {
  const auto lock = WriteLock();
  TDovaroThreadEntry* found = LastEntryWhere(entries_, WithThreadId(threadId));
  if (!found) return false;
  change(*found);
  return true;
}

TDovaroThreadsList& ThreadsList() {
  static TDovaroThreadsList list;
  return list;
}
