// The hook unit's lists, alive between "EHook.Init" and "EHook.Done"; each
// accessor gives nullptr outside that time. Internal to the hook engine.
#pragma once

#include "engine/EHookThreadFreeze.h"

class TCodeHookList;
class TImportPatchList;
class THookedMethodsList;

TCodeHookList* ActiveCodeHooks() noexcept;
TImportPatchList* ActiveImportPatches() noexcept;
THookedMethodsList* ActiveHookedMethods() noexcept;

// The engine-thread test set by SetEngineThreadTest, or nullptr; valid at any
// time.
TEngineThreadTest EngineThreadTest() noexcept;
