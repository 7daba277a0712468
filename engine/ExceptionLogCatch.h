// Whether the program will catch an exception, decided at the raise before
// anything unwinds.
//
// For a C++ raise the frames are walked outward from the raising call with
// our unwinder, and each frame's handler table is asked what it catches (the
// test the runtime's handler search makes): a catch-all or matching catch
// counts, cleanups do not, a frame that would end the program (a noexcept
// function) ends the walk uncaught. The boundary of an export and the thread
// procedure of our thread class are not the program's: an exception only they
// catch leaves the module or ends the thread, and is not caught.
//
// For an operating-system exception the thread's chain of structured-
// exception frames is read: a frame of the program's own (not the system's
// last frame of the thread) handles it.
#pragma once

#include <cstdint>
#include <typeinfo>

#include "engine/ExceptionLogTypes.h"

struct TCatchOutcome {
  bool Caught = false;
  int RaiseKind = rkNormal;
  int CatchingFrames = 0;
};

// Walks the calling thread's frames from the one whose instruction pointer is
// `raiseReturn` (the raising function, returned to after the raise call).
TCatchOutcome AnalyseCppRaise(const std::type_info* thrownType, void* thrownObject,
                              TAddress raiseReturn) noexcept;

// The structured-exception frames of the calling thread (fs:[0]).
TCatchOutcome AnalyseOsException() noexcept;
