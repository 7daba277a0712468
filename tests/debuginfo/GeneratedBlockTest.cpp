#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/TempFolder.h"
#include "debuginfo/EDebugByteCursor.h"
#include "debuginfo/EDebugLocate.h"
#include "LocationExpectations.h"
#include "fixture/BlockFixture.h"
#include "platform/memory/LiveMemory.h"

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

  TCodeLocation Locate(std::uintptr_t address, bool passwordValid = true,
                       bool showLibraryUnits = false) const {
    TLookupServices services;
    services.Code = &LiveMemory();
    services.ShowLibraryUnits = showLibraryUnits;
    TCodeLocation location{};
    LocateInModule(View(passwordValid), address, 0, location, false, false, services);
    return location;
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
  for (const auto& site : sites) {
    SCOPED_TRACE(site.RoutineName);
    // The call instruction ends just before its return address.
    const TCodeLocation location = Locate(site.Address - 1);
    EXPECT_EQ(location.Precision, lpLine);
    ExpectLocation(location, Expected(site));
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
