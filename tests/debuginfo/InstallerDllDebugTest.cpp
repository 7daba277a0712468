#include <gtest/gtest.h>
#include <windows.h>

#include "debuginfo/EDebug.h"
#include "engine/ECoreModules.h"

namespace {

// The DLL as a release ships it: without DWARF, with its ELDATA block.
class StrippedInstallerDll : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA("VInstallParamsClient_stripped.dll");
    ASSERT_NE(module_, nullptr);
    // Lookups only read the module list: the test learns of the module as the
    // process snapshot would.
    const TDovaroModuleInfo* entry = ModuleEntryByHandle(reinterpret_cast<std::uintptr_t>(module_));
    ASSERT_NE(entry, nullptr);
    EXPECT_NE(entry->DebugIndex, nullptr) << "its block is indexed when it is registered";
    EXPECT_EQ(entry->OtherDebugSource, nullptr);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  std::uintptr_t Export(const char* name) const {
    return reinterpret_cast<std::uintptr_t>(GetProcAddress(module_, name));
  }
  HMODULE module_ = nullptr;
};

}  // namespace

TEST_F(StrippedInstallerDll, ItsExports_ResolveToOurSourceFileFromItsOwnBlock) {
  for (const char* name : {"SetParameters", "SetBDEConfig"}) {
    SCOPED_TRACE(name);
    const std::uintptr_t entry = Export(name);
    ASSERT_NE(entry, 0u);
    TCodeLocation location{};
    LocateAddress(entry, 1, location, false, false);
    ASSERT_NE(location.ModuleEntry, nullptr);
    EXPECT_EQ(location.ModuleEntry, FindModuleInfo(entry));
    EXPECT_TRUE(location.ModuleEntry->PasswordValid);
    EXPECT_EQ(location.Precision, lpLine);
    EXPECT_EQ(location.SourceUnit.Str(), "VInstallParamsClient.cpp");
    EXPECT_EQ(location.OwnerClass.Str(), "");
    EXPECT_EQ(location.RoutineName.Str(), name);
    EXPECT_GT(location.SourceLine, 0);
    EXPECT_EQ(location.RoutineLineOffset, 0);
    EXPECT_EQ(location.OwnerThread, 1u);
  }
}

TEST_F(StrippedInstallerDll, AddressOutsideEveryModule_IsNothingKnown) {
  TCodeLocation location{};
  LocateAddress(0x10, 0, location, false, false);
  EXPECT_EQ(location.Precision, lpNone);
  EXPECT_EQ(location.ModuleEntry, nullptr);
  LocateAddress(0x10, 0, location, true, false);
  EXPECT_EQ(location.Precision, lpLine);  // the first item of a call stack
}
