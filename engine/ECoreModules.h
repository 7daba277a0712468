// The modules that carry the engine: their ELDATA blocks, their records in the
// process-wide module list, and the current module's options.
//
// Only the fields that registration fills are here; the process snapshot adds
// the rest of a module's record.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/ECoreEldata.h"
#include "engine/ECoreOptionsEx.h"
#include "engine/EngineContext.h"

class TELDebugInfoSource;
class TDovaroFunctionsList;
class TDebugBlockIndex;

struct TDovaroModuleInfo {
  TModuleHandle Handle = nullptr;  // the load address
  std::string FileName;

  // From the module's ELDATA block (defaults when none could be loaded).
  bool EngineDataLoaded = false;
  std::uint16_t FormatVersion = kEngineDataVersion;
  double BuildStamp = 0;                            // days since 30 December 1899, UTC
  std::unique_ptr<TDovaroModuleOptionsEx> Options;  // never null in a registered record
  // The module's debug information (the n bytes of the block), or none.
  std::optional<std::vector<std::uint8_t>> DebugInfo;
  std::string DebugPassword;  // the password its names are enciphered with
  bool PasswordValid = true;
  std::vector<TSymbolTableEntry> SymbolTable;

  // Filled at registration by the engine context's debug loaders: the index
  // of the debug information, the module's other debug source (map, TD32 or
  // JDBG data; for a module without debug information of its own) and its
  // exported functions (none for the main executable). Lookups only read them.
  std::shared_ptr<TDebugBlockIndex> DebugIndex;
  std::shared_ptr<TELDebugInfoSource> OtherDebugSource;
  std::shared_ptr<TDovaroFunctionsList> Functions;
};

// The process-wide list of module records. It owns them; a record stays at
// its address until the process (or this module) ends.
class TDovaroModulesList {
 public:
  // Adds `record` unless its module is listed already; returns the listed one.
  TDovaroModuleInfo& Add(std::unique_ptr<TDovaroModuleInfo> record);
  TDovaroModuleInfo* Find(TModuleHandle module) const;
  void Clear();

 private:
  mutable std::mutex lock_;
  std::vector<std::unique_ptr<TDovaroModuleInfo>> records_;
};
TDovaroModulesList& ModulesList();

// Container access by module handle.
// True when the module's ELDATA resource, or else the end of its file, starts
// (ends) with a magic value.
bool HasEngineData(TModuleHandle module);
// FormatVersion of the resource carrier (normalised), else of the appended
// carrier, else 0.
int EngineDataVersion(TModuleHandle module);
// Has engine data of version kEngineDataVersion or later.
bool IsCompatibleEngine(TModuleHandle module);
// The module's ELDATA resource bytes (in its mapped image), or empty.
std::span<const std::uint8_t> EldataResource(TModuleHandle module);

// The address of routine `symbolId` of the current module, or null.
void* FindSymbol(std::uint8_t symbolId);

// A module record with a fresh option object on the defaults; with `full`,
// the module's ELDATA block is loaded into it (options, build values, debug
// information and password check), the engine context's debug loaders
// complete it (not during light registration) and, for a module other than
// the current one, its options are refreshed from its shared options area.
// Never raises for bad data: the record then holds the defaults.
std::unique_ptr<TDovaroModuleInfo> LoadModuleRecord(TModuleHandle module,
                                                    const std::string& fileName, bool full);
// The listed record of the module, else LoadModuleRecord added to
// ModulesList.
TDovaroModuleInfo& RegisterModule(TModuleHandle module, const std::string& fileName, bool full);

// The current module's record, or null before it is registered.
TDovaroModuleInfo* CurrentModuleInfo();
std::string CurrentModuleFileName();
// The options of the current module; raises EAssertionFailed before the
// module has registered its engine data.
TDovaroModuleOptionsEx& CurrentZuderaDodOptions();

// The engine context's LightRegistration switch (off without a context).
bool LightRegistration();
