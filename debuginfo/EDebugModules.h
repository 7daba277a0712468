// The module records' side of lookups: which record holds an address, and
// what a lookup may use of it.
#pragma once

#include "debuginfo/EDebugLocate.h"

// The handle of the loaded module whose image holds `address`, or 0.
std::uintptr_t ModuleHandleOfAddress(std::uintptr_t address);

// The debug data of a record; valid while the record lives. Only reads.
TModuleDebugView ModuleDebugView(TDovaroModuleInfo& module);
