// The readable options file of the build tool: every field of the option
// stream, the exception filters, the customizable texts, the debug password
// and the SymbolTable, one "Key = value" per line in sections:
//
//   [Options]       the stored fields by name; flag sets as numbers or as bit
//                   names joined by "|" (LogFlags = LogModulesAndProcesses | ...)
//   [Filter]        one section per filter record, in order
//   [Texts]         TextsLanguage and "index = text" for texts that differ
//                   from the defaults (a dump lists all of them)
//   [Debug]         DebugPassword: enciphers the block's password probe
//   [SymbolTable]   "SymbolID = \"routine\"" (resolved from the module's COFF
//                   symbols) or "SymbolID = offset, size"
//
// Texts are written in double quotes with C escapes (\r \n \t \" \\ \xHH);
// "#" or ";" starts a comment line, and "#" after a value a trailing comment.
// Fields left out keep their defaults. Pure.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ECoreEldata.h"
#include "engine/ECoreOptions.h"

class TOptionsTextError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TSymbolSpec {
  std::uint8_t SymbolID = 0;
  std::string RoutineName;    // when named: resolved against the module
  TSymbolTableEntry Entry{};  // when given as offset and size
};

struct TOptionsFile {
  std::unique_ptr<TDovaroModuleOptions> Options = std::make_unique<TDovaroModuleOptions>();
  std::string DebugPassword;
  std::vector<TSymbolSpec> Symbols;
};

// Raises TOptionsTextError("line N: ...") for a line it cannot read.
TOptionsFile ParseOptionsText(std::string_view text);

// What a dump shows besides the options.
struct TDumpFacts {
  std::vector<std::string> HeaderComments;   // written first, as comments
  std::optional<std::string> DebugPassword;  // none: the probe matched no password given
  std::vector<TSymbolTableEntry> SymbolTable;
  std::map<std::uint32_t, std::string> RoutineNames;  // by offset, shown as comments
};
std::string FormatOptionsText(const TDovaroModuleOptions& options, const TDumpFacts& facts);

// C-escaped text in double quotes, and its reverse (which raises on a bad
// escape or a missing closing quote; `rest` receives what follows the quote).
std::string QuoteText(std::string_view text);
std::string UnquoteText(std::string_view quoted, std::string_view* rest = nullptr);
