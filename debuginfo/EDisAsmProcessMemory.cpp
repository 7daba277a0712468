#include "debuginfo/EDisAsmProcessMemory.h"

#include "engine/ECoreMemory.h"
#include "engine/EHookInstructionLength.h"

namespace {

bool ReadProcessBytes(std::uint32_t address, std::span<std::uint8_t> out) {
  const void* source = reinterpret_cast<const void*>(std::uintptr_t{address});
  return CopyReadable(source, out.data(), out.size()) == out.size();
}

}  // namespace

TMemoryReader ProcessMemoryReader() {
  return &ReadProcessBytes;
}

std::uint32_t EngineInstructionLength(std::span<const std::uint8_t> code) {
  return static_cast<std::uint32_t>(InstructionLength(code.data(), code.size()));
}

TAssemblerListing AssemblerListing(std::uint32_t address, std::string_view title) {
  TListingSources sources;
  sources.ReadMemory = ProcessMemoryReader();
  sources.InstructionLength = &EngineInstructionLength;
  return AssemblerListing(address, sources, title);
}
