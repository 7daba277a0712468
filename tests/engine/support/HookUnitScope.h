// Runs a test between the hook unit's start and end, so every test begins
// with empty hook lists and leaves nothing patched.
#pragma once

#include "engine/EHook.h"

class THookUnitScope {
 public:
  THookUnitScope() { EHookInit(); }
  ~THookUnitScope() { EHookDone(); }
  THookUnitScope(const THookUnitScope&) = delete;
  THookUnitScope& operator=(const THookUnitScope&) = delete;
};
