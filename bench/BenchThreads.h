// Threads of a benchmark that run to a point and wait there: each calls
// ArriveAndWait() at the bottom of its work and stays blocked until the
// object goes away, so that their stacks can be scanned meanwhile.
#pragma once

#include <windows.h>

#include <vector>

class TBlockedWorkers {
 public:
  // Starts `count` threads running `body`; returns when each has arrived.
  TBlockedWorkers(int count, LPTHREAD_START_ROUTINE body) {
    release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    arrivals_ = CreateSemaphoreA(nullptr, 0, count, nullptr);
    ids_.resize(count);
    for (int i = 0; i < count; ++i)
      threads_.push_back(CreateThread(nullptr, 0, body, nullptr, 0, &ids_[i]));
    for (int i = 0; i < count; ++i) WaitForSingleObject(arrivals_, INFINITE);
  }
  // Releases the threads and waits for their end.
  ~TBlockedWorkers() {
    SetEvent(release_);
    WaitForMultipleObjects(static_cast<DWORD>(threads_.size()), threads_.data(), TRUE, INFINITE);
    for (HANDLE thread : threads_) CloseHandle(thread);
    CloseHandle(arrivals_);
    CloseHandle(release_);
  }
  TBlockedWorkers(const TBlockedWorkers&) = delete;
  TBlockedWorkers& operator=(const TBlockedWorkers&) = delete;

  const std::vector<DWORD>& Ids() const { return ids_; }

  // For the threads: tells the starter, then waits for the release.
  static void ArriveAndWait() {
    ReleaseSemaphore(arrivals_, 1, nullptr);
    WaitForSingleObject(release_, INFINITE);
  }

 private:
  static inline HANDLE release_ = nullptr;
  static inline HANDLE arrivals_ = nullptr;
  std::vector<HANDLE> threads_;
  std::vector<DWORD> ids_;
};
