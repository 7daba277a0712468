#include <cstring>

#include "debuginfo/EDebugTD32.h"
#include "platform/memory/ImageReader.h"
#include "platform/runtime/PathText.h"

// The TD32 data that a Borland-style linker leaves in the image: the debug
// directory names a section that begins at the directory itself.
class TELPeBorTD32Image {
 public:
  static std::optional<std::vector<std::uint8_t>> Load(const TModuleAccess& access,
                                                       std::uintptr_t handle) {
    const TImageReader image(access.Memory(), handle);
    const TImageLayout* layout = image.Layout();
    if (!layout) return std::nullopt;
    const auto& directory = layout->Directories[kDirectoryDebug];
    if (directory.Size == 0) return std::nullopt;
    bool sectionFound = false;
    for (const auto& section : layout->Sections) {
      sectionFound = sectionFound || section.VirtualAddress == directory.VirtualAddress;
    }
    if (!sectionFound) return std::nullopt;
    TPeDebugDirectory entry;
    if (!image.ReadRecord(directory.VirtualAddress, entry)) return std::nullopt;
    auto data = image.Bytes(entry.AddressOfRawData, entry.SizeOfData);
    if (!data || !IsTD32Data(*data)) return std::nullopt;
    return data;
  }
};

TELDebugInfoTD32::TELDebugInfoTD32(std::uintptr_t moduleHandle, const TModuleAccess& access)
    : TELDebugInfoSource(moduleHandle, access) {
  Open();
}

bool TELDebugInfoTD32::Open() {
  auto data = TELPeBorTD32Image::Load(Access(), ModuleHandle());
  if (!data) data = Access().ReadWholeFile(SiblingFileName(".tds"));
  if (!data) return false;
  data_ = std::move(*data);
  scanner_ = std::make_unique<TELTD32InfoScanner>(data_);
  return scanner_->IsValid();
}

bool TELDebugInfoTD32::GetLocation(std::uintptr_t address, TELLocationInfo& info) const {
  const auto codeOffset = CodeOffset(address);
  if (!IsReady() || !codeOffset) return false;
  const std::uint32_t offset = *codeOffset;
  const TELModuleInfo* module = scanner_->ModuleFromOffset(offset);
  if (!module) return false;
  info.Address = address;
  info.UnitName = scanner_->Name(module->NameIndex);
  if (info.UnitName.empty()) return false;
  std::string moduleName = ExtractFileName(info.UnitName);
  moduleName = moduleName.substr(0, moduleName.rfind('.'));
  const TELProcSymbolInfo* procedure = scanner_->ProcedureFromOffset(offset);
  if (procedure) {
    info.ProcedureName = CleanTD32ProcedureName(scanner_->Name(procedure->NameIndex()), moduleName);
  }
  if (const TELSourceModuleInfo* source = scanner_->SourceModuleFromOffset(offset)) {
    info.SourceName = scanner_->Name(source->NameIndex);
    info.LineNumber = static_cast<std::int32_t>(scanner_->LineNumberFromOffset(*source, offset));
    if (procedure) {
      const auto first = scanner_->LineNumberFromOffset(*source, procedure->Offset());
      info.LineOffset = LinesAfter(info.LineNumber, static_cast<std::int32_t>(first));
    }
  }
  info.DebugInfo = this;
  return true;
}
