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

// The engine context's test for the engine's own threads, which code
// patching leaves running; nullptr (none named) without a context.
TEngineThreadTest EngineThreadTest() noexcept;
