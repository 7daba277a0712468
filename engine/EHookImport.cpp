#include "engine/EHookImport.h"

#include <cstdint>
#include <cstring>

#include "engine/ECoreMemory.h"
#include "engine/EHookCodeWriter.h"
#include "engine/EHookErrors.h"
#include "engine/EHookPlatform.h"
#include "engine/EHookUnit.h"

namespace {

constexpr std::size_t kPeHeaderSize = 248;  // signature, file header, 32-bit optional header
constexpr std::size_t kMaxModuleName = 260;
constexpr std::uint8_t kPushOpcode = 0x68;
constexpr std::uint8_t kJumpOpcode = 0xE9;

template <class Record>
bool ReadRecord(const void* address, Record& record) {
  return CopyReadable(address, &record, sizeof record) == sizeof record;
}

bool ReadModuleName(const char* address, std::string& name) {
  name.clear();
  for (std::size_t i = 0; i < kMaxModuleName; ++i) {
    char c;
    if (!ReadRecord(address + i, c)) return false;
    if (c == '\0') return true;
    name.push_back(c);
  }
  return false;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

// On the 9x platform import slots of system DLLs may hold a per-module stub
// "push <routine id>; jmp <common>" instead of the routine itself.
bool SameWin9xStub(const void* slotValue, const void* routine) {
  std::uint8_t a[6], b[6];
  if (!ReadRecord(slotValue, a) || !ReadRecord(routine, b)) return false;
  return a[0] == kPushOpcode && a[5] == kJumpOpcode && b[0] == kPushOpcode && b[5] == kJumpOpcode &&
         std::memcmp(a + 1, b + 1, 4) == 0;
}

// The import directory of a loaded image, or none.
const IMAGE_IMPORT_DESCRIPTOR* ImportDirectory(HMODULE module) {
  const auto* base = reinterpret_cast<const std::uint8_t*>(module);
  IMAGE_DOS_HEADER dos;
  if (!ReadRecord(base, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew == 0) {
    return nullptr;
  }
  const std::uint8_t* header = base + dos.e_lfanew;
  IMAGE_NT_HEADERS32 nt;
  static_assert(sizeof nt == kPeHeaderSize);
  if (!ReadRecord(header, nt) || nt.Signature != IMAGE_NT_SIGNATURE) return nullptr;
  const IMAGE_DATA_DIRECTORY& imports =
      nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0 || imports.Size == 0) return nullptr;
  return reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
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
  const IMAGE_IMPORT_DESCRIPTOR* descriptor = ImportDirectory(patch.module);
  if (!descriptor) return -1;
  const auto* base = reinterpret_cast<std::uint8_t*>(patch.module);
  const bool win9x = IsWin9xPlatform();
  int written = 0;
  for (IMAGE_IMPORT_DESCRIPTOR entry; ReadRecord(descriptor, entry); ++descriptor) {
    if (entry.Name == 0 && entry.FirstThunk == 0) break;
    std::string name;
    if (entry.Name == 0 ||
        !ReadModuleName(reinterpret_cast<const char*>(base + entry.Name), name) ||
        !SameNameIgnoringCase(name, patch.exportModule)) {
      continue;
    }
    auto* slot = reinterpret_cast<void**>(const_cast<std::uint8_t*>(base) + entry.FirstThunk);
    for (void* value; ReadRecord(slot, value) && value; ++slot) {
      if (value == patch.from || (win9x && SameWin9xStub(value, patch.from))) {
        if (WriteSlot(slot, patch.to)) ++written;
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
