// The start and end of the engine's units, in their order: options (ECore),
// debug information, leak detection, hooks (EHook), interception
// (ExceptionLog). A module that carries the engine calls them from its entry
// at process attach and detach; test programs call them from a fixture.
// Nothing starts by itself when a program merely links the units.
#pragma once

#include "engine/EngineContext.h"

// Fills the routines of `context` that connect the layers (where they are
// still empty), then starts every unit with it. `context` must outlive
// EndEngineUnits. Failures go to the unit-step reporter; never raises.
void StartEngineUnits(TEngineContext& context) noexcept;

// Ends every unit, the last started first. Never raises.
void EndEngineUnits() noexcept;

// A thread of the process ends (the module's thread-detach notification).
void EngineThreadEnds() noexcept;
