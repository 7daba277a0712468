// The hook unit's lists, alive between "EHook.Init" and "EHook.Done"; each
// accessor gives nullptr outside that time. Internal to the hook engine.
#pragma once

class TCodeHookList;
class TImportPatchList;
class THookedMethodsList;

TCodeHookList* ActiveCodeHooks() noexcept;
TImportPatchList* ActiveImportPatches() noexcept;
THookedMethodsList* ActiveHookedMethods() noexcept;
