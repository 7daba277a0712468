#include "debuginfo/ESnapshot.h"
#include "debuginfo/ESnapshotModules.h"
#include "debuginfo/ESnapshotObjectClass.h"
#include "engine/ECoreModules.h"

std::vector<TModuleRow> TLiveSnapshot::Modules() const {
  RefreshModules();
  std::vector<TModuleRow> rows;
  ModulesList().ForEach([&](const TDovaroModuleInfo& module) {
    rows.push_back({reinterpret_cast<std::uintptr_t>(module.Handle), module.FileName,
                    module.Description, module.Version, module.Size, module.LastModified});
  });
  return rows;
}

std::vector<TDovaroProcessInfo> TLiveSnapshot::Processes() const {
  RefreshProcesses();
  return ProcessesList().Records();
}

std::vector<TDovaroThreadEntry> TLiveSnapshot::Threads() const {
  std::vector<TDovaroThreadEntry> threads = ThreadsList().Entries();
  for (TDovaroThreadEntry& thread : threads)
    thread.ClassName = LiveObjectClassName(thread.ThreadObject);
  return threads;
}

const TLiveSnapshot& LiveSnapshot() {
  static const TLiveSnapshot snapshot;
  return snapshot;
}
