// Modules that carry the engine, loaded for real: the installer DLL and the
// test modules read their own ELDATA blocks when they load, and the reader
// linked into this program reads theirs.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine/ECore.h"
#include "engine/EngineUnits.h"
#include "platform/runtime/Exception.h"
#include "tests/engine/support/EngineTestModules.h"
#include "tests/support/InstallerDll.h"
#include "tests/support/TempFolder.h"
#include "tools/eldata_tool/OptionsText.h"
#include "tests/support/EngineEnvironment.h"
#include "tools/eldata_tool/PeImage.h"

namespace {

using TIntQuery = int (*)();
using TSymbolQuery = void* (*)(int);
using TSetter = int (*)(unsigned);

std::vector<std::uint8_t> FileBytes(const std::string& name) {
  const std::string bytes = ReadFileBytes(name);
  return {bytes.begin(), bytes.end()};
}

// A copy of the resource probe module whose ELDATA resource is `block`.
std::string ProbeCopyWithBlock(const TempFolder& folder, const std::string& name,
                               const std::vector<std::uint8_t>& block) {
  TPeImage image(FileBytes(BesideTests("eldata_probe_resource.dll")));
  std::vector<TResourceEntry> resources;
  resources.push_back({kEldataResourceType, std::u16string(u"ELDATA"), 0, 0, block});
  image.SetResources(resources);
  const std::string path = folder.Path() + name;
  WriteFileBytes(path, std::string(image.Bytes().begin(), image.Bytes().end()));
  return path;
}

std::vector<std::uint8_t> ProbeBlock() {
  TPeImage image(FileBytes(BesideTests("eldata_probe_resource.dll")));
  for (const TResourceEntry& entry : image.Resources())
    if (std::get_if<std::u16string>(&entry.Name)) return entry.Data;
  return {};
}

std::optional<std::string> PasswordForProbe(const TDovaroModuleInfo&, int attempt) {
  return attempt == 0 ? std::optional<std::string>("probe-secret") : std::nullopt;
}

}  // namespace

TEST(InstallerDllEngineData, LoadedDll_PublishesTheOptionsOfItsOwnBlock) {
  InstallerDll dll;
  TDovaroModuleOptions published;
  ASSERT_EQ(PublishedOptionsError(dll.Module(), published), std::nullopt);
  ExpectInstallerOptions(published);

  // They are the values of the options file in the repository.
  const TOptionsFile file =
      ParseOptionsText(ReadFileBytes(BesideTests("VInstallParamsClient.eldata")));
  EXPECT_TRUE(published.SameStoredValues(*file.Options));
}

TEST(InstallerDllEngineData, ReaderOfThisProgram_FindsTheSameBlock) {
  InstallerDll dll;
  EXPECT_TRUE(HasEngineData(dll.Module()));
  EXPECT_EQ(EngineDataVersion(dll.Module()), 6105);
  EXPECT_TRUE(IsCompatibleEngine(dll.Module()));
  const auto record = LoadModuleRecord(dll.Module(), "", true);
  ASSERT_TRUE(record->EngineDataLoaded);
  EXPECT_EQ(record->FormatVersion, 6105);
  SYSTEMTIME now;
  GetSystemTime(&now);
  EXPECT_GT(record->BuildStamp, 45000.0) << "the build tool stamps the block";
  EXPECT_TRUE(record->PasswordValid);
  ASSERT_TRUE(record->DebugInfo.has_value());
  EXPECT_TRUE(record->SymbolTable.empty());
  ExpectInstallerOptions(*record->Options);
  const auto header = PeekEldataHeader(EldataResource(dll.Module()));
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->HeaderLeakFlags, 0x1E);
  EXPECT_TRUE(header->HeaderUseMainOptions);
}

TEST(InstallerDllEngineData, ModuleWithoutBlock_HasNoEngineData) {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  EXPECT_FALSE(HasEngineData(kernel));
  EXPECT_EQ(EngineDataVersion(kernel), 0);
  EXPECT_FALSE(IsCompatibleEngine(kernel));
  const auto record = LoadModuleRecord(kernel, "", true);
  EXPECT_FALSE(record->EngineDataLoaded);
  EXPECT_EQ(record->FormatVersion, 6105);
  EXPECT_EQ(record->BuildStamp, 0);
  EXPECT_FALSE(record->DebugInfo.has_value());
  EXPECT_TRUE(record->Options->SameStoredValues(TDovaroModuleOptions()));
}

TEST(ThisProgram, WithoutEngineData_CurrentOptionsFailWithTheAssertionText) {
  const TDovaroModuleInfo* self = CurrentModuleInfo();
  ASSERT_NE(self, nullptr) << "the options unit registers its module at start";
  EXPECT_FALSE(self->EngineDataLoaded);
  try {
    CurrentZuderaDodOptions();
    FAIL() << "no exception";
  } catch (const EAssertionFailed& error) {
    EXPECT_STREQ(error.what(),
                 "\r\nCannot use 'CurrentZuderaDodOptions' function in module \"engine_tests.exe\" "
                 "without activate ZuderaDod.\r\nTo activate ZuderaDod use the new IDE "
                 "\"Project/ZuderaDod Options...\" menu.");
  }
  EXPECT_EQ(FindSymbol(0), nullptr);
}

TEST(ProbeModule, ResourceCarrier_IsReadByTheModuleItself) {
  TLoadedModule probe(BesideTests("eldata_probe_resource.dll"));
  EXPECT_EQ(probe.Export<TIntQuery>("ProbeEngineDataLoaded")(), 1);
  const auto findSymbol = probe.Export<TSymbolQuery>("ProbeFindSymbol");
  EXPECT_EQ(findSymbol(0), reinterpret_cast<void*>(GetProcAddress(probe.Handle(), "ProbeRoutine")));
  EXPECT_EQ(findSymbol(17), reinterpret_cast<std::uint8_t*>(probe.Handle()) + 4096 + 0x10);
  EXPECT_EQ(findSymbol(1), nullptr);
  EXPECT_EQ(probe.Export<TIntQuery>("ProbeDebugInfoSize")(), 27);
  // Nothing supplies "probe-secret" inside the module: its names stay enciphered.
  EXPECT_EQ(probe.Export<TIntQuery>("ProbePasswordValid")(), 0);
  TDovaroModuleOptions published;
  ASSERT_EQ(PublishedOptionsError(probe.Handle(), published), std::nullopt);
  EXPECT_EQ(published.MaxLoggedErrors(), 12u);
  EXPECT_EQ(published.StoredText(0), "Probe information.");
}

TEST(ProbeModule, PasswordFromTheRequest_MakesTheProbeValid) {
  TLoadedModule probe(BesideTests("eldata_probe_resource.dll"));
  TestEngineContext().RequestDebugPassword = PasswordForProbe;
  const auto record = LoadModuleRecord(probe.Handle(), "", true);
  TestEngineContext().RequestDebugPassword = nullptr;
  ASSERT_TRUE(record->EngineDataLoaded);
  EXPECT_TRUE(record->PasswordValid);
  EXPECT_EQ(record->DebugPassword, "probe-secret");
  ASSERT_TRUE(record->DebugInfo.has_value());
  const std::vector<std::uint8_t> expected = {'P', 'R', 'O', 'B', 'E', '-', 'D', 'E', 'B'};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), record->DebugInfo->begin()));
  EXPECT_EQ(record->DebugInfo->size(), 27u);

  const auto withoutRequest = LoadModuleRecord(probe.Handle(), "", true);
  EXPECT_FALSE(withoutRequest->PasswordValid);
}

TEST(ProbeModule, AppendedCarrier_IsReadFromTheModuleFile) {
  TLoadedModule probe(BesideTests("eldata_probe_appended.dll"));
  EXPECT_EQ(probe.Export<TIntQuery>("ProbeEngineDataLoaded")(), 1);
  EXPECT_EQ(probe.Export<TIntQuery>("ProbeDebugInfoSize")(), 27);
  EXPECT_EQ(probe.Export<TIntQuery>("ProbePasswordValid")(), 1)
      << "the appended carrier has no probe";
  EXPECT_EQ(probe.Export<TSymbolQuery>("ProbeFindSymbol")(0), nullptr) << "nor a SymbolTable";
  EXPECT_TRUE(EldataResource(probe.Handle()).empty());
  EXPECT_TRUE(HasEngineData(probe.Handle()));
  EXPECT_EQ(EngineDataVersion(probe.Handle()), 6105);
  const auto record = LoadModuleRecord(probe.Handle(), "", true);
  ASSERT_TRUE(record->EngineDataLoaded);
  EXPECT_EQ(record->Options->MaxLoggedErrors(), 12u);
  EXPECT_EQ(record->Options->WebAddress(), "http://probe.example/upload");
}

TEST(ProbeModule, DamagedBlocks_GiveTheDefaultsWithoutCrashing) {
  const std::vector<std::uint8_t> good = ProbeBlock();
  ASSERT_GT(good.size(), 100u);
  struct Case {
    const char* name;
    std::vector<std::uint8_t> block;
  } cases[] = {
      {"truncated", {good.begin(), good.begin() + good.size() / 2}},
      {"header only", {good.begin(), good.begin() + 16}},
      {"corrupt options", good},
      {"too new", good},
      {"wrong magic", good},
  };
  cases[2].block[16 + 4 + 18 + 4 + 10] ^= 0xFF;  // inside the compressed options (after 2 symbols)
  cases[3].block[4] = 0xDA, cases[3].block[5] = 0x17;  // FormatVersion 6106
  cases[4].block[3] = 0x20;
  TempFolder folder;
  int copy = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path =
        ProbeCopyWithBlock(folder, "damaged" + std::to_string(copy++) + ".dll", c.block);
    TLoadedModule probe(path);
    EXPECT_EQ(probe.Export<TIntQuery>("ProbeEngineDataLoaded")(), 0);
    EXPECT_EQ(probe.Export<TSetter>("ProbeSetMaxLoggedErrors")(5), 0) << "the engine is not active";
    TDovaroModuleOptions published;
    EXPECT_NE(PublishedOptionsError(probe.Handle(), published), std::nullopt);
    const auto record = LoadModuleRecord(probe.Handle(), path, true);
    EXPECT_FALSE(record->EngineDataLoaded);
    EXPECT_TRUE(record->Options->SameStoredValues(TDovaroModuleOptions()));
    EXPECT_FALSE(record->DebugInfo.has_value());
  }
}

TEST(ProbeModule, UnloadedModule_RemovesItsSharedArea) {
  HMODULE handle;
  {
    TLoadedModule probe(BesideTests("eldata_probe_resource.dll"));
    handle = probe.Handle();
    ASSERT_TRUE(ReadSharedOptionsArea(handle, GetCurrentProcessId()).has_value());
  }
  EXPECT_FALSE(ReadSharedOptionsArea(handle, GetCurrentProcessId()).has_value());
}

TEST(ProbeModule, LightRegistration_GivesOptionsButNoDebugInformation) {
  TLoadedModule probe(BesideTests("eldata_probe_resource.dll"));
  TestEngineContext().LightRegistration = true;
  const auto record = LoadModuleRecord(probe.Handle(), "", true);
  TestEngineContext().LightRegistration = false;
  ASSERT_TRUE(record->EngineDataLoaded);
  EXPECT_EQ(record->Options->MaxLoggedErrors(), 12u);
  EXPECT_FALSE(record->DebugInfo.has_value());
  EXPECT_TRUE(record->PasswordValid) << "no password step";
}

namespace {

int otherSourcesAsked = 0;
void CountOtherSources(TDovaroModuleInfo&) {
  ++otherSourcesAsked;
}

}  // namespace

TEST(ModuleRegistration, OtherDebugSources_AreTriedOnlyForAFullRegistrationWithoutData) {
  const TModuleDebugLoader usualLoader = TestEngineContext().LoadOtherDebugSource;
  TestEngineContext().LoadOtherDebugSource = CountOtherSources;
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  LoadModuleRecord(kernel, "", false);
  EXPECT_EQ(otherSourcesAsked, 0);
  LoadModuleRecord(kernel, "", true);
  EXPECT_EQ(otherSourcesAsked, 1);
  {
    TLoadedModule probe(BesideTests("eldata_probe_resource.dll"));
    LoadModuleRecord(probe.Handle(), "", true);
    EXPECT_EQ(otherSourcesAsked, 1) << "the module has its own debug information";
  }
  TestEngineContext().LightRegistration = true;
  LoadModuleRecord(kernel, "", true);
  TestEngineContext().LightRegistration = false;
  EXPECT_EQ(otherSourcesAsked, 1) << "not under light registration";
  TestEngineContext().LoadOtherDebugSource = usualLoader;
}

TEST(ModuleRegistration, RegisteredModule_KeepsItsFirstRecord) {
  TLoadedModule probe(BesideTests("eldata_probe_resource.dll"));
  TDovaroModuleInfo& first = RegisterModule(probe.Handle(), "", true);
  TDovaroModuleInfo& again = RegisterModule(probe.Handle(), "", false);
  EXPECT_EQ(&first, &again);
  EXPECT_EQ(ModulesList().Find(probe.Handle()), &first);
  EXPECT_TRUE(first.EngineDataLoaded);
}

namespace {

std::string reportedStep, reportedText;
void RecordFailure(const char* step, const std::string& text) {
  reportedStep = step;
  reportedText = text;
}

}  // namespace

TEST(UnitSteps, FailingStep_BecomesTheCriticalErrorText) {
  TestEngineContext().ReportUnitStepFailure = RecordFailure;
  RunGuardedUnitStep("ECore.Init", [] { throw EInOutError("disk full"); });
  EXPECT_EQ(reportedStep, "ECore.Init");
  EXPECT_EQ(reportedText, "Critical error at: \"ECore.Init\"\r\nError: \"disk full\".");
  RunGuardedUnitStep("ECore.Done", [] { throw 42; });
  EXPECT_EQ(reportedText,
            "Critical error at: \"ECore.Done\"\r\nError: \"General internal error.\".");
  reportedText.clear();
  RunGuardedUnitStep("ECore.Init", [] {});
  EXPECT_EQ(reportedText, "");
  TestEngineContext().ReportUnitStepFailure = nullptr;
}
