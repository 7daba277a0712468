// The build tool's PE handling: checksums, resources and COFF symbols.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "tests/engine/support/EngineTestModules.h"
#include "tests/support/TempFolder.h"
#include "tools/eldata_tool/PeImage.h"

namespace {

std::vector<std::uint8_t> FileBytes(const std::string& name) {
  const std::string bytes = ReadFileBytes(name);
  return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> Bytes(const char* text) {
  return {text, text + std::strlen(text)};
}

}  // namespace

TEST(PeImage, Checksum_MatchesTheLinkersChecksum) {
  // The linker stamped these programs; nothing changed them afterwards.
  for (const char* program : {"installer_host.exe", "brisole_server.exe"}) {
    SCOPED_TRACE(program);
    const TPeImage image(FileBytes(BesideTests(program)));
    ASSERT_NE(image.StoredChecksum(), 0u);
    EXPECT_EQ(image.ComputeChecksum(), image.StoredChecksum());
  }
  const TPeImage dll(FileBytes(BesideTests("VInstallParamsClient.dll")));
  EXPECT_EQ(dll.ComputeChecksum(), dll.StoredChecksum()) << "the tool updates it after embedding";
}

TEST(PeImage, Resources_RoundTripAndTheSystemFindsThem) {
  TPeImage image(FileBytes(BesideTests("installer_host.exe")));
  ASSERT_TRUE(image.Resources().empty());
  const std::size_t sections = image.Sections().size();
  const std::vector<TResourceEntry> resources = {
      {std::uint16_t{10}, std::u16string(u"ELDATA"), 0, 0, Bytes("first block")},
      {std::u16string(u"CUSTOM"), std::uint16_t{7}, 0x0409, 1252, Bytes("custom")},
      {std::uint16_t{10}, std::uint16_t{3}, 0, 0, Bytes("numbered")},
  };
  image.SetResources(resources);
  EXPECT_EQ(image.Sections().size(), sections + 1);
  std::vector<TResourceEntry> read = image.Resources();
  ASSERT_EQ(read.size(), 3u);
  // Named types first, then numbered ones; named entries before numbered.
  EXPECT_EQ(read[0].Data, Bytes("custom"));
  EXPECT_EQ(read[0].Language, 0x0409);
  EXPECT_EQ(read[0].CodePage, 1252u);
  EXPECT_EQ(read[1].Data, Bytes("first block"));
  EXPECT_EQ(read[2].Data, Bytes("numbered"));

  // Rebuilt again: the new section is replaced, not stacked.
  read[1].Data = Bytes("second block, a little longer");
  image.SetResources(read);
  EXPECT_EQ(image.Sections().size(), sections + 1);
  image.UpdateChecksum();
  EXPECT_EQ(image.ComputeChecksum(), image.StoredChecksum());

  TempFolder folder;
  const std::string path = folder.Path() + "with_resources.exe";
  WriteFileBytes(path, std::string(image.Bytes().begin(), image.Bytes().end()));
  const HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  const HRSRC found = FindResourceA(module, "ELDATA", MAKEINTRESOURCEA(10));
  ASSERT_NE(found, nullptr);
  const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
  EXPECT_EQ(std::string(data, SizeofResource(module, found)), "second block, a little longer");
  EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(7), "CUSTOM"), nullptr);
  FreeLibrary(module);
}

TEST(PeImage, CoffSymbols_GiveTheRoutinesOfTheModule) {
  const TPeImage image(FileBytes(BesideTests("eldata_probe_resource.dll")));
  TLoadedModule probe(BesideTests("eldata_probe_resource.dll"));
  const auto address = reinterpret_cast<std::uintptr_t>(
      reinterpret_cast<void*>(GetProcAddress(probe.Handle(), "ProbeRoutine")));
  const auto rva =
      static_cast<std::uint32_t>(address - reinterpret_cast<std::uintptr_t>(probe.Handle()));
  bool found = false;
  for (const TCoffSymbol& symbol : image.CoffSymbols())
    if (symbol.Name == "_ProbeRoutine") {
      found = true;
      EXPECT_EQ(symbol.Rva, rva);
      EXPECT_GT(symbol.Size, 4u);
      EXPECT_LT(symbol.Size, 64u);
    }
  EXPECT_TRUE(found);
}

TEST(PeImage, DamagedFiles_AreRefusedWithAReason) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"no MZ", std::vector<std::uint8_t>(256, 0)},
      {"MZ only",
       [] {
         std::vector<std::uint8_t> bytes(256, 0);
         bytes[0] = 'M', bytes[1] = 'Z', bytes[0x3C] = 0xF0;
         return bytes;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(TPeImage{c.bytes}, TPeError);
  }
  auto truncated = FileBytes(BesideTests("installer_host.exe"));
  truncated.resize(0x200);
  EXPECT_THROW(TPeImage(truncated).CoffSymbols(), TPeError);
}
