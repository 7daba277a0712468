#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "tests/support/TempFolder.h"
#include "debuginfo/EDebugBlockRecords.h"
#include "debuginfo/EDebugByteCursor.h"
#include "debuginfo/EDebugLocate.h"
#include "DebugBlockWalk.h"
#include "LocationExpectations.h"
#include "fixture/BlockFixture.h"
#include "platform/memory/LiveMemory.h"
#include "tests/support/FabricatedMemory.h"

namespace {

constexpr const char* kFixturePassword = "fixture password";
constexpr std::uint16_t kBlockVersion = 6105;

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.rfind('\\') + 1);
}

// The stripped fixture module, loaded, with the block generated from its
// unstripped build.
class GeneratedBlock : public testing::Test {
 protected:
  void SetUp() override {
    block_ = ReadFileBytes(ProgramFolder() + "debuginfo_fixture.dbg");
    module_ = LoadLibraryA((ProgramFolder() + "debuginfo_fixture_stripped.dll").c_str());
    ASSERT_NE(module_, nullptr);
    ASSERT_FALSE(block_.empty());
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  TModuleDebugView View(bool passwordValid = true) const {
    TModuleDebugView view;
    view.Known = true;
    view.Block.Block = AsBytes(block_);
    view.Block.Version = kBlockVersion;
    view.Block.Password = kFixturePassword;
    view.Block.PasswordValid = passwordValid;
    view.Block.Handle = reinterpret_cast<std::uintptr_t>(module_);
    return view;
  }

  // Through the module's index when one is given, else indexed for the one
  // lookup.
  TCodeLocation Locate(std::uintptr_t address, bool passwordValid = true,
                       bool showLibraryUnits = false,
                       const TDebugBlockIndex* index = nullptr) const {
    TLookupServices services;
    services.Code = &LiveMemory();
    services.ShowLibraryUnits = showLibraryUnits;
    TModuleDebugView view = View(passwordValid);
    view.BlockIndex = index;
    TCodeLocation location{};
    LocateInModule(view, address, 0, location, false, false, services);
    return location;
  }

  // The code the block's units cover: from the lowest start to the highest end.
  std::pair<std::uintptr_t, std::uintptr_t> BlockCodeRange() const {
    const TBlockNameDecoder names(kBlockVersion, kFixturePassword, true);
    TByteCursor cursor(AsBytes(block_));
    std::uint64_t low = UINT64_MAX, high = 0;
    for (std::uint32_t i = ReadUnitCount(cursor, kBlockVersion); i > 0; --i) {
      const auto unit = ReadUnitHeader(cursor, names);
      if (!unit) break;
      SkipLineData(cursor, *unit);
      low = std::min<std::uint64_t>(low, unit->CodeStart);
      high = std::max<std::uint64_t>(high, std::uint64_t{unit->CodeStart} + unit->CodeSize);
    }
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(module_) + kCodeSectionOffset;
    return {base + low, base + high};
  }

  std::vector<TFixtureSite> Sites() const {
    auto sites = reinterpret_cast<TFixtureSitesFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_, "FixtureSites")));
    std::vector<TFixtureSite> result(8);
    result.resize(sites(result.data(), static_cast<int>(result.size())));
    return result;
  }

  std::string block_;
  HMODULE module_ = nullptr;
};

ExpectedLocation Expected(const TFixtureSite& site) {
  return {"BlockFixture.cpp", site.OwnerClass, site.RoutineName, site.Line,
          site.Line - site.RoutineLine};
}

}  // namespace

TEST_F(GeneratedBlock, StrippedModule_HasNoDwarfLeft) {
  // The DWARF section names sit in the file's string table.
  EXPECT_NE(ReadFileBytes(ProgramFolder() + "debuginfo_fixture.dll").find(".debug_line"),
            std::string::npos);
  EXPECT_EQ(ReadFileBytes(ProgramFolder() + "debuginfo_fixture_stripped.dll").find(".debug_line"),
            std::string::npos);
}

TEST_F(GeneratedBlock, RoutinesAtKnownLines_ResolveToUnitClassRoutineLineAndOffset) {
  const auto sites = Sites();
  ASSERT_EQ(sites.size(), 3u);
  const TDebugBlockIndex index(View().Block);
  for (const TDebugBlockIndex* moduleIndex :
       {static_cast<const TDebugBlockIndex*>(nullptr), &index}) {
    for (const auto& site : sites) {
      SCOPED_TRACE(testing::Message()
                   << site.RoutineName << (moduleIndex ? ", indexed" : ", one-off"));
      // The call instruction ends just before its return address.
      const TCodeLocation location = Locate(site.Address - 1, true, false, moduleIndex);
      EXPECT_EQ(location.Precision, lpLine);
      ExpectLocation(location, Expected(site));
    }
  }
}

TEST_F(GeneratedBlock, EveryAddressOfTheBlocksCode_IndexAnswersAsTheWalk) {
  const auto [first, end] = BlockCodeRange();
  ASSERT_LT(first, end);
  // A copy of the code, so that the procedures' first bytes read quickly.
  std::string code(end - first, '\0');
  ASSERT_TRUE(LiveMemory().ReadAll(first, code.data(), code.size()));
  const TFabricatedMemory codeCopy(first, AsBytes(code));
  for (bool passwordValid : {true, false}) {
    SCOPED_TRACE(passwordValid ? "password valid" : "password not valid");
    const TDebugBlockModule module = View(passwordValid).Block;
    const TDebugBlockIndex index(module);
    // A few addresses on each side of the covered code as well. Protected
    // names change no range, so a sample of addresses checks them; the one-off
    // lookup, which reads every unit header each time, is checked at a sample.
    const TWalkComparison which{passwordValid ? 1u : 17u, 97};
    EXPECT_EQ(FirstDifferenceFromWalk(module, index, &codeCopy, first - 16, end + 16, which), "");
  }
}

TEST_F(GeneratedBlock, MapFileBesideTheModule_IsItsOtherSource) {
  auto source = CreateOtherDebugSource(reinterpret_cast<std::uintptr_t>(module_));
  ASSERT_TRUE(source);
  for (const auto& site : Sites()) {
    SCOPED_TRACE(site.RoutineName);
    TCodeLocation location{};
    ASSERT_TRUE(LocateInOtherSource(*source, site.Address - 1, true, location));
    EXPECT_EQ(location.Precision, lpLine);
    ExpectLocation(location, Expected(site));
  }
}

TEST_F(GeneratedBlock, AddressInALibraryUnit_IsTheModuleAloneUnlessTheLibraryReportsItself) {
  auto address = reinterpret_cast<TFixtureLibraryAddressFunction>(
      reinterpret_cast<void*>(GetProcAddress(module_, "FixtureLibraryAddress")))();
  const TCodeLocation hidden = Locate(address);
  EXPECT_EQ(hidden.Precision, lpModule);
  EXPECT_EQ(hidden.SourceUnit.Str(), "");
  EXPECT_EQ(hidden.OwnerClass.Str(), "");
  EXPECT_EQ(hidden.RoutineName.Str(), "");
  EXPECT_EQ(hidden.SourceLine, 0);
  const TCodeLocation shown = Locate(address, true, true);
  EXPECT_EQ(shown.Precision, lpLine);
  EXPECT_EQ(shown.SourceUnit.Str(), "EDebugBlock.cpp");
  EXPECT_EQ(shown.RoutineName.Str(), "LocateInDebugBlock");
}

TEST_F(GeneratedBlock, WrongPassword_NamesComeBackProtected) {
  const auto sites = Sites();
  ASSERT_FALSE(sites.empty());
  const TCodeLocation location = Locate(sites[0].Address - 1, false);
  EXPECT_EQ(location.Precision, lpLine);
  EXPECT_EQ(location.SourceUnit.View().substr(0, 2), "?p");
  EXPECT_EQ(location.RoutineName.View().substr(0, 1), "?");
  EXPECT_NE(location.RoutineName.Str(), "?Paint");
  EXPECT_EQ(location.SourceLine, sites[0].Line);
}

TEST_F(GeneratedBlock, FirstItemOfACallStack_IsAlwaysALine) {
  TCodeLocation location{};
  TModuleDebugView nothingKnown;
  LocateInModule(nothingKnown, 0x1234, 5, location, true, true, {});
  EXPECT_EQ(location.Precision, lpLine);
  EXPECT_EQ(location.IsExceptionAddress, 1);
  EXPECT_EQ(location.StackOrigin, 1);
  EXPECT_EQ(location.OwnerThread, 5u);
  EXPECT_EQ(location.CodeAddress, 0x1234u);
}
