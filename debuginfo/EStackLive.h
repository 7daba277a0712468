// The call stack builder in this process: the live locator (LocateAddress
// over the registered modules), the captions of code and object addresses,
// and the compact stack text of the internal-error report.
//
// Not for contexts that forbid the heap; never raises.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "debuginfo/EStackScan.h"

class TLiveStackLocator final : public IStackLocator {
 public:
  void Locate(TAddress address, std::uint32_t threadId, TCodeLocation& location,
              bool isExceptionAddress, bool stackOrigin) override;
  std::uintptr_t ModuleHandleOf(TAddress address) override;
  std::string ModuleFileName(std::uintptr_t handle) override;
};

// Whether the address lies inside a loaded module's image.
bool InsideLoadedImage(TAddress address);

// The one-line name of an address: through an import stub, the routine as
// "Unit.Class.Routine" (the unit without its extension, empty parts left out)
// with " (Line=n)" past the routine's first line; else the class name of a
// live object there; else none.
std::optional<std::string> AddressCaption(TAddress address);

// CallStackAsText (debuginfo/EStackScan.h) of a range of the calling thread's
// stack in this process.
std::string CallStackAsText(TAddress stackLow, TAddress stackHigh,
                            bool insideDevelopmentEnvironment);

// CallStackAsText from the caller's own stack position up to its stack base.
std::string CallStackAsTextHere();
