// The build tool's operations, apart from the command line: writing a module's
// ELDATA block from an options file and reading it back as text. Pure: they
// work on bytes; main.cpp reads and writes the files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/eldata_tool/OptionsText.h"
#include "tools/eldata_tool/PeImage.h"

enum class TCarrier { Resource, Appended };

struct TWriteRequest {
  std::string OptionsText;
  std::vector<std::uint8_t> DebugInfo;  // the n bytes of debug information (may be empty)
  double BuildStamp = 0;                // days since 30 December 1899, UTC
  TCarrier Carrier = TCarrier::Resource;
  // A data version other than this engine's, to make a module of an older or
  // newer engine.
  std::optional<std::uint16_t> FormatVersion;
};

// The resolved SymbolTable: named routines are looked up among the module's
// COFF symbols (exactly, or with the leading "_" of C names). Raises
// TOptionsTextError for a routine the module lacks.
std::vector<TSymbolTableEntry> ResolveSymbols(const std::vector<TSymbolSpec>& symbols,
                                              const TPeImage* module);

// The block for the options file (raises TOptionsTextError / TPeError).
std::vector<std::uint8_t> BuildEldataBlock(const TWriteRequest& request, const TPeImage* module);

// The module with the block embedded as its RT_RCDATA "ELDATA" resource, or
// appended at its end; an earlier appended carrier is removed first, and the
// header checksum is brought up to date.
std::vector<std::uint8_t> EmbedEldata(std::vector<std::uint8_t> module,
                                      const TWriteRequest& request);

// The module's ELDATA block as options text; `password` is tried on the
// password probe. Raises TPeError for a module that is no PE file and
// std::runtime_error when it carries no readable block.
struct TDumpResult {
  std::string Text;
  std::optional<std::vector<std::uint8_t>> DebugInfo;
};
TDumpResult DumpEldata(const std::vector<std::uint8_t>& module, const std::string& password);
