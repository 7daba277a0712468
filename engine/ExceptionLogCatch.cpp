#include "engine/ExceptionLogCatch.h"
#include "debuginfo/EDebugModules.h"

#include <windows.h>

#include <unwind.h>

#include <cstring>

#include "platform/memory/LiveMemory.h"
#include "platform/runtime/ExportBoundary.h"
#include "platform/runtime/Thread.h"
#include "engine/ExceptionLogThreads.h"

namespace {

// Pointer encodings of the handler tables.
enum : std::uint8_t {
  kOmit = 0xFF,
  kAbsolute = 0x00,
  kUleb128 = 0x01,
  kUdata2 = 0x02,
  kUdata4 = 0x03,
  kUdata8 = 0x04,
  kSleb128 = 0x09,
  kSdata2 = 0x0A,
  kSdata4 = 0x0B,
  kSdata8 = 0x0C,
  kPcRelative = 0x10,
  kIndirect = 0x80,
};

class TTableReader {
 public:
  explicit TTableReader(const std::uint8_t* at) : at_(at) {}
  const std::uint8_t* At() const { return at_; }
  void Seek(const std::uint8_t* at) { at_ = at; }
  std::uint8_t U8() { return *at_++; }
  std::uint64_t Uleb128() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      const std::uint8_t byte = *at_++;
      value |= std::uint64_t{byte & 0x7Fu} << shift;
      if (!(byte & 0x80)) break;
    }
    return value;
  }
  std::int64_t Sleb128() {
    std::int64_t value = 0;
    int shift = 0;
    std::uint8_t byte;
    do {
      byte = *at_++;
      value |= std::int64_t{byte & 0x7F} << shift;
      shift += 7;
    } while ((byte & 0x80) && shift < 64);
    if (shift < 64 && (byte & 0x40)) value |= -(std::int64_t{1} << shift);
    return value;
  }
  // An encoded pointer; false for an encoding we cannot resolve.
  bool Pointer(std::uint8_t encoding, std::uintptr_t& value) {
    if (encoding == kOmit) return false;
    const std::uint8_t* start = at_;
    std::uint64_t raw = 0;
    switch (encoding & 0x0F) {
      case kAbsolute:
        raw = Fixed<std::uintptr_t>();
        break;
      case kUleb128:
        raw = Uleb128();
        break;
      case kUdata2:
        raw = Fixed<std::uint16_t>();
        break;
      case kUdata4:
        raw = Fixed<std::uint32_t>();
        break;
      case kUdata8:
        raw = Fixed<std::uint64_t>();
        break;
      case kSleb128:
        raw = static_cast<std::uint64_t>(Sleb128());
        break;
      case kSdata2:
        raw = static_cast<std::uint64_t>(static_cast<std::int64_t>(Fixed<std::int16_t>()));
        break;
      case kSdata4:
        raw = static_cast<std::uint64_t>(static_cast<std::int64_t>(Fixed<std::int32_t>()));
        break;
      case kSdata8:
        raw = Fixed<std::uint64_t>();
        break;
      default:
        return false;
    }
    switch (encoding & 0x70) {
      case 0:
        break;
      case kPcRelative:
        raw += reinterpret_cast<std::uintptr_t>(start);
        break;
      default:
        return false;
    }
    value = static_cast<std::uintptr_t>(raw);
    if ((encoding & kIndirect) && value)
      std::memcpy(&value, reinterpret_cast<void*>(value), sizeof value);
    return true;
  }

 private:
  template <class Value>
  Value Fixed() {
    Value value;
    std::memcpy(&value, at_, sizeof value);
    at_ += sizeof value;
    return value;
  }
  const std::uint8_t* at_;
};

std::size_t EncodedSize(std::uint8_t encoding) {
  switch (encoding & 0x07) {
    case kAbsolute:
      return sizeof(std::uintptr_t);
    case kUdata2:
      return 2;
    case kUdata4:
      return 4;
    case kUdata8:
      return 8;
    default:
      return 0;
  }
}

enum class TFrameVerdict { kNone, kCleanup, kCatches, kTerminates, kUnknown };

// What the frame's handler table says about an exception of `thrownType`
// leaving the call at `ip`.
TFrameVerdict FrameVerdict(_Unwind_Context* context, const std::type_info* thrownType,
                           void* thrownObject) {
  const auto* lsda = static_cast<const std::uint8_t*>(_Unwind_GetLanguageSpecificData(context));
  if (!lsda) return TFrameVerdict::kNone;
  const std::uintptr_t regionStart = _Unwind_GetRegionStart(context);
  const std::uintptr_t ip = _Unwind_GetIP(context) - 1;
  TTableReader reader(lsda);
  const std::uint8_t lpStartEncoding = reader.U8();
  std::uintptr_t lpStart = regionStart;
  if (lpStartEncoding != kOmit && !reader.Pointer(lpStartEncoding, lpStart)) {
    return TFrameVerdict::kUnknown;
  }
  const std::uint8_t typeEncoding = reader.U8();
  const std::uint8_t* types = nullptr;
  if (typeEncoding != kOmit) {
    const std::uint64_t offset = reader.Uleb128();
    types = reader.At() + offset;
  }
  const std::uint8_t siteEncoding = reader.U8();
  const std::uint64_t siteLength = reader.Uleb128();
  const std::uint8_t* sitesEnd = reader.At() + siteLength;
  const std::uint8_t* actions = sitesEnd;
  while (reader.At() < sitesEnd) {
    std::uintptr_t start = 0, length = 0, pad = 0;
    if (!reader.Pointer(siteEncoding, start) || !reader.Pointer(siteEncoding, length) ||
        !reader.Pointer(siteEncoding, pad)) {
      return TFrameVerdict::kUnknown;
    }
    const std::uint64_t action = reader.Uleb128();
    if (ip < regionStart + start) break;  // sites are sorted: no site holds the call
    if (ip >= regionStart + start + length) continue;
    if (pad == 0) return TFrameVerdict::kNone;
    if (action == 0) return TFrameVerdict::kCleanup;
    TTableReader record(actions + action - 1);
    for (;;) {
      const std::int64_t filter = record.Sleb128();
      const std::uint8_t* nextAt = record.At();
      const std::int64_t next = record.Sleb128();
      if (filter > 0 && types) {
        const std::size_t size = EncodedSize(typeEncoding);
        if (size == 0) return TFrameVerdict::kUnknown;
        TTableReader entry(types - filter * static_cast<std::int64_t>(size));
        std::uintptr_t type = 0;
        if (!entry.Pointer(typeEncoding, type)) return TFrameVerdict::kUnknown;
        if (type == 0) return TFrameVerdict::kCatches;  // catch (...)
        void* adjusted = thrownObject;
        if (thrownType &&
            reinterpret_cast<const std::type_info*>(type)->__do_catch(thrownType, &adjusted, 1)) {
          return TFrameVerdict::kCatches;
        }
      }
      if (next == 0) return TFrameVerdict::kCleanup;
      record.Seek(nextAt + next);
    }
  }
  (void)lpStart;
  return TFrameVerdict::kTerminates;  // a call without a site: the program ends here
}

struct TWalk {
  const std::type_info* Type = nullptr;
  void* Object = nullptr;
  std::uintptr_t RaiseReturn = 0;
  bool Started = false;
  bool Finished = false;
  TCatchOutcome Outcome;
};

_Unwind_Reason_Code VisitFrame(_Unwind_Context* context, void* argument) {
  auto& walk = *static_cast<TWalk*>(argument);
  if (!walk.Started) {
    if (_Unwind_GetIP(context) != walk.RaiseReturn) return _URC_NO_REASON;
    walk.Started = true;
  }
  const std::uintptr_t function = _Unwind_GetRegionStart(context);
  switch (FrameVerdict(context, walk.Type, walk.Object)) {
    case TFrameVerdict::kCatches:
      if (function == reinterpret_cast<std::uintptr_t>(ExportBoundaryRoutine())) {
        walk.Finished = true;  // it leaves the module
        return _URC_END_OF_STACK;
      }
      if (IsExecuteHook(function)) {
        walk.Finished = true;  // the engine's own catch around a thread's Execute
        return _URC_END_OF_STACK;
      }
      if (function == reinterpret_cast<std::uintptr_t>(&TThread::ThreadProc)) {
        walk.Outcome.RaiseKind = rkThreadWrapper;
        walk.Finished = true;
        return _URC_END_OF_STACK;
      }
      ++walk.Outcome.CatchingFrames;
      walk.Outcome.Caught = true;
      walk.Finished = true;
      return _URC_END_OF_STACK;
    case TFrameVerdict::kTerminates:
      walk.Finished = true;
      return _URC_END_OF_STACK;
    case TFrameVerdict::kUnknown:
      // A table we cannot read: leave the decision to the program's handlers.
      walk.Outcome.Caught = true;
      walk.Finished = true;
      return _URC_END_OF_STACK;
    default:
      return _URC_NO_REASON;
  }
}

// The system's own handler of the thread's outermost frame.
bool IsSystemHandler(const void* handler) {
  const auto module = reinterpret_cast<HMODULE>(ModuleHandleOfAddress(AddressOf(handler)));
  if (!module) return false;
  return module == GetModuleHandleA("ntdll.dll") || module == GetModuleHandleA("kernel32.dll") ||
         module == GetModuleHandleA("kernelbase.dll");
}

struct TSehRecord {
  TSehRecord* Next;
  void* Handler;
};
constexpr std::uintptr_t kChainEnd = 0xFFFFFFFF;
constexpr int kMaxSehFrames = 1024;

}  // namespace

TCatchOutcome AnalyseCppRaise(const std::type_info* thrownType, void* thrownObject,
                              TAddress raiseReturn) noexcept {
  TWalk walk;
  walk.Type = thrownType;
  walk.Object = thrownObject;
  walk.RaiseReturn = raiseReturn;
  _Unwind_Backtrace(&VisitFrame, &walk);
  // The raising frame was never met: we cannot tell, and leave it to the
  // program's handlers.
  if (!walk.Started) walk.Outcome.Caught = true;
  return walk.Outcome;
}

TCatchOutcome AnalyseOsException() noexcept {
  // The thread's outermost frames are the system's (its start and its
  // last-chance filter); every frame inside them was registered by code that
  // means to handle what reaches it.
  TCatchOutcome outcome;
  const void* handlers[kMaxSehFrames];
  int count = 0;
  TSehRecord* record = nullptr;
  asm volatile("movl %%fs:0, %0" : "=r"(record));
  while (count < kMaxSehFrames && record && reinterpret_cast<std::uintptr_t>(record) != kChainEnd) {
    TSehRecord copy;
    if (!LiveMemory().ReadRecord(AddressOf(record), copy)) break;
    handlers[count++] = copy.Handler;
    record = copy.Next;
  }
  while (count > 0 && IsSystemHandler(handlers[count - 1])) --count;
  outcome.CatchingFrames = count;
  outcome.Caught = count > 0;
  return outcome;
}
