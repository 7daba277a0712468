#include "platform/runtime/ExportBoundary.h"

#include <windows.h>

#include <cxxabi.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <typeinfo>

namespace {

struct RecordedFailure {
  std::exception_ptr exception;  // keeps the object alive for the caller
  const void* object = nullptr;
  std::string message;
  std::string className;
};

// The last failure of each thread, kept until that thread's next failure.
// Not thread_local: a thread-local object with a destructor pins the module
// in memory until the thread ends, so the installer could not unload us.
class FailureSlots {
 public:
  RecordedFailure& OfThisThread() {
    std::lock_guard<std::mutex> hold(lock_);
    return slots_[GetCurrentThreadId()];  // map nodes never move
  }

 private:
  std::mutex lock_;
  std::map<DWORD, RecordedFailure> slots_;
};

FailureSlots failures;

std::string Demangle(const char* mangled) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> plain(
      abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
  return status == 0 && plain ? std::string(plain.get()) : std::string(mangled);
}

void DescribeCurrent(RecordedFailure& failure) {
  const std::type_info* type = abi::__cxa_current_exception_type();
  failure.className = type ? Demangle(type->name()) : std::string("Exception");
  try {
    throw;
  } catch (const std::exception& e) {
    failure.object = &e;
    failure.message = e.what();
  } catch (...) {
    failure.object = nullptr;
    failure.message = "Unknown exception of class " + failure.className;
  }
}

using RaiseExceptionFn = void(WINAPI*)(DWORD, DWORD, DWORD, const ULONG_PTR*);

// The real kernel32 routine, not whatever our own import slot points to once
// the engine hooks raises.
RaiseExceptionFn RealRaiseException() {
  return reinterpret_cast<RaiseExceptionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "RaiseException")));
}

}  // namespace

namespace boundary_detail {

namespace {
void RecordCurrentFailure(const char* exportName, BoundaryObserver observer) noexcept {
  try {
    RecordedFailure& lastFailure = failures.OfThisThread();
    lastFailure.exception = std::current_exception();
    DescribeCurrent(lastFailure);
  } catch (...) {
    // Out of memory while describing: the raise still happens, with what we have.
  }
  if (observer) observer(exportName);
}
}  // namespace

__attribute__((noinline)) bool GuardedExportCall(void (*body)(void* context), void* context,
                                                 const char* exportName,
                                                 BoundaryObserver observer) noexcept {
  try {
    body(context);
    return true;
  } catch (...) {
    RecordCurrentFailure(exportName, observer);
  }
  return false;
}

void RaiseRecordedFailure(const void* exportAddress) noexcept {
  const RecordedFailure& lastFailure = failures.OfThisThread();
  const ULONG_PTR parameters[kBoundaryParameterCount] = {
      reinterpret_cast<ULONG_PTR>(lastFailure.message.c_str()),
      reinterpret_cast<ULONG_PTR>(lastFailure.className.c_str()),
      reinterpret_cast<ULONG_PTR>(lastFailure.object),
      reinterpret_cast<ULONG_PTR>(exportAddress),
  };
  RealRaiseException()(kBoundaryExceptionCode, EXCEPTION_NONCONTINUABLE, kBoundaryParameterCount,
                       parameters);
  // A caller that resumes a non-continuable exception gets another one from
  // the system; should even that return, end the process rather than run on.
  TerminateProcess(GetCurrentProcess(), kBoundaryExceptionCode);
  for (;;) {
  }
}

}  // namespace boundary_detail

const void* ExportBoundaryRoutine() noexcept {
  return reinterpret_cast<const void*>(&boundary_detail::GuardedExportCall);
}
