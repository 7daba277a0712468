#include "debuginfo/EDebugSource.h"

#include "debuginfo/EDebugJedy.h"
#include "debuginfo/EDebugMap.h"
#include "debuginfo/EDebugTD32.h"
#include "platform/runtime/PathText.h"

std::string TELDebugInfoSource::SiblingFileName(const char* extension) const {
  const std::string file = access_.ModuleFileName(moduleHandle_);
  const std::string folder = ExtractFilePath(file);
  const std::string name = ExtractFileName(file);
  const auto dot = name.rfind('.');
  return folder + (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
}

namespace {
template <class Source>
std::unique_ptr<TELDebugInfoSource> TryOpen(std::uintptr_t handle, const TModuleAccess& access) {
  try {
    auto source = std::make_unique<Source>(handle, access);
    if (source->IsReady()) return source;
  } catch (...) {
    // A source that cannot open is discarded.
  }
  return nullptr;
}
}  // namespace

std::unique_ptr<TELDebugInfoSource> CreateOtherDebugSource(std::uintptr_t moduleHandle,
                                                           const TModuleAccess& access) {
  if (auto map = TryOpen<TELDebugInfoMap>(moduleHandle, access)) return map;
  if (auto td32 = TryOpen<TELDebugInfoTD32>(moduleHandle, access)) return td32;
  return TryOpen<TELDebugInfoJedy>(moduleHandle, access);
}
