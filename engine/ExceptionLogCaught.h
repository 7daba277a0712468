// The report of exceptions the program catches itself (ReportCaughtExceptions):
// at a raise the program will catch, the raising thread's stack is copied
// from the raise up, as the frames between the raise and the catch are gone
// once the catch begins; at the start of the catch (the module is linked
// with a wrap of __cxa_begin_catch) the exception is reported as caught, with
// the call stack scanned from that copy.
#pragma once

#include <cstdint>
#include <mutex>

#include "debuginfo/ESnapshotStackCopy.h"
#include "engine/ExceptionLogTypes.h"

struct TExceptionLogEngine;
struct TThreadBlock;

// The one copy of a raise's stack, for the catch in the same thread.
struct TRaiseStackCopy {
  std::mutex Lock;
  std::uint32_t ThreadId = 0;
  const void* Object = nullptr;  // the exception raised
  TAddress RaiseAddress = 0;     // the raising call
  TStackCopy Stack;
};

// Whether the options ask for caught exceptions to be reported.
bool CaughtExceptionsReported();

// Called at a raise that the program will catch, in the raising thread.
void KeepRaiseStack(TExceptionLogEngine& engine, const TThreadBlock& block, const void* object,
                    TAddress raiseAddress);

// Called when a catch block begins, with the caught object. Never raises.
void OnCatch(TExceptionLogEngine& engine, const void* object) noexcept;
