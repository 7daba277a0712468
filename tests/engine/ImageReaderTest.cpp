// The loaded-image reader over fabricated images: headers, sections, exports
// (forwarders marked, a name cut by unreadable memory kept as far as it
// reads) and imports, and images it must refuse.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/memory/ImageReader.h"
#include "platform/memory/LiveMemory.h"
#include "tests/support/FabricatedMemory.h"

namespace {

constexpr TAddress kBase = 0x10000000;
constexpr std::uint32_t kHeaders = 0x80;
constexpr std::uint32_t kExports = 0x1000;
constexpr std::uint32_t kImports = 0x2000;

template <class Record>
void PutRecord(std::vector<std::uint8_t>& image, std::uint32_t at, const Record& record) {
  if (image.size() < at + sizeof record) image.resize(at + sizeof record);
  std::memcpy(image.data() + at, &record, sizeof record);
}

void PutText(std::vector<std::uint8_t>& image, std::uint32_t at, const std::string& text) {
  if (image.size() < at + text.size() + 1) image.resize(at + text.size() + 1);
  std::memcpy(image.data() + at, text.c_str(), text.size() + 1);
}

void Put32(std::vector<std::uint8_t>& image, std::uint32_t at, std::uint32_t value) {
  PutRecord(image, at, value);
}

// A DLL image with a .text and an .edata section, two named exports (the
// second a forwarder) and one import descriptor with two filled slots.
std::vector<std::uint8_t> FabricatedImage() {
  std::vector<std::uint8_t> image(0x3000);
  Put32(image, 0, kDosSignature);
  Put32(image, kNewHeaderOffsetField, kHeaders);
  TPeHeaders32 headers{};
  headers.Signature = kPeSignature;
  headers.FileHeader.NumberOfSections = 2;
  headers.FileHeader.SizeOfOptionalHeader = sizeof(TPeOptionalHeader32);
  headers.FileHeader.Characteristics = kFileCharacteristicDll;
  headers.OptionalHeader.Magic = kOptionalHeader32Magic;
  headers.OptionalHeader.ImageBase = kBase;
  headers.OptionalHeader.SizeOfImage = 0x3000;
  headers.OptionalHeader.NumberOfRvaAndSizes = kDataDirectoryCount;
  headers.OptionalHeader.DataDirectory[kDirectoryExport] = {kExports, 0x100};
  headers.OptionalHeader.DataDirectory[kDirectoryImport] = {kImports, 40};
  PutRecord(image, kHeaders, headers);
  TPeSectionHeader text{};
  std::memcpy(text.Name, ".text", 5);
  text.VirtualAddress = 0x400;
  text.VirtualSize = 0xC00;
  TPeSectionHeader edata{};
  std::memcpy(edata.Name, ".edata", 6);
  edata.VirtualAddress = kExports;
  edata.SizeOfRawData = 0x2000;  // no virtual size: the raw size counts
  PutRecord(image, kHeaders + sizeof headers, text);
  PutRecord(image, kHeaders + sizeof headers + sizeof text, edata);

  TPeExportDirectory exports{};
  exports.NumberOfFunctions = 2;
  exports.NumberOfNames = 2;
  exports.AddressOfFunctions = kExports + 0x40;
  exports.AddressOfNames = kExports + 0x50;
  exports.AddressOfNameOrdinals = kExports + 0x60;
  PutRecord(image, kExports, exports);
  Put32(image, kExports + 0x40, 0x0500);           // Alpha's code
  Put32(image, kExports + 0x44, kExports + 0x80);  // Beta forwards
  Put32(image, kExports + 0x50, kExports + 0x70);
  Put32(image, kExports + 0x54, kExports + 0x78);
  PutRecord(image, kExports + 0x60, std::uint16_t{0});
  PutRecord(image, kExports + 0x62, std::uint16_t{1});
  PutText(image, kExports + 0x70, "Alpha");
  PutText(image, kExports + 0x78, "Beta");
  PutText(image, kExports + 0x80, "OTHER.Beta");

  TPeImportDescriptor imported{};
  imported.Name = kImports + 0x40;
  imported.FirstThunk = kImports + 0x60;
  PutRecord(image, kImports, imported);  // the next descriptor is all zeros: the end
  PutText(image, kImports + 0x40, "KERNEL32.dll");
  Put32(image, kImports + 0x60, 0x7B000010);
  Put32(image, kImports + 0x64, 0x7B000020);
  return image;
}

}  // namespace

TEST(ImageReader, FabricatedDll_HeadersSectionsExportsAndImports) {
  const TFabricatedMemory memory(kBase, FabricatedImage());
  const TImageReader image(memory, kBase);
  ASSERT_NE(image.Layout(), nullptr);
  const TImageLayout& layout = *image.Layout();
  EXPECT_TRUE(layout.IsDll());
  EXPECT_EQ(layout.ImageBase, kBase);
  EXPECT_EQ(layout.SizeOfImage, 0x3000u);
  ASSERT_EQ(layout.Sections.size(), 2u);
  EXPECT_EQ(layout.SectionNamed(".edata"), &layout.Sections[1]);
  EXPECT_EQ(layout.SectionNamed(".data"), nullptr);
  EXPECT_EQ(layout.SectionContaining(0x0FFF), &layout.Sections[0]);
  EXPECT_EQ(layout.SectionContaining(0x2FFF), &layout.Sections[1]) << "raw size spans it";
  EXPECT_EQ(layout.SectionContaining(0x3000), nullptr);

  const std::vector<TImageExport> exports = image.Exports();
  ASSERT_EQ(exports.size(), 2u);
  EXPECT_EQ(exports[0].Name, "Alpha");
  EXPECT_EQ(exports[0].Rva, 0x500u);
  EXPECT_FALSE(exports[0].Forwarder);
  EXPECT_EQ(exports[1].Name, "Beta");
  EXPECT_TRUE(exports[1].Forwarder);

  const std::vector<TImageImport> imports = image.Imports();
  ASSERT_EQ(imports.size(), 1u);
  EXPECT_EQ(imports[0].ModuleName, "KERNEL32.dll");
  EXPECT_EQ(imports[0].FirstSlot, kBase + kImports + 0x60);
  EXPECT_EQ(memory.ReadU32(imports[0].FirstSlot + 4), 0x7B000020u);
  EXPECT_EQ(image.Text(kExports + 0x80, 64), "OTHER.Beta");
  EXPECT_EQ(image.Text(kExports + 0x80, 5), std::nullopt) << "longer than allowed";
}

TEST(ImageReader, ExportNameCutByUnreadableMemory_IsKeptAsFarAsItReads) {
  TFabricatedMemory memory(kBase, FabricatedImage());
  memory.Remove(kBase + kExports + 0x72, 0x10);  // "Al" stays readable
  const std::vector<TImageExport> exports = TImageReader(memory, kBase).Exports();
  ASSERT_EQ(exports.size(), 2u);
  EXPECT_EQ(exports[0].Name, "Al");
}

TEST(ImageReader, DamagedOrForeignHeaders_GiveNoLayoutAndEmptyLists) {
  struct TRow {
    const char* name;
    std::uint32_t at;
    std::uint32_t value;  // written over the fabricated image
  };
  const TRow rows[] = {
      {"no MZ", 0, 0x4D5A},
      {"new header offset 0", kNewHeaderOffsetField, 0},
      {"no PE signature", kHeaders, 0x00004551},
      {"a 64-bit optional header", kHeaders + offsetof(TPeHeaders32, OptionalHeader), 0x20B},
      {"sections beyond the image", kHeaders + 6, 0x4000},  // NumberOfSections
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::uint8_t> bytes = FabricatedImage();
    if (row.at == kHeaders + 6) {
      PutRecord(bytes, row.at, static_cast<std::uint16_t>(row.value));
    } else {
      Put32(bytes, row.at, row.value);
    }
    const TFabricatedMemory memory(kBase, bytes);
    const TImageReader image(memory, kBase);
    EXPECT_EQ(image.Layout(), nullptr);
    EXPECT_TRUE(image.Exports().empty());
    EXPECT_TRUE(image.Imports().empty());
  }
}

TEST(ImageReader, LiveKernel32_HasItsExportsAndIsADll) {
  const auto kernel = AddressOf(GetModuleHandleA("kernel32.dll"));
  const TImageReader image(LiveMemory(), kernel);
  ASSERT_NE(image.Layout(), nullptr);
  EXPECT_TRUE(image.Layout()->IsDll());
  bool found = false;
  for (const TImageExport& entry : image.Exports()) {
    if (entry.Name != "GetTickCount") continue;
    found = true;
    const auto address = reinterpret_cast<TAddress>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount")));
    if (!entry.Forwarder) {
      EXPECT_EQ(kernel + entry.Rva, address);
    }
  }
  EXPECT_TRUE(found);
}
