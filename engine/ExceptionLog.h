// The interception unit: activation of the engine in this module (the
// guarded step "ExceptionLog.Init") and its shutdown ("ExceptionLog.Done").
#pragma once

#include "engine/EngineContext.h"

// Makes the engine of this module and, when the module carries engine data,
// activates it: the interception points (unless the main module's engine
// takes over), the threads list's main thread, the freeze watchdog when the
// options ask for it, and the last-chance filter. Fills the engine context's
// routines that belong to this unit. Never raises.
void ExceptionLogInit(TEngineContext& context) noexcept;
// The end of the module's initialisation: the initialisation phase is over.
void ExceptionLogInitialised() noexcept;
// Waits for a handling in progress, stops the watchdog, removes the
// interception points and frees the engine. Never raises.
void ExceptionLogDone() noexcept;
// A thread of the process ends: its engine state goes.
void ExceptionLogThreadEnds() noexcept;
// Fills the routines of `context` that this unit lends the lower layers
// (those still empty): the export observer, the engine-thread test, the
// freeze-watch control and the password request.
void ConnectExceptionLog(TEngineContext& context);
