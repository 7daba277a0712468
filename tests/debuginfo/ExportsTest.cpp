#include <gtest/gtest.h>
#include <windows.h>

#include "debuginfo/EDebugLocate.h"
#include "platform/memory/LiveMemory.h"

TEST(ExportedNames, Parse_Table) {
  struct Row {
    const char* name;
    TLocationPrecision precision;
    const char *unit, *ownerClass, *routine;
  } rows[] = {
      {"Unit.TClass.Method", lpUnit, "Unit.cpp", "TClass", "Method"},
      {"Unit.Routine", lpUnit, "Unit.cpp", "", "Routine"},
      {"Unit.TClass.Method@12", lpUnit, "Unit.cpp", "TClass", "Method"},
      {"A.B.C.D", lpNone, "", "", ""},
      {"PlainRoutine", lpRoutine, "", "", "PlainRoutine"},
      {"?Mangled@@YAXXZ", lpNone, "", "", ""},
      {"@Unit@TClass@Method$qqrv", lpUnit, "Unit.cpp", "TClass", "Method"},
      {"@Unit@Routine$qqri", lpUnit, "Unit.cpp", "", "Routine"},
      {"@Unit@TClass@Method@$qqrv", lpUnit, "Unit.cpp", "TClass", "Method"},
      {"@Unit@@Helper$qqrv", lpUnit, "Unit.cpp", "", "_Helper"},
      {"@$xp$TClass", lpNone, "", "", ""},
      {"@Unit@TClass@NoSignature", lpNone, "", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TCodeLocation location{};
    ParseExportedName(row.name, location);
    EXPECT_EQ(location.Precision, row.precision);
    EXPECT_EQ(location.SourceUnit.Str(), row.unit);
    EXPECT_EQ(location.OwnerClass.Str(), row.ownerClass);
    EXPECT_EQ(location.RoutineName.Str(), row.routine);
  }
}

namespace {

class ExportsFixture : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA("debuginfo_exports_fixture.dll");
    ASSERT_NE(module_, nullptr);
    functions_ = ReadExportedFunctions(LiveMemory(), Handle());
    ASSERT_TRUE(functions_);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  std::uintptr_t Handle() const { return reinterpret_cast<std::uintptr_t>(module_); }
  std::uintptr_t InsideOf(const char* internalName) const {
    using Routine = std::uintptr_t (*)();
    auto routine =
        reinterpret_cast<Routine>(reinterpret_cast<void*>(GetProcAddress(module_, internalName)));
    return routine();
  }
  TCodeLocation Locate(std::uintptr_t address) const {
    TModuleDebugView view;
    view.Known = true;
    view.Functions = functions_.get();
    TLookupServices services;
    services.MeasureProcedure = ProcedureLengthOfExport;
    TCodeLocation location{};
    LocateInModule(view, address, 0, location, false, false, services);
    return location;
  }

  HMODULE module_ = nullptr;
  std::unique_ptr<TDovaroFunctionsList> functions_;
};

}  // namespace

TEST_F(ExportsFixture, ExportedRoutines_ResolveFromTheirNamesAnywhereInside) {
  EXPECT_EQ(functions_->Count(), 4u);
  struct Row {
    const char* exportName;
    TLocationPrecision precision;
    const char *unit, *ownerClass, *routine;
  } rows[] = {
      {"FixtureUnit.TFixture.Method", lpUnit, "FixtureUnit.cpp", "TFixture", "Method"},
      {"FixtureUnit.Helper", lpUnit, "FixtureUnit.cpp", "", "Helper"},
      {"@FixtureUnit@TFixture@Decorated$qqrv", lpUnit, "FixtureUnit.cpp", "TFixture", "Decorated"},
      {"PlainExport", lpRoutine, "", "", "PlainExport"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.exportName);
    const std::uintptr_t inside = InsideOf(row.exportName);
    const TCodeLocation location = Locate(inside);
    EXPECT_EQ(location.Precision, row.precision);
    EXPECT_EQ(location.SourceUnit.Str(), row.unit);
    EXPECT_EQ(location.OwnerClass.Str(), row.ownerClass);
    EXPECT_EQ(location.RoutineName.Str(), row.routine);
    EXPECT_EQ(location.SourceLine, 0);
    EXPECT_EQ(location.CodeAddress, inside);
  }
}

TEST_F(ExportsFixture, AddressOutsideEveryExport_IsTheModuleAlone) {
  // The module's first code byte lies before every exported routine here.
  const TCodeLocation location = Locate(Handle() + 0x1000);
  EXPECT_EQ(location.Precision, lpModule);
  EXPECT_EQ(location.RoutineName.Str(), "");
}
