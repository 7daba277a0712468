// How a failure leaves an exported function.
//
// A C++ exception cannot cross the module boundary: the caller's unwinder has
// no tables for our frames. Every export therefore runs its body through
// RunExport: a failure the body does not handle is caught at the boundary,
// shown to the observer the export names (the exception engine, when it
// runs), and then raised to the caller as a structured exception, which any
// Windows caller can catch:
//
//   code       kBoundaryExceptionCode (0xE0564950), non-continuable
//   params[0]  const char*  the message text, zero-terminated
//   params[1]  const char*  the exception's class name, zero-terminated
//   params[2]  void*        the exception object (valid as params[0] and [1])
//   params[3]  void*        the address of the export that failed
//
// The texts and the object stay valid until the next failure leaves an export
// on the same thread.
#pragma once

#include <exception>

inline constexpr unsigned long kBoundaryExceptionCode = 0xE0564950UL;
inline constexpr unsigned long kBoundaryParameterCount = 4;

// Called inside the boundary's catch block while the exception is current;
// must not throw.
using BoundaryObserver = void (*)(const char* exportName);

namespace boundary_detail {
// Runs body(context) inside the one catch block of every export: false when
// a failure left the body (it is then recorded). Not inlined, so that an
// exception engine can tell this frame from the program's own handlers: an
// exception that only this frame catches leaves the module.
bool GuardedExportCall(void (*body)(void* context), void* context, const char* exportName,
                       BoundaryObserver observer) noexcept;
[[noreturn]] void RaiseRecordedFailure(const void* exportAddress) noexcept;
}  // namespace boundary_detail

// The address of the boundary's catching routine, for the engine's analysis
// of who catches a raise.
const void* ExportBoundaryRoutine() noexcept;

// Runs an export's body; its result is the export's result. `observer` may
// be null.
template <class Body>
auto RunExport(const char* exportName, const void* exportAddress, BoundaryObserver observer,
               Body&& body) -> decltype(body()) {
  using TResult = decltype(body());
  struct TCall {
    Body& body;
    TResult result{};
  } call{body};
  const auto run = [](void* context) {
    auto& c = *static_cast<TCall*>(context);
    c.result = c.body();
  };
  if (boundary_detail::GuardedExportCall(run, &call, exportName, observer)) return call.result;
  // Raised outside the catch block: the C++ exception is no longer in flight,
  // and the recorded copy keeps its object alive for the caller.
  boundary_detail::RaiseRecordedFailure(exportAddress);
}
