// Bringing the modules list up to date with the modules loaded now.
#pragma once

#include <cstdint>
#include <vector>

// Takes off the list every record whose module is gone: its handle names no
// loaded module, or names one of another file, or the file changed since the
// record was made (a module unloaded and another loaded at its address).
// Then, with the list's enumeration flag set, registers each loaded module
// that has no record: such records get options only and module type
// mtUnknown until their first lookup by handle (ModuleEntryByHandle). On the
// NT family the modules come from PSAPI, elsewhere from Tool Help; where that
// is missing, none is added. Never raises; refreshes on several threads run
// one after another. Reads files and allocates: not for exception handling's
// inner steps.
void RefreshModules();

// The handles of the modules loaded in this process now, in the system's
// order; empty when the system cannot list them.
std::vector<std::uintptr_t> LoadedModuleHandles();
