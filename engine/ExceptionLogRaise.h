// The raise: what the engine records when an exception is raised in a
// thread, and the decision at the raise whether the program will catch it;
// an exception nothing catches is handled at once, before anything unwinds.
#pragma once

#include <cstdint>
#include <typeinfo>

#include "engine/ExceptionLogTypes.h"

struct TExceptionLogEngine;

// The registers the raise stubs save at a C++ raise, in the stubs' order.
struct TRaiseFrame {
  std::uint32_t Eax, Ecx, Edx, Ebx, Esi, Edi, Ebp;
  std::uint32_t ReturnAddress;  // after the raising call
  // The raise's arguments start here: the raising function's stack pointer.
  void* Thrown;
  std::type_info* Type;
  void (*Destructor)(void*);
};
static_assert(sizeof(TRaiseFrame) == 44);

// Records a language raise into the calling thread's ThreadBlock (its
// context, its record with code 0x0EEDFADE and seven parameters, the saved
// stack pointer) and, with `handleNow`, runs OnRaise.
void RecordLanguageRaise(TExceptionLogEngine& engine, const TRaiseFrame& frame, bool handleNow);

// After a raise: the last exception seen; where handling is allowed and the
// object is a valid, non-abort object, the decision whether the program
// catches it, and the handling of one it does not. Guarded per thread (a
// nested raise returns at once); keeps the thread's last error code.
void OnRaise(TExceptionLogEngine& engine, const void* object, TAddress address,
             bool languageException, const std::type_info* thrownType, TAddress raiseReturn);
