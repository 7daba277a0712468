#include "debuginfo/EStackThreads.h"

#include <windows.h>

#include <algorithm>

#include "platform/memory/LiveMemory.h"

namespace {

constexpr TAddress kStackBaseInThreadBlock = 4;  // NT_TIB.StackBase

// NtQueryInformationThread's basic information (class 0).
struct TThreadBasicInformation {
  LONG ExitStatus;
  PVOID TebBaseAddress;
  DWORD ClientIdProcess;
  DWORD ClientIdThread;
  ULONG_PTR AffinityMask;
  LONG Priority;
  LONG BasePriority;
};
static_assert(sizeof(TThreadBasicInformation) == 28);

using TQueryThread = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);

TQueryThread QueryThreadRoutine() {
  static const auto routine = reinterpret_cast<TQueryThread>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
  return routine;
}

}  // namespace

std::size_t TStackOverlayMemory::Read(TAddress address, void* buffer,
                                      std::size_t count) const noexcept {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const TAddress at = address + done;
    std::size_t part = stack_.Read(at, out + done, count - done);
    if (part == 0) {
      // Live memory up to where the copy begins (never into the copied range).
      std::size_t limit = count - done;
      if (at < copy_.From) limit = std::min<std::size_t>(limit, copy_.From - at);
      part = others_.Read(at, out + done, limit);
    }
    if (part == 0) break;
    done += part;
  }
  return done;
}

std::size_t TStackOverlayMemory::ReadableLength(TAddress address,
                                                std::size_t limit) const noexcept {
  std::size_t done = 0;
  while (done < limit) {
    const TAddress at = address + done;
    std::size_t part = stack_.ReadableLength(at, limit - done);
    if (part == 0) {
      std::size_t bound = limit - done;
      if (at < copy_.From) bound = std::min<std::size_t>(bound, copy_.From - at);
      part = others_.ReadableLength(at, bound);
    }
    if (part == 0) break;
    done += part;
  }
  return done;
}

TAddress ThreadStackTop(std::uint32_t threadId) {
  const TQueryThread query = QueryThreadRoutine();
  if (!query) return 0;
  const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
  if (!thread) return 0;
  TThreadBasicInformation information{};
  const LONG status = query(thread, 0, &information, sizeof information, nullptr);
  CloseHandle(thread);
  if (status != 0 || !information.TebBaseAddress) return 0;
  const auto top =
      LiveMemory().ReadU32(AddressOf(information.TebBaseAddress) + kStackBaseInThreadBlock);
  return top ? *top : 0;
}

TThreadStackSnapshot CopyThreadStack(std::uint32_t threadId, TAddress stackTop) {
  TThreadStackSnapshot snapshot;
  if (stackTop == 0) stackTop = ThreadStackTop(threadId);
  // The buffer is taken before the thread is held.
  std::vector<std::uint8_t> buffer(kMaxScannedStackBytes);
  {
    const TSuspendedThread held(threadId);
    snapshot.State = held.State();
    if (!held.HasRegisters()) return snapshot;
    snapshot.Registers = held.Registers();
    const TAddress from = snapshot.Registers.Esp & ~TAddress{3};
    const std::size_t wanted =
        stackTop > from ? std::min<std::size_t>(stackTop - from, buffer.size()) : 0;
    const std::size_t copied = LiveMemory().Read(from, buffer.data(), wanted);
    snapshot.Stack.From = from;
    buffer.resize(copied);  // shrinking keeps the storage: no allocation
  }
  snapshot.Stack.Bytes = std::move(buffer);
  return snapshot;
}

bool ScanOtherThread(TDovaroStackList& list, std::uint32_t threadId, TAddress stackTop,
                     TStackScanRequest request, IStackLocator& locator) {
  const TThreadStackSnapshot snapshot = CopyThreadStack(threadId, stackTop);
  if (snapshot.State != tsSuspended || snapshot.Registers.Eip == 0) return false;
  const TStackOverlayMemory memory(snapshot.Stack, LiveMemory());
  request.FirstAddress.reset();
  request.StackLow = snapshot.Stack.From;
  request.StackHigh = snapshot.Stack.From + snapshot.Stack.Bytes.size() - 4;
  request.StackOrigin = true;
  request.ThreadId = threadId;
  if (snapshot.Stack.Bytes.size() >= 4) ScanStack(list, request, memory, locator);
  return true;
}

bool ScanCreatorStack(TDovaroStackList& list, const TDovaroThreadEntry& entry,
                      TStackScanRequest request, IStackLocator& locator) {
  if (!entry.CreatorStack || entry.CreatorStack->Bytes.size() < 4) return false;
  const TStackCopy& copy = *entry.CreatorStack;
  const TStackOverlayMemory memory(copy, LiveMemory());
  request.FirstAddress.reset();
  request.StackLow = copy.From;
  request.StackHigh = copy.From + copy.Bytes.size() - 4;
  request.StackOrigin = false;
  request.ThreadId = entry.CreatorThreadId;
  ScanStack(list, request, memory, locator);
  return true;
}
