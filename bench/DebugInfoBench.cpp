// Lookups per second of the debug sources: every return address of a large
// module (the code after each near call that lands in the module's code) is
// resolved through the compact block (indexed once, and indexed for every
// single lookup as a module without an index is), the map source and the
// export-table fallback (every routine of the map taken as an export).
// A block answer reads the first bytes of the procedure through the live
// memory reader, which asks the system about the page each time.
//
// Usage: debuginfo_bench [module] (default: debuginfo_fixture_stripped.dll,
// with debuginfo_fixture.dbg and the module's .map beside it).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "bench/BenchMachine.h"
#include "debuginfo/EDebugBlockIndex.h"
#include "debuginfo/EDebugByteCursor.h"
#include "debuginfo/EDebugLocate.h"
#include "debuginfo/EDebugMap.h"
#include "platform/memory/ImageReader.h"
#include "platform/memory/LiveMemory.h"

namespace {

constexpr const char* kPassword = "fixture password";

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::uintptr_t> ReturnAddresses(std::uintptr_t handle) {
  std::vector<std::uintptr_t> addresses;
  const TImageReader image(LiveMemory(), handle);
  const TImageSection* text = image.Layout() ? image.Layout()->SectionNamed(".text") : nullptr;
  if (!text) return addresses;
  const auto* code = reinterpret_cast<const std::uint8_t*>(handle + text->VirtualAddress);
  const std::uintptr_t start = handle + text->VirtualAddress;
  const std::uintptr_t end = start + text->VirtualSize;
  for (std::uintptr_t at = start; at + 5 <= end; ++at) {
    if (code[at - start] != 0xE8) continue;
    std::int32_t displacement;
    std::memcpy(&displacement, code + (at - start) + 1, 4);
    const std::uintptr_t target = at + 5 + displacement;
    if (target >= start && target < end) addresses.push_back(at + 5);
  }
  return addresses;
}

// Every routine of the map's publics as if it were exported.
std::unique_ptr<TDovaroFunctionsList> FunctionsFromMap(const std::string& map,
                                                       std::uintptr_t handle) {
  std::vector<TDovaroFunctionInfo> functions;
  const auto at = map.find("Publics by Value");
  std::istringstream lines(map.substr(at == std::string::npos ? map.size() : at));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    unsigned segment = 0, offset = 0;
    char name[512] = {};
    if (line.rfind("Line numbers", 0) == 0) break;
    if (std::sscanf(line.c_str(), " %x:%x %511s", &segment, &offset, name) == 3) {
      functions.push_back({name, handle + 0x1000 + offset, 0});
    }
  }
  return std::make_unique<TDovaroFunctionsList>(std::move(functions));
}

template <class Lookup>
void Measure(const char* what, const std::vector<std::uintptr_t>& addresses, Lookup lookup) {
  std::size_t resolved = 0;
  const auto started = std::chrono::steady_clock::now();
  int rounds = 0;
  do {
    resolved = 0;
    for (std::uintptr_t address : addresses) {
      TCodeLocation location{};
      lookup(address - 1, location);
      resolved += location.Precision >= lpRoutine ? 1 : 0;
    }
    ++rounds;
  } while (std::chrono::steady_clock::now() - started < std::chrono::seconds(2));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("%-20s %8.0f lookups/s  (%zu of %zu addresses named, %d rounds)\n", what,
              addresses.size() * rounds / seconds, resolved, addresses.size(), rounds);
}

// Every `step`-th address: enough for a slow path to finish a round.
std::vector<std::uintptr_t> EveryNth(const std::vector<std::uintptr_t>& addresses,
                                     std::size_t step) {
  std::vector<std::uintptr_t> some;
  for (std::size_t i = 0; i < addresses.size(); i += step) some.push_back(addresses[i]);
  return some;
}

}  // namespace

int main(int argc, char** argv) {
  PrintExecutionLine();
  const std::string moduleName = argc > 1 ? argv[1] : "debuginfo_fixture_stripped.dll";
  HMODULE module = LoadLibraryA(moduleName.c_str());
  if (!module) {
    std::printf("cannot load %s\n", moduleName.c_str());
    return 1;
  }
  const auto handle = reinterpret_cast<std::uintptr_t>(module);
  const std::string block = ReadFile("debuginfo_fixture.dbg");
  const std::string map = ReadFile(moduleName.substr(0, moduleName.rfind('.')) + ".map");
  const auto addresses = ReturnAddresses(handle);
  std::printf("%zu return addresses, block %zu bytes, map %zu bytes\n", addresses.size(),
              block.size(), map.size());

  TLookupServices services;
  services.Code = &LiveMemory();
  services.MeasureProcedure = ProcedureLengthOfExport;
  services.ShowLibraryUnits = true;

  TModuleDebugView blockView;
  blockView.Known = true;
  blockView.Block = {AsBytes(block), 6105, kPassword, true, handle};
  const auto building = std::chrono::steady_clock::now();
  const TDebugBlockIndex index(blockView.Block);
  const double buildMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - building)
          .count();
  std::printf("block index: %zu units, %zu line entries, %zu bytes, built in %.1f ms\n",
              index.UnitCount(), index.LineCount(), index.MemoryBytes(), buildMs);
  Measure("block one-off", EveryNth(addresses, 10),
          [&](std::uintptr_t address, TCodeLocation& location) {
            LocateInModule(blockView, address, 0, location, false, false, services);
          });
  TModuleDebugView indexedView = blockView;
  indexedView.BlockIndex = &index;
  Measure("block indexed", addresses, [&](std::uintptr_t address, TCodeLocation& location) {
    LocateInModule(indexedView, address, 0, location, false, false, services);
  });
  // The same without reading the procedures' first bytes (so the line offsets
  // differ): what the index costs apart from the live code read.
  TLookupServices withoutCode = services;
  withoutCode.Code = nullptr;
  Measure("block, no code read", addresses, [&](std::uintptr_t address, TCodeLocation& location) {
    LocateInModule(indexedView, address, 0, location, false, false, withoutCode);
  });

  auto mapSource = CreateOtherDebugSource(handle);
  TModuleDebugView mapView;
  mapView.Known = true;
  mapView.OtherSource = mapSource.get();
  Measure("map source", addresses, [&](std::uintptr_t address, TCodeLocation& location) {
    LocateInModule(mapView, address, 0, location, false, false, services);
  });

  auto functions = FunctionsFromMap(map, handle);
  TModuleDebugView exportView;
  exportView.Known = true;
  exportView.Functions = functions.get();
  Measure("export fallback", addresses, [&](std::uintptr_t address, TCodeLocation& location) {
    LocateInModule(exportView, address, 0, location, false, false, services);
  });
  return 0;
}
