// The threads the engine tracks: one entry per thread that the thread hooks
// saw being created, with what the call stacks of the report need of it.
//
// The process-wide list is guarded by a multiple-reader, single-writer lock:
// reading entries takes the read side, adding, deleting and updating the
// write side. The reporting thread reads it while the hooks of other threads
// add and remove entries. None of the operations raises except by running
// out of memory; they allocate, so none belongs inside a handler that
// forbids the heap. Pure: no windows.h (the Win32 parts are declared at the
// end).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <span>
#include <string>
#include <vector>

#include "debuginfo/ESnapshotStackCopy.h"

// The priority of an entry whose thread's priority was not read yet.
inline constexpr std::int32_t kPriorityNotRead = static_cast<std::int32_t>(0x80000000u);

struct TDovaroThreadEntry {
  std::uint32_t ThreadId = 0;
  void* ThreadHandle = nullptr;  // the handle the creator got; not owned by the entry
  std::uint32_t CreatorThreadId = 0;
  std::int32_t Priority = kPriorityNotRead;
  void* ThreadObject = nullptr;  // the thread's live object (our thread class), or null
  // The highest address of the thread's stack (the system's stack base), as
  // the thread's start wrapper records it; 0 until then.
  TAddress StackTop = 0;
  void* ThreadProcedure = nullptr;
  void* Parameter = nullptr;
  // The creating (or resuming) thread's stack at that moment, shared by the
  // entries and list copies that hold it; freed with the last of them.
  std::shared_ptr<const TStackCopy> CreatorStack;
  // The copy is another entry's: this one never replaced it (every entry of
  // a copied list, and an entry handed a copy made for another).
  bool CreatorStackBelongsToOther = false;
  // The class of ThreadObject as read when the entries were taken for a
  // report (TLiveSnapshot); empty when there is none or it is no valid
  // object.
  std::string ClassName;

  // The byte length and address of the creator's stack copy (0 without one).
  std::uint32_t CreatorStackLength() const {
    return CreatorStack ? static_cast<std::uint32_t>(CreatorStack->Bytes.size()) : 0;
  }
  const std::uint8_t* CreatorStackAddress() const {
    return CreatorStack ? CreatorStack->Bytes.data() : nullptr;
  }
};

// True when the thread behind the handle has ended or the handle is not a
// valid thread handle (its exit code is not the system's still-active 259).
using TThreadEndTest = bool (*)(void* threadHandle);
bool ThreadHasEnded(void* threadHandle);  // the system's answer

class TDovaroThreadsList {
 public:
  // A list of its own, with its lock; `hasEnded` decides which entries the
  // purge removes.
  explicit TDovaroThreadsList(TThreadEndTest hasEnded = ThreadHasEnded);
  // A copy of every entry of `source` (read under its lock) for one thread
  // to read: it has no lock, and its entries' stack copies are the source's
  // (marked as another's; they stay valid as long as the copy lives).
  TDovaroThreadsList(const TDovaroThreadsList& source);
  TDovaroThreadsList& operator=(const TDovaroThreadsList&) = delete;

  // The entries seen under the read side of the lock, held while this lives.
  // Searches go from the last entry backwards and give -1 when nothing
  // matches; an index is valid while this object lives.
  class TReadAccess {
   public:
    std::span<const TDovaroThreadEntry> Entries() const { return entries_; }
    int IndexOfThreadId(std::uint32_t threadId) const;
    int IndexOfHandle(const void* threadHandle) const;
    int IndexOfObject(const void* threadObject) const;

   private:
    friend class TDovaroThreadsList;
    TReadAccess(std::shared_lock<std::shared_mutex> lock,
                const std::vector<TDovaroThreadEntry>& entries)
        : lock_(std::move(lock)), entries_(entries) {}
    int LastIndexWhere(const std::function<bool(const TDovaroThreadEntry&)>& matches) const;

    std::shared_lock<std::shared_mutex> lock_;
    const std::vector<TDovaroThreadEntry>& entries_;
  };
  TReadAccess Read() const;

  // Copies of one entry, or none (each takes the read side).
  std::optional<TDovaroThreadEntry> FindByThreadId(std::uint32_t threadId) const;
  std::optional<TDovaroThreadEntry> FindByHandle(const void* threadHandle) const;
  std::optional<TDovaroThreadEntry> FindByObject(const void* threadObject) const;
  std::vector<TDovaroThreadEntry> Entries() const;
  std::size_t Count() const;

  // Removes the entries of ended threads, then appends `entry`.
  void Add(TDovaroThreadEntry entry);
  // Removes the entry of the thread; false when it has none. (The exit hook
  // deletes the calling thread's entry: DeleteCallingThreadEntry.)
  bool Delete(std::uint32_t threadId);
  // Removes every entry whose thread has ended or whose handle is invalid;
  // returns how many went.
  std::size_t PurgeEnded();
  // For the resume hook: the entry of the resumed handle gets the resuming
  // thread's id and stack copy, which replaces its earlier copy. False when
  // the handle is not listed.
  bool UpdateCreatorStack(const void* threadHandle, std::uint32_t creatorThreadId,
                          std::shared_ptr<const TStackCopy> stack);
  // Changes the thread's entry under the write side (`change` must not use
  // the list); false when the thread is not listed.
  bool Update(std::uint32_t threadId, const std::function<void(TDovaroThreadEntry&)>& change);

 private:
  std::unique_lock<std::shared_mutex> WriteLock();
  std::shared_lock<std::shared_mutex> ReadLock() const;
  std::size_t PurgeEndedLocked();

  std::unique_ptr<std::shared_mutex> lock_;  // none in a copy
  TThreadEndTest hasEnded_;
  std::vector<TDovaroThreadEntry> entries_;
};

// The process-wide list; lives as long as this module.
TDovaroThreadsList& ThreadsList();

// --- Win32 ---

// Deletes the calling thread's entry from `list` (the exit hook's part).
bool DeleteCallingThreadEntry(TDovaroThreadsList& list = ThreadsList());
// The highest address of the calling thread's stack (the system's stack
// base). Allocates nothing: the start wrappers record it in their entries.
TAddress CallingThreadStackTop();
// A copy of the calling thread's stack from its current stack pointer to its
// stack top, read through the live memory reader; null when it cannot be
// read. For the resume hook, in the hooked call (not during handling).
std::shared_ptr<const TStackCopy> CopyCallingThreadStack();
