// Runs a routine under a structured-exception frame of our own. GCC never
// registers SEH frames, so without this guard a fault or RaiseException in
// foreign code (or across a module boundary) cannot be caught in C++ code.
#pragma once

#include <windows.h>

#include <cstdint>

struct SehFailure {
  DWORD code = 0;
  DWORD flags = 0;
  void* address = nullptr;
  DWORD parameterCount = 0;
  ULONG_PTR parameters[EXCEPTION_MAXIMUM_PARAMETERS] = {};
};

// Calls routine(context). Returns true when it returned normally; false when a
// structured exception reached the guard, with `failure` describing it. The
// frames between the guard and the raise are abandoned without running their
// destructors, so the routine must own nothing on the stack that needs one
// when it can fault.
bool CallWithSehGuard(void (*routine)(void*), void* context, SehFailure& failure);

// Convenience form for a callable; same abandonment rule.
template <class Callable>
bool CallWithSehGuard(Callable& callable, SehFailure& failure) {
  return CallWithSehGuard([](void* c) { (*static_cast<Callable*>(c))(); }, &callable, failure);
}
