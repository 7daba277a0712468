// The snapshot's read interfaces served from records a test hands in, for
// the report and dialog code that reads modules, processes and threads.
#pragma once

#include <vector>

#include "debuginfo/ESnapshot.h"

class TFixtureSnapshot final : public ISnapshotModules,
                               public ISnapshotProcesses,
                               public ISnapshotThreads {
 public:
  std::vector<TModuleRow> ModuleRecords;
  std::vector<TDovaroProcessInfo> ProcessRecords;
  std::vector<TDovaroThreadEntry> ThreadRecords;

  std::vector<TModuleRow> Modules() const override { return ModuleRecords; }
  std::vector<TDovaroProcessInfo> Processes() const override { return ProcessRecords; }
  std::vector<TDovaroThreadEntry> Threads() const override { return ThreadRecords; }
};
