// The modules that carry the engine: their ELDATA blocks, their records in the
// process-wide module list, and the current module's options.
//
// Registration fills a record's ELDATA fields here; the engine context's
// loaders complete it with debug information and with what the process
// snapshot shows of the module's file.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
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

// What a record says of the kind of module.
enum TModuleType : std::uint8_t {
  mtUnknown = 0,     // not read yet: registered during an enumeration of the modules
  mtExecutable = 1,  // an image without the DLL flag
  mtPackage = 2,     // a library with both a "PACKAGEINFO" and a "PACKAGEOPTIONS" resource
  mtLibrary = 3,     // any other library
};

struct TDovaroModuleInfo {
  TModuleHandle Handle = nullptr;  // the load address; the list is sorted by it
  std::string FileName;            // the full file name as the system reports it

  // The file, as the snapshot shows it (empty or 0 when unknown).
  std::string Description;  // "FileDescription" of the first translation of its version resource
  std::string Version;      // the fixed file version "a.b.c.d"; empty when absent or "0.0.0.0"
  std::uint32_t Size = 0;   // file size in bytes (low 32 bits)
  TModuleType ModuleType = mtUnknown;
  double LastModified = 0;  // local last-write time, 2-second steps, days since 30 December 1899

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

// The process-wide list of module records, sorted by handle, every access
// under its lock. It owns the records. A record taken off the list (its
// module was unloaded, or it is replaced by a fuller one) is retired, not
// freed: lookups on other threads and the call stacks of a handled exception
// keep its address, so it lives until Clear (the end of this module).
class TDovaroModulesList {
 public:
  // Adds `record` unless its module is listed already; returns the listed one.
  TDovaroModuleInfo& Add(std::unique_ptr<TDovaroModuleInfo> record);
  // Puts `record` in the place of its module's listed record (retired), or
  // adds it; returns it.
  TDovaroModuleInfo& Replace(std::unique_ptr<TDovaroModuleInfo> record);
  TDovaroModuleInfo* Find(TModuleHandle module) const;
  // Takes every record for which `stale` holds off the list (retired);
  // `stale` runs under the list's lock and must not use the list. Returns
  // how many went.
  std::size_t RemoveIf(const std::function<bool(const TDovaroModuleInfo&)>& stale);
  // Calls `visit` for each listed record in handle order, under the lock.
  void ForEach(const std::function<void(const TDovaroModuleInfo&)>& visit) const;
  std::size_t Count() const;
  // Frees every record, retired ones too; for the end of this module.
  void Clear();

  // While an enumeration of the process's modules runs (the process
  // snapshot's refresh), newly registered modules get their options only,
  // no debug information, and module type mtUnknown; their first lookup by
  // handle afterwards registers them in full. Scopes may nest.
  class TEnumeration {
   public:
    explicit TEnumeration(TDovaroModulesList& list) : list_(list) { ++list_.enumerations_; }
    ~TEnumeration() { --list_.enumerations_; }
    TEnumeration(const TEnumeration&) = delete;
    TEnumeration& operator=(const TEnumeration&) = delete;

   private:
    TDovaroModulesList& list_;
  };
  bool Enumerating() const { return enumerations_.load() > 0; }

 private:
  // The place of `module` in records_ (where it would go when absent).
  std::vector<std::unique_ptr<TDovaroModuleInfo>>::const_iterator PlaceOf(
      TModuleHandle module) const;

  mutable std::mutex lock_;
  std::vector<std::unique_ptr<TDovaroModuleInfo>> records_;  // sorted by Handle
  std::vector<std::unique_ptr<TDovaroModuleInfo>> retired_;
  std::atomic<int> enumerations_{0};
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
// complete it (not during light registration nor an enumeration of the
// modules) and, for a module other than the current one, its options are
// refreshed from its shared options area. The context's facts loader adds
// the file's facts and, outside an enumeration, the module type. Never raises
// for bad data: the record then holds the defaults.
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
