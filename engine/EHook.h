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

// Unit start, the guarded step "EHook.Init": creates the import-patch list,
// the THookedMethodsList and the code hook list. Starting a started unit
// changes nothing. A failure raises Exception with the text
// "Critical error at: \"EHook.Init\"\r\nError: \"<message>\".".
// Runs single-threaded at module start.
void EHookInit();

// Unit end, the guarded step "EHook.Done": undoes every recorded import
// patch and frees the list, destroys the THookedMethodsList (undoing every
// method hook), then undoes every code hook from the last to the first.
// Failures are reported like EHookInit's. Runs single-threaded at module end.
void EHookDone();
