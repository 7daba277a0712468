// The live collectors' parts, one file per group of items, and the system
// helpers they share. For the collectors (report/ESysInfo*.cpp) only: they
// ask the system, allocate, and never raise. No windows.h here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/ESysInfo.h"
#include "report/ESysInfoFormat.h"

// --- shared helpers (ESysInfoFunctions.cpp) ---

// A system function by name through `lookup`, as a typed pointer (null when
// missing).
template <class Function>
Function LookUp(const TSystemFunctionLookup& lookup, const char* library, const char* name) {
  return reinterpret_cast<Function>(lookup(library, name));
}

// A library loaded for one collector and released after it.
class TLibraryUse {
 public:
  explicit TLibraryUse(const char* library);
  ~TLibraryUse();
  TLibraryUse(const TLibraryUse&) = delete;
  TLibraryUse& operator=(const TLibraryUse&) = delete;

 private:
  void* module_;
};

// Registry values under HKEY_LOCAL_MACHINE (a leading "\" of the key is
// dropped): a string (empty when absent), a 32-bit value (only when it is
// stored in 4 bytes; none otherwise), the raw bytes, and the name of the
// subkey with `index` (empty when there is none).
std::string MachineString(const std::string& key, const char* value);
std::optional<std::uint32_t> MachineDword(const std::string& key, const char* value);
std::string MachineBytes(const std::string& key, const char* value);
std::string MachineSubkeyName(const std::string& key, unsigned index);

// The file name of a loaded module (`module` null: the program) as the
// report shows it: WithoutNtPrefix, and a short 8.3 path made long when it
// holds "~".
std::string ModulePathOf(void* module, const TSystemFunctionLookup& lookup);
// The file name as the system reports it.
std::string SystemModuleFileName(void* module);

// --- application, user and active window items (ESysInfoApplication.cpp) ---
std::string ApplicationNameText(const TSystemFunctionLookup& lookup);
std::string ApplicationVersionText();
std::string ApplicationParametersText();
std::string CompilationDateText();
std::string LoginNameText();
std::string RegisteredOwnerText(bool ntSixOrLater);
std::string RegisteredCompanyText(bool ntSixOrLater);
std::string PrivilegesText();
std::string ForegroundClassText();
std::string ForegroundText();

// --- computer items (ESysInfoComputer.cpp) ---
std::string ComputerNameText();
struct TMemoryFacts {
  std::uint64_t Total = 0, Available = 0;
};
TMemoryFacts MemoryFacts(const TSystemFunctionLookup& lookup);
struct TDiskFacts {
  std::uint64_t Total = 0, FreeForUser = 0;
};
// Of the drive that holds the engine's own module; none when the extended
// free-space function is missing or fails.
std::optional<TDiskFacts> DiskFacts(const TSystemFunctionLookup& lookup);
char UserDecimalSeparator();
std::string SystemUpTimeText();
std::string ProcessorValue();
std::string DisplayModeValue();
std::string DisplayDpiValue();

// --- video card and printer (ESysInfoDevices.cpp) ---
std::string VideoCardValue(const TSystemFunctionLookup& lookup, const TOsVersionFacts& os);
std::string PrinterValue(const TSystemFunctionLookup& lookup, const TOsVersionFacts& os);

// --- operating system (ESysInfoSystem.cpp) ---
TOsVersionFacts OsVersionFacts(const TSystemFunctionLookup& lookup);
std::string OsLanguageValue(bool nt);
std::string OsCharsetValue();

// --- network (ESysInfoNetwork.cpp) ---
// The adapters in list order; none when the IP helper library or one of its
// two functions is missing.
std::vector<TAdapterFacts> AdapterFacts(const TSystemFunctionLookup& lookup);
