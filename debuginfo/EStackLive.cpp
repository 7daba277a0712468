#include "debuginfo/EStackLive.h"

#include <windows.h>

#include "debuginfo/EDebugModules.h"
#include "debuginfo/ESnapshotObjectClass.h"
#include "debuginfo/ESnapshotThreads.h"
#include "debuginfo/EDisAsmListing.h"
#include "engine/ECoreMemory.h"
#include "engine/ECoreModules.h"

namespace {}  // namespace

void TLiveStackLocator::Locate(TAddress address, std::uint32_t threadId, TCodeLocation& location,
                               bool isExceptionAddress, bool stackOrigin) {
  // The builder learns of the modules its stacks run through, as the
  // snapshot does; the lookup itself only reads.
  ModuleEntryByHandle(ModuleHandleOfAddress(address));
  LocateAddress(address, threadId, location, isExceptionAddress, stackOrigin);
}

std::uintptr_t TLiveStackLocator::ModuleHandleOf(TAddress address) {
  return ModuleHandleOfAddress(address);
}

std::string TLiveStackLocator::ModuleFileName(std::uintptr_t handle) {
  if (handle == 0) return {};
  char name[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(reinterpret_cast<HMODULE>(handle), name, MAX_PATH);
  return std::string(name, length);
}

bool InsideLoadedImage(TAddress address) {
  return ModuleHandleOfAddress(address) != 0;
}

std::optional<std::string> AddressCaption(TAddress address) {
  const TAddress target = FollowJump(LiveMemory(), address);
  TCodeLocation location{};
  LocateAddress(target, 0, location, false, false);
  if (location.Precision >= lpRoutine && location.Precision <= lpLine) {
    std::string caption = ListingRoutineName(
        {location.SourceUnit.Str(), location.OwnerClass.Str(), location.RoutineName.Str(), 0, 0});
    if (location.RoutineLineOffset > 1) {
      caption += " (Line=" + std::to_string(location.SourceLine) + ")";
    }
    return caption;
  }
  if (const auto object = ReadObjectClass(LiveMemory(), address, InsideLoadedImage)) {
    return object->Name;
  }
  return std::nullopt;
}

std::string CallStackAsText(TAddress stackLow, TAddress stackHigh,
                            bool insideDevelopmentEnvironment) {
  TLiveStackLocator locator;
  return CallStackAsText(stackLow, stackHigh, insideDevelopmentEnvironment, LiveMemory(), locator);
}

std::string CallStackAsTextHere() {
  const auto here = reinterpret_cast<TAddress>(__builtin_frame_address(0)) & ~TAddress{3};
  return CallStackAsText(here, CallingThreadStackTop() - 4, false);
}
