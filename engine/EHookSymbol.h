// Hooks on routines found by SymbolID (internal routines of the runtime
// listed in the module's SymbolTable) or by export name of a package module.
// Same calling context and failures as HookProcedure.
#pragma once

#include <cstdint>

// A module's routine for a SymbolID, or nullptr when its SymbolTable has no
// such entry.
using TSymbolFinder = void* (*)(std::uint8_t symbolId);

// Hooks the current module's routine of `symbolId` (found in its
// SymbolTable) under the name "SymbolID = <id>" and returns its trampoline;
// nullptr when the SymbolTable lacks the id.
void* HookSymbol(std::uint8_t symbolId, void* replacement);

// The same with the routine found by `findSymbol`.
void* HookSymbol(std::uint8_t symbolId, void* replacement, TSymbolFinder findSymbol);

// The routine is `address`, or, when that is null and both names are given,
// the export `exportName` of the loaded module `packageFileName`. With a
// replacement it is hooked under the export name and the trampoline is
// returned; without one the routine's address is returned. nullptr when no
// routine is found.
void* HookExport(void* address, const char* packageFileName, const char* exportName,
                 void* replacement);
