// The code hook engine: the only part of the system that writes into
// executable memory. Code hooks (EHookCode.h), import hooks (EHookImport.h),
// virtual-method hooks (EHookMethods.h), property hooks (EHookProperty.h) and
// hooks by SymbolID or export (EHookSymbol.h), with the unit's start and end.
#pragma once

#include "engine/EHookCode.h"
#include "engine/EHookCodeWriter.h"
#include "engine/EHookErrors.h"
#include "engine/EHookImport.h"
#include "engine/EHookMethods.h"
#include "engine/EHookProperty.h"
#include "engine/EHookSymbol.h"
#include "engine/EHookThreadFreeze.h"

// Unit start, the guarded step "EHook.Init": creates the import-patch list,
// the THookedMethodsList and the code hook list. Runs at module start (after
// the options unit, engine/EngineStartup.h); starting a started unit changes
// nothing. A failure goes
// to the unit-step failure reporter as "Critical error at: ..." (see
// engine/EngineUnits.h); it never raises.
void EHookInit() noexcept;

// Unit end, the guarded step "EHook.Done": undoes every recorded import
// patch and frees the list, destroys the THookedMethodsList (undoing every
// method hook), then undoes every code hook from the last to the first.
// Runs at module end, after the interception unit's end; failures are
// reported like EHookInit's.
void EHookDone() noexcept;
