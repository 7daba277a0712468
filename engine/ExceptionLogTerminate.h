// Terminate and restart requests: a request is recorded while handling runs
// and carried out at the sequence's end (or by the background sender).
#pragma once

#include <cstdint>

struct TExceptionLogEngine;

// 1 terminate, 2 restart.
void RequestTermination(TExceptionLogEngine& engine, std::uint8_t action);
// Carries out a pending request: a restart starts the program again with its
// command line in the folder that was current when the engine started; then
// the process ends with exit code 1. Returns when none is pending.
void ApplyTerminateRequest(TExceptionLogEngine& engine);
