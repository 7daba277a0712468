#include "engine/EHookImport.h"

#include <cstdint>
#include <cstring>

#include "engine/ECoreMemory.h"
#include "engine/EHookCodeWriter.h"
#include "engine/EHookErrors.h"
#include "engine/EHookPlatform.h"
#include "engine/EHookUnit.h"
#include "platform/memory/ImageReader.h"

namespace {

constexpr std::uint8_t kPushOpcode = 0x68;
constexpr std::uint8_t kJumpOpcode = 0xE9;

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

// On the 9x platform import slots of system DLLs may hold a per-module stub
// "push <routine id>; jmp <common>" instead of the routine itself.
bool SameWin9xStub(TAddress slotValue, TAddress routine) {
  std::uint8_t a[6], b[6];
  if (!LiveMemory().ReadRecord(slotValue, a) || !LiveMemory().ReadRecord(routine, b)) return false;
  return a[0] == kPushOpcode && a[5] == kJumpOpcode && b[0] == kPushOpcode && b[5] == kJumpOpcode &&
         std::memcmp(a + 1, b + 1, 4) == 0;
}

struct TSlotPatch {
  HMODULE module;
  const std::string& exportModule;
  void* from;
  void* to;
};

// Rewrites the slots of `patch.module` that import `patch.from` from the
// export module. Returns the number of slots written, or -1 when the image
// or its import directory cannot be read.
int PatchImportSlots(const TSlotPatch& patch) {
  const TImageReader image(LiveMemory(), AddressOf(patch.module));
  if (!image.Layout()) return -1;
  const std::vector<TImageImport> imports = image.Imports();
  if (imports.empty()) return -1;
  const bool win9x = IsWin9xPlatform();
  const TAddress from = AddressOf(patch.from);
  int written = 0;
  for (const TImageImport& imported : imports) {
    if (!SameNameIgnoringCase(imported.ModuleName, patch.exportModule)) continue;
    TAddress slot = imported.FirstSlot;
    for (auto value = image.Memory().ReadU32(slot); value && *value;
         value = image.Memory().ReadU32(slot += 4)) {
      if (*value == from || (win9x && SameWin9xStub(*value, from))) {
        if (WriteSlot(reinterpret_cast<void*>(slot), patch.to)) ++written;
      }
    }
  }
  return written;
}

}  // namespace

TImportPatchList::~TImportPatchList() {
  UndoAll();
}

void TImportPatchList::Add(TSaveDLLProc patch) {
  std::lock_guard guard(lock_);
  patches_.push_back(std::move(patch));
}

void TImportPatchList::UndoAll() noexcept {
  std::lock_guard guard(lock_);
  while (!patches_.empty()) {
    const TSaveDLLProc& patch = patches_.back();
    if (ContainingModule(patch.HookedModule) == patch.HookedModule) {  // still loaded
      PatchImportSlots(
          {patch.HookedModule, patch.ExportModule, patch.NewRoutine, patch.ReplacedRoutine});
    }
    patches_.pop_back();
  }
}

std::vector<TSaveDLLProc> TImportPatchList::Patches() const {
  std::lock_guard guard(lock_);
  return patches_;
}

bool HookImport(std::span<const std::string> moduleNames, const std::string& exportModule,
                bool silent, void*& replaced, void* newRoutine, const std::string& routineName) {
  const std::string procedureName = exportModule + "." + routineName;
  TImportPatchList* patches = ActiveImportPatches();
  if (!patches) throw EHookingError(procedureName);
  HMODULE exporter = GetModuleHandleA(exportModule.c_str());
  replaced =
      exporter ? reinterpret_cast<void*>(GetProcAddress(exporter, routineName.c_str())) : nullptr;
  bool patchedAny = false;
  for (const std::string& moduleName : moduleNames) {
    if (moduleName.empty()) continue;
    HMODULE module = GetModuleHandleA(moduleName.c_str());
    if (!module) continue;
    CheckOutsideSharedArea(module);
    const int written = PatchImportSlots({module, exportModule, replaced, newRoutine});
    if (written < 0 && !silent) throw EHookingError(procedureName);
    if (written > 0) {
      patches->Add({module, exportModule, replaced, newRoutine});
      patchedAny = true;
    }
  }
  if (!patchedAny && !silent) throw EHookingError(procedureName);
  return patchedAny;
}

void UndoImportHooks() noexcept {
  if (TImportPatchList* patches = ActiveImportPatches()) patches->UndoAll();
}
