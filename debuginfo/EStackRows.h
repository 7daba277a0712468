// What the report and the dialog show of a call stack: which items are rows,
// the texts of a row, and the header line that opens each thread's block.
// Captions and labels are the customizable texts of the options in effect.
//
// Pure apart from the options' text expansion; allocates; never raises.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "debuginfo/EDebug.h"
#include "engine/ECoreOptions.h"

// What a thread header says about the thread beyond the item itself.
class IStackThreadFacts {
 public:
  virtual ~IStackThreadFacts() = default;
  // The thread's priority number; none when the thread is not listed.
  virtual std::optional<int> Priority(std::uint32_t threadId) = 0;
  // The class name of the thread's live object (empty without one).
  virtual std::string ClassName(std::uint32_t threadId) = 0;
  virtual bool IsMainThread(std::uint32_t threadId) = 0;
};

// Whether the item is a row under the module's StackFlags: lpLine always,
// lpRoutine with StackShowRoutineOnly, lpUnit with StackShowUnitOnly, never
// lpNone or lpModule.
bool RowVisible(const TCodeLocation& item, const TDovaroModuleOptions& options);

// The texts of a row, in column order.
struct TStackRowTexts {
  std::string Address;  // 8 upper-case hexadecimal digits
  std::string Module;   // the module's file name without folder
  std::string Unit;
  std::string Class;
  std::string Procedure;
  std::string Line;  // "<line>[<lines from the routine's start>]", empty for line 0
};
TStackRowTexts StackRowTexts(const TCodeLocation& item);

// Customizable texts 92 to 97: the column captions.
inline constexpr int kStackColumnCaptionTexts = 92;
inline constexpr int kStackColumnCount = 6;

// Whether `item` opens a new thread block after `previous` (none for the
// first row).
bool StartsThreadBlock(const TCodeLocation& item, const TCodeLocation* previous);

// The header line of a thread block ("*Exception Thread: ID=...; Priority=...")
// or of a leak entry.
std::string ThreadHeaderText(const TCodeLocation& item, bool forReport,
                             const TDovaroModuleOptions& options, IStackThreadFacts& facts);
