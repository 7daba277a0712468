// The operating system's exceptions: the first look at every exception of
// the process (a vectored handler: the runtime's conversion into an
// exception object), the last-chance filter, and our runtime's handler for
// C++ exceptions nothing handles.
#pragma once

struct TExceptionLogEngine;

void InstallOsInterception(TExceptionLogEngine& engine);
void RemoveOsInterception(TExceptionLogEngine& engine);
// The last-chance filter alone, set at the unit's start (the previous filter
// is kept and restored at its end).
void InstallLastChanceFilter(TExceptionLogEngine& engine);
void RemoveLastChanceFilter(TExceptionLogEngine& engine);

// The conversion of an operating-system exception into our runtime's object
// (kept by the engine until the next), with the record and context copied
// into the ThreadBlock; with `handleNow`, OnRaise follows outside the main
// thread's ordinary run.
const void* ConvertOsException(TExceptionLogEngine& engine, const void* osRecord,
                               const void* context, bool handleNow);
