// Keeps C++ exceptions working inside this module when the host process has
// the shared libgcc (libgcc_s_dw2-1.dll) loaded.
//
// The start-up code of a MinGW module hands its unwind tables to that DLL when
// it is present instead of to the static unwinder linked into the module; the
// first throw in the module then finds no tables and aborts. At start-up we
// ask our own unwinder about our own code and, when it knows nothing, register
// the module's .eh_frame section with it.
#include <windows.h>

#include <cstdint>

#include "platform/memory/ImageReader.h"
#include "platform/memory/LiveMemory.h"

extern "C" {
struct dwarf_eh_bases {
  void* tbase;
  void* dbase;
  void* func;
};
const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases);
void __register_frame_info(const void* begin, void* object);
void* __deregister_frame_info(const void* begin);
}

// A zero-length marker inside this module's .eh_frame output section; the
// section itself is found through the PE section table.
__asm__(
    ".section .eh_frame,\"dr\"\n"
    ".globl _vipc_eh_frame_marker\n"
    "_vipc_eh_frame_marker:\n"
    ".text\n");
extern "C" const char vipc_eh_frame_marker[];

namespace {

// Storage the unwinder keeps for a registered table (its `struct object`).
alignas(8) unsigned char registrationObject[64];
const void* registeredFrames = nullptr;

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      vipc_eh_frame_marker, &module);
  return module;
}

const void* SectionStartContaining(HMODULE module, const void* address) {
  const TImageReader image(LiveMemory(), AddressOf(module));
  if (!image.Layout()) return nullptr;
  const auto rva = static_cast<std::uint32_t>(AddressOf(address) - image.Handle());
  const TImageSection* section = image.Layout()->SectionContaining(rva);
  return section ? reinterpret_cast<const void*>(image.Handle() + section->VirtualAddress)
                 : nullptr;
}

__attribute__((noinline)) void CodeOfThisModule() {
  __asm__ volatile("");
}

__attribute__((constructor(101))) void RegisterOwnUnwindTables() {
  dwarf_eh_bases bases{};
  void* probe = reinterpret_cast<char*>(&CodeOfThisModule) + 1;
  if (_Unwind_Find_FDE(probe, &bases) != nullptr) return;
  HMODULE module = ThisModule();
  if (!module) return;
  registeredFrames = SectionStartContaining(module, vipc_eh_frame_marker);
  if (registeredFrames) __register_frame_info(registeredFrames, registrationObject);
}

__attribute__((destructor(101))) void DeregisterOwnUnwindTables() {
  if (registeredFrames) __deregister_frame_info(registeredFrames);
  registeredFrames = nullptr;
}

}  // namespace
