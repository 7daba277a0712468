// The module list's side of lookups. The owner of the module records
// installs a provider at start-up; without one, LocateAddress knows modules
// only by their handle.
#pragma once

#include "debuginfo/EDebugLocate.h"

class TModuleDebugProvider {
 public:
  virtual ~TModuleDebugProvider() = default;
  // The record of the module loaded at `handle`, registering it on first
  // sight; null when there is none.
  virtual TDovaroModuleInfo* ModuleEntryByHandle(std::uintptr_t handle) = 0;
  // The debug data of a record; valid while the record lives.
  virtual TModuleDebugView ViewOf(TDovaroModuleInfo* entry) = 0;
};

// Not owned; pass null to remove. Set once at start-up, before lookups run.
void SetModuleDebugProvider(TModuleDebugProvider* provider);

// The handle of the loaded module whose image holds `address`, or 0.
std::uintptr_t ModuleHandleOfAddress(std::uintptr_t address);
