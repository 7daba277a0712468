// The export-table fallback: a module's exported functions sorted by
// address, their sizes measured on first use, and the splitting of exported
// (possibly decorated) names into unit, class and routine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "debuginfo/EDebug.h"
#include "platform/memory/MemoryReader.h"

struct TDovaroFunctionInfo {
  std::string Name;
  std::uintptr_t Address = 0;
  std::uint32_t Size = 0;  // 0 until measured
};

// Measures the routine at an address in bytes (instruction by instruction
// up to its return); never raises.
using TProcedureLengthMeasure = std::function<std::uint32_t(std::uintptr_t address)>;

// A module's exported functions, sorted by address, guarded by its own lock.
class TDovaroFunctionsList {
 public:
  explicit TDovaroFunctionsList(std::vector<TDovaroFunctionInfo> functions);

  // The function whose [start, start + size] holds `address` (both ends
  // included), sizes measured and cached on first use. Takes the list's lock.
  std::optional<TDovaroFunctionInfo> Find(std::uintptr_t address,
                                          const TProcedureLengthMeasure& measure);
  std::size_t Count() const { return functions_.size(); }

 private:
  std::mutex lock_;
  std::vector<TDovaroFunctionInfo> functions_;
};

// The named exports of the loaded module (forwarders left out), or null
// when the image has no export table.
std::unique_ptr<TDovaroFunctionsList> ReadExportedFunctions(const TMemoryReader& memory,
                                                            TAddress handle);

// Fills unit, class and routine from an exported name and raises Precision
// to lpUnit or lpRoutine; names it cannot split change nothing.
void ParseExportedName(std::string_view name, TCodeLocation& location);

// The length of an exported routine, measured from its first instruction up
// to its return (no limit in practice); 1 when it cannot be read.
std::uint32_t ProcedureLengthOfExport(std::uintptr_t address);
