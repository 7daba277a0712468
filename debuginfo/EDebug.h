// Code addresses of the running process turned into module, unit (source
// file), class, routine and line.
//
// LocateAddress asks, in this order: the module's own compact debug block
// (from its ELDATA), the module's one "other" source (map, TD32 or JDBG
// data), the module's export table, and finally the module alone. Lookups
// never raise: what could not be found stays zero and Precision says how far
// the lookup got.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>

#include "debuginfo/EDebugShortString.h"

// The extensions of the two source languages that debug names can describe.
// Unit names without an extension get SourceFileExtension appended.
inline constexpr std::string_view SourceFileExtension = ".cpp";
inline constexpr std::string_view AltSourceFileExtension = ".c";

enum TLocationPrecision : std::uint8_t {
  lpNone = 0,     // nothing known
  lpModule = 1,   // the module only
  lpRoutine = 2,  // a routine name without unit
  lpUnit = 3,     // unit and routine
  lpLine = 4,     // line known (or forced for the first item of a call stack)
};

struct TDovaroModuleInfo;

// One resolved code address; also the item of a call stack list. Allocated
// zero-filled; ModuleEntry is owned by the module list, not by the record.
struct TCodeLocation {
  TLocationPrecision Precision;
  TDovaroModuleInfo* ModuleEntry;
  std::uint32_t OwnerThread;
  std::uint8_t StackOrigin;
  std::uint8_t IsExceptionAddress;
  std::uint8_t IsLeakEntry;
  TShortString<64> LeakTypeName;
  std::uint32_t LeakTotalSize;
  std::uint32_t LeakCount;
  std::uint32_t CodeAddress;
  TShortString<255> SourceUnit;
  TShortString<255> OwnerClass;
  TShortString<255> RoutineName;
  std::int32_t SourceLine;
  std::int32_t RoutineLineOffset;
};
// The record is laid out as the 32-bit process shares it with other modules.
// ModuleEntry is its one field as wide as a pointer of the program that
// compiles it: a build machine with 8-byte pointers (the native test
// programs, which share the record with nobody) moves the fields behind it,
// so the offsets are checked from OwnerThread on there, and in full only
// where pointers are the process's 4 bytes.
inline constexpr bool kProcessPointerWidth = sizeof(TDovaroModuleInfo*) == 4;
inline constexpr std::size_t kLocationTail = offsetof(TCodeLocation, OwnerThread);
static_assert(!kProcessPointerWidth || offsetof(TCodeLocation, ModuleEntry) == 4);
static_assert(!kProcessPointerWidth || kLocationTail == 8);
static_assert(offsetof(TCodeLocation, StackOrigin) - kLocationTail == 4);
static_assert(offsetof(TCodeLocation, LeakTypeName) - kLocationTail == 7);
static_assert(offsetof(TCodeLocation, LeakTotalSize) - kLocationTail == 72);
static_assert(offsetof(TCodeLocation, CodeAddress) - kLocationTail == 80);
static_assert(offsetof(TCodeLocation, SourceUnit) - kLocationTail == 84);
static_assert(offsetof(TCodeLocation, OwnerClass) - kLocationTail == 340);
static_assert(offsetof(TCodeLocation, RoutineName) - kLocationTail == 596);
static_assert(offsetof(TCodeLocation, SourceLine) - kLocationTail == 852);
static_assert(!kProcessPointerWidth || sizeof(TCodeLocation) == 868);
static_assert(std::is_trivially_copyable_v<TCodeLocation>);

// Fills `location` (allocated by the caller) for `address` from the
// registered module that holds it. Never fails. May run while an exception is
// being handled (it takes the function list's lock and may allocate); not
// inside a handler that forbids the heap.
void LocateAddress(std::uintptr_t address, std::uint32_t threadId, TCodeLocation& location,
                   bool isExceptionAddress, bool stackOrigin);

// The module record of the module whose image holds `address`, or null when
// no loaded module holds it or the module is not registered yet. Only reads.
TDovaroModuleInfo* FindModuleInfo(std::uintptr_t address);

// The entry of the module loaded at `handle`, registered (with its debug
// information) when it has none yet, or registered again in full when its
// entry was made during an enumeration of the modules (module type
// mtUnknown) and none runs now; null for 0 or when no entry can be made.
// For the parts that learn of modules (the process snapshot, the engine);
// lookups use FindModuleInfo. Not for exception handling's inner steps: it
// reads the module's ELDATA and files beside it.
TDovaroModuleInfo* ModuleEntryByHandle(std::uintptr_t handle);

class TELDebugInfoSource;
// The first of map, TD32 and JDBG data that opens and is ready for the
// module, or null. Never raises.
std::unique_ptr<TELDebugInfoSource> CreateOtherDebugSource(std::uintptr_t moduleHandle);

// The engine context's debug loaders: a newly registered record gets the
// index of its debug information, or else its other debug source, and its
// exported functions (none for the main executable).
void IndexDebugInformation(TDovaroModuleInfo& module);
void LoadOtherDebugSource(TDovaroModuleInfo& module);
void LoadExportedFunctions(TDovaroModuleInfo& module);
