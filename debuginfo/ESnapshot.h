// How the bug report and the dialogs read the process snapshot: three small
// interfaces, the live implementation over the process-wide lists, and (in
// the tests) fixtures that hand in records of their own.
#pragma once

#include <vector>

#include "debuginfo/ESnapshotProcesses.h"
#include "debuginfo/ESnapshotTexts.h"
#include "debuginfo/ESnapshotThreads.h"

class ISnapshotModules {
 public:
  virtual ~ISnapshotModules() = default;
  // The loaded modules in handle order.
  virtual std::vector<TModuleRow> Modules() const = 0;
};

class ISnapshotProcesses {
 public:
  virtual ~ISnapshotProcesses() = default;
  // The processes of the machine in id order.
  virtual std::vector<TDovaroProcessInfo> Processes() const = 0;
};

class ISnapshotThreads {
 public:
  virtual ~ISnapshotThreads() = default;
  // The tracked threads in the order they were added, each with the class
  // name of its live object.
  virtual std::vector<TDovaroThreadEntry> Threads() const = 0;
};

// The live process: Modules refreshes the modules list and reads it,
// Processes rebuilds the processes list, Threads copies the threads list
// under its read lock and reads the objects' classes. For the reporting
// thread; they allocate and ask the system, so not inside a handler that
// forbids the heap. None raises except by running out of memory.
class TLiveSnapshot final : public ISnapshotModules,
                            public ISnapshotProcesses,
                            public ISnapshotThreads {
 public:
  std::vector<TModuleRow> Modules() const override;
  std::vector<TDovaroProcessInfo> Processes() const override;
  std::vector<TDovaroThreadEntry> Threads() const override;
};
const TLiveSnapshot& LiveSnapshot();
