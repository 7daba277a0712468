// Where SetBDEConfig finds the database engine: the folders of the engine's
// installation record, then the DLL's own folder, then the system folder;
// never the current folder or the host program's folder. Seen through the
// real installer host, with and without the library search restricted as an
// NSIS 3 installer restricts it, and a planted library that records when it
// is loaded.
#include <gtest/gtest.h>

#include <vector>

#include "installer/EngineLibraryLocation.h"
#include "platform/idapi/IdapiRegistry.h"
#include "tests/installer/DatabaseClientExpectations.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/EngineInstallation.h"
#include "tests/support/MessageWindowWatcher.h"
#include "tests/support/RegistryTools.h"
#include "tests/support/TempFolder.h"

namespace {

void CopyInto(const std::string& from, const std::string& to) {
  ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

}  // namespace

TEST(EnginePathValue, Folders_AreSplitAtSemicolonsTrimmedAndEndInABackslash) {
  struct Row {
    const char* value;
    std::vector<std::string> folders;
  } rows[] = {
      {"", {}},
      {"C:\\BDE", {"C:\\BDE\\"}},
      {"C:\\BDE\\", {"C:\\BDE\\"}},
      {" C:\\Program Files\\BDE ;; D:\\x;", {"C:\\Program Files\\BDE\\", "D:\\x\\"}},
      {" ; ;", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(FoldersOfEnginePath(row.value), row.folders);
  }
}

TEST(EngineLocation, HostsAndPlacements_LoadOnlyTheEngineWhereItBelongs) {
  if (!DisplayAvailable())
    GTEST_SKIP() << "needs a display (run under xvfb-run) for the message window";
  enum class Record { none, engineFolder, expandableList };
  struct Row {
    const char* scenario;
    bool restrictedHost;  // the library search limited to the system folder
    Record record;
    bool engineBesideDll;
    bool plantedBesideDll;  // a planted copy where a recorded engine must win
    bool plantedInHostAndCurrentFolder;
    bool found;
  } rows[] = {
      {"recorded folder, restricted host", true, Record::engineFolder, false, false, false, true},
      {"recorded list with variables, restricted host", true, Record::expandableList, false, false,
       false, true},
      {"engine beside the DLL, restricted host", true, Record::none, true, false, false, true},
      {"recorded folder before the DLL's folder", true, Record::engineFolder, false, true, false,
       true},
      {"planted in the current and the host's folder, recorded engine", false, Record::engineFolder,
       false, false, true, true},
      {"planted in the current and the host's folder, no engine", false, Record::none, false, false,
       true, false},
      {"no engine anywhere, restricted host", true, Record::none, false, false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.scenario);
    TempFolder root;
    const std::string plugins = root.Path() + "plugins\\", host = root.Path() + "host\\",
                      current = root.Path() + "current\\", plantedLog = root.Path() + "planted.txt",
                      journal = root.Path() + "journal.txt";
    for (const std::string& folder : {plugins, host, current})
      ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    CopyInto(ProgramFolder() + "VInstallParamsClient.dll", plugins + "VInstallParamsClient.dll");
    CopyInto(ProgramFolder() + "installer_host.exe", host + "installer_host.exe");
    if (row.engineBesideDll)
      CopyInto(StandInEngineFolder() + kEngineLibraryName, plugins + kEngineLibraryName);
    const std::string planted = ProgramFolder() + "planted_engine.dll";
    if (row.plantedBesideDll) CopyInto(planted, plugins + kEngineLibraryName);
    if (row.plantedInHostAndCurrentFolder) {
      CopyInto(planted, host + kEngineLibraryName);
      CopyInto(planted, current + kEngineLibraryName);
    }

    EngineRecordScope record;
    const std::string configFile = root.Path() + "IDAPI32.CFG";
    if (row.record == Record::engineFolder) record.Record(StandInEngineFolder(), configFile);
    if (row.record == Record::expandableList) {
      SetEnvironmentVariableA("VIPC_TEST_ENGINE_HOME", StandInEngineFolder().c_str());
      record.Record("C:\\no-engine-here", configFile);
      const std::string list = " C:\\no-engine-here ; %VIPC_TEST_ENGINE_HOME%";
      WriteRegistryValue(HKEY_LOCAL_MACHINE, kEngineInstallationKey, kEngineFolderValue,
                         REG_EXPAND_SZ, std::string(list.c_str(), list.size() + 1));
    }
    SetEnvironmentVariableA("IDAPI_JOURNAL", journal.c_str());
    SetEnvironmentVariableA("VIPC_PLANTED_ENGINE_LOG", plantedLog.c_str());
    DeleteRegistryTree(HKEY_CURRENT_USER, kClientKey);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kEngineKey);

    RunningChild child(QuoteArgument(host + "installer_host.exe") +
                           (row.restrictedHost ? " --system-dlls-only" : "") + " --dll " +
                           QuoteArgument(plugins + "VInstallParamsClient.dll") +
                           " SetBDEConfig DB1 srv1",
                       current);
    MessageWindowWatcher windows(InstallerCaptionOf("installer_host.exe"), child.ProcessId());
    const ChildOutcome outcome = child.Finish(120000);
    SetEnvironmentVariableA("IDAPI_JOURNAL", nullptr);
    SetEnvironmentVariableA("VIPC_PLANTED_ENGINE_LOG", nullptr);

    EXPECT_EQ(ReadFileBytes(plantedLog), "") << "a planted library was loaded";
    const RegistryValue alias = ReadRegistryValue(HKEY_CURRENT_USER, kClientKey, "DatabaseAlias");
    const bool tuningWritten = ReadRegistryValue(HKEY_LOCAL_MACHINE, kEngineKey, "MEMSIZE").exists;
    if (row.found) {
      EXPECT_EQ(outcome.exitCode, 0u) << outcome.output;
      EXPECT_TRUE(windows.Texts().empty());
      EXPECT_NE(ReadFileBytes(journal).find("DbiCfgSave() = 0x0000"), std::string::npos)
          << ReadFileBytes(journal);
      EXPECT_EQ(alias.data, std::string("DB1", 4));
      EXPECT_TRUE(tuningWritten);
    } else {
      EXPECT_EQ(outcome.exitCode, 1u) << outcome.output;
      EXPECT_EQ(windows.Texts(), std::vector<std::string>{kFailureSrv1});
      EXPECT_EQ(ReadFileBytes(journal), "") << "no engine received a call";
      EXPECT_FALSE(alias.exists);
      EXPECT_FALSE(tuningWritten);
    }
  }

  // The planted library does tell when it is loaded, so its silence above counts.
  TempFolder folder;
  CopyInto(ProgramFolder() + "planted_engine.dll", folder.Path() + "planted.dll");
  SetEnvironmentVariableA("VIPC_PLANTED_ENGINE_LOG", (folder.Path() + "planted.txt").c_str());
  HMODULE plantedCopy = LoadLibraryA((folder.Path() + "planted.dll").c_str());
  SetEnvironmentVariableA("VIPC_PLANTED_ENGINE_LOG", nullptr);
  ASSERT_NE(plantedCopy, nullptr);
  FreeLibrary(plantedCopy);
  EXPECT_EQ(ReadFileBytes(folder.Path() + "planted.txt"), folder.Path() + "planted.dll\r\n");
}
