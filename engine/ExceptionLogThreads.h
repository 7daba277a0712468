// The threads of this module: creation, resumption and exit are hooked in the
// module's imports so the threads list knows them (id, handle, creator, the
// creator's stack, the stack base), and the Execute of every thread object of
// our thread class is hooked so that an exception escaping it is handed to
// the engine before the thread ends.
#pragma once

#include <cstdint>

struct TExceptionLogEngine;

// Installs the CreateThread, ResumeThread and ExitThread import hooks of
// this module. Failures leave the point absent.
void InstallThreadHooks(TExceptionLogEngine& engine);

// Whether the routine at `function` is the engine's replacement of Execute
// (its catch is the engine's, not the program's).
bool IsExecuteHook(std::uintptr_t function) noexcept;

// The engine's own thread classes, never hooked nor listed.
bool IsEngineThreadClass(const void* threadObject);
