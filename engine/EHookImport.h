// Import hooks: the import address slots of loaded modules that point at a
// routine of an export module are rewritten to point at a replacement, and
// each patch is recorded so that unit end can write the routine back.
//
// Installed during unit start; not for exception handling.
#pragma once

#include <windows.h>

#include <mutex>
#include <span>
#include <string>
#include <vector>

// One patched module: its slots that held ReplacedRoutine of ExportModule now
// hold NewRoutine.
struct TSaveDLLProc {
  HMODULE HookedModule = nullptr;
  std::string ExportModule;
  void* ReplacedRoutine = nullptr;
  void* NewRoutine = nullptr;
};

// The recorded import patches of the process. Destroying the list undoes
// them.
class TImportPatchList {
 public:
  TImportPatchList() = default;
  ~TImportPatchList();
  TImportPatchList(const TImportPatchList&) = delete;
  TImportPatchList& operator=(const TImportPatchList&) = delete;

  void Add(TSaveDLLProc patch);
  // Writes every replaced routine back where its new routine stands
  // (silently, skipping modules that are no longer loaded), the last patch
  // first, and forgets them.
  void UndoAll() noexcept;
  std::vector<TSaveDLLProc> Patches() const;

 private:
  mutable std::mutex lock_;
  std::vector<TSaveDLLProc> patches_;
};

// Patches, in each module of `moduleNames` that is loaded (empty names are
// skipped), the import slots holding the routine `routineName` of
// `exportModule` so that they hold `newRoutine`. `replaced` receives the
// routine's address as GetProcAddress gives it. Returns whether any slot was
// patched.
// Raises ESharedArea for a module in the 9x shared area; unless `silent`,
// EHookingError ("<export module>.<routine>") for a module whose image or
// import directory cannot be read and when nothing was patched. Also raises
// EHookingError when the hook unit has not started.
bool HookImport(std::span<const std::string> moduleNames, const std::string& exportModule,
                bool silent, void*& replaced, void* newRoutine, const std::string& routineName);

// Undoes every recorded import patch (as unit end does).
void UndoImportHooks() noexcept;
