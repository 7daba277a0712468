// The annotated assembler listing around a faulting address, for the report's
// assembler section and the dialog's assembler page.
//
// Pure logic over three narrow sources: a memory reader, an instruction-length
// measure and a lookup of routines and captions. Runs in the exception thread
// during handling: it allocates, takes no lock of its own and never throws
// (a failing source leaves a line unannotated or the window smaller).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/MemoryReader.h"

// The length in bytes of the instruction at the start of `code`, or 0 when it
// cannot be decoded (the listing then steps one byte).
using TInstructionLengthMeasure = std::function<std::uint32_t(std::span<const std::uint8_t> code)>;

// A routine-level location: the unit (source file name, with its extension),
// class and procedure, the source line and the line's distance from the
// routine's first line.
struct TListingRoutine {
  std::string Unit;
  std::string Class;
  std::string Procedure;
  std::uint32_t Line = 0;
  std::uint32_t LineOffset = 0;
};

// The lookup that annotates the listing. Implementations should not throw; the
// listing treats an exception as "nothing known".
class IListingLookup {
 public:
  virtual ~IListingLookup() = default;
  // The routine that holds the address; none when no routine is known there.
  virtual std::optional<TListingRoutine> RoutineAt(std::uint32_t address) = 0;
  // The one-line name of an address (a routine, or the class of a live object).
  virtual std::optional<std::string> AddressCaption(std::uint32_t address) = 0;
};

struct TListingSources {
  const TMemoryReader* Memory = nullptr;        // required
  TInstructionLengthMeasure InstructionLength;  // empty: the decoder's own length
  IListingLookup* Lookup = nullptr;             // none: no headers and no captions
};

// The section title is customizable text 14 of the options in effect; this is
// its default.
inline constexpr int kAssemblerInformationTextIndex = 14;
inline constexpr std::string_view kAssemblerInformationText = "Assembler Information";

struct TAssemblerListing {
  std::vector<std::string> Lines;  // without line ends
  // The title, ":", CR LF and a row of "-" as long as the longest line (at
  // least the title's length plus one).
  std::string Header;
};

// The instructions around `address`: at most 10 before it and 10 after it,
// within 70 readable bytes on each side. Empty lines when the address itself
// cannot be read.
TAssemblerListing AssemblerListing(std::uint32_t address, const TListingSources& sources,
                                   std::string_view title = kAssemblerInformationText);

// The routine's name as the listing shows it: the unit without its extension,
// the class and the procedure, joined by "." (empty parts left out).
std::string ListingRoutineName(const TListingRoutine& routine);

// The length measure built on TDisAsm (an invalid instruction gives 0).
std::uint32_t DisAsmInstructionLength(std::span<const std::uint8_t> code);
