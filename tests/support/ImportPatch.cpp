#include "tests/support/ImportPatch.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace {

void WriteSlot(void** slot, void* value) {
  DWORD previous = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous);
  *slot = value;
  VirtualProtect(slot, sizeof *slot, previous, &previous);
}

}  // namespace

ImportPatch::ImportPatch(HMODULE module, const char* dllName, const char* function,
                         void* replacement) {
  auto* base = reinterpret_cast<unsigned char*>(module);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
  for (; directory.VirtualAddress && descriptor->Name; ++descriptor) {
    if (_stricmp(reinterpret_cast<const char*>(base + descriptor->Name), dllName) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (descriptor->OriginalFirstThunk
                                                                  ? descriptor->OriginalFirstThunk
                                                                  : descriptor->FirstThunk));
    auto* slots = reinterpret_cast<void**>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      slot_ = slots;
      original_ = *slots;
      WriteSlot(slot_, replacement);
      return;
    }
  }
  throw std::runtime_error(std::string("module does not import ") + dllName + "!" + function);
}

ImportPatch::~ImportPatch() {
  WriteSlot(slot_, original_);
}
