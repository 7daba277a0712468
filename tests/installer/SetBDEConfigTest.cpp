// SetBDEConfig end to end: the real DLL, the stand-in database engine
// (IDAPI32.DLL) with its configuration file and call journal, the real Wine
// registry read back, and the real message window.
#include <gtest/gtest.h>

#include <memory>

#include "platform/idapi/Idapi.h"
#include "tests/installer/DatabaseClientExpectations.h"
#include "tests/support/EngineInstallation.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/InstallerDll.h"
#include "tests/support/MessageWindowWatcher.h"
#include "tests/support/RegistryTools.h"
#include "tests/support/TempFolder.h"

namespace {

const char kSrv1Params[] =
    "SERVER NAME:\"srv1\";BLOB SIZE:\"65535\";BLOBS TO CACHE:\"65535\";SQLDIALECT:\"1\"";

std::string String(const char* text) {
  return std::string(text, std::char_traits<char>::length(text) + 1);
}

std::string Dword(DWORD value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 2;
  }
  return lines;
}

std::size_t Count(const std::vector<std::string>& lines, const std::string& prefix) {
  std::size_t n = 0;
  for (const auto& line : lines) n += line.rfind(prefix, 0) == 0;
  return n;
}

// Each test gets a fresh engine, installed in its own folder and found
// through its installation record: its configuration file and journal live
// in a temporary folder, and the DLL (with the engine session it starts) is
// loaded for the test and unloaded after it.
class SetBDEConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable())
      GTEST_SKIP() << "needs a display (run under xvfb-run) for the message window";
    engineRecord.Record(StandInEngineFolder(), ConfigFile());
    SetEnvironmentVariableA("IDAPI_JOURNAL", (folder.Path() + "journal.txt").c_str());
    DeleteRegistryTree(HKEY_CURRENT_USER, kClientKey);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kEngineKey);
    dll = std::make_unique<InstallerDll>();
  }
  void TearDown() override {
    dll.reset();
    SetEnvironmentVariableA("IDAPI_JOURNAL", nullptr);
  }

  std::string ConfigFile() const { return folder.Path() + "IDAPI32.CFG"; }
  std::vector<std::string> Journal() const {
    return Lines(ReadFileBytes(folder.Path() + "journal.txt"));
  }
  std::vector<std::string> EngineCalls() const {
    std::vector<std::string> calls;
    for (const auto& line : Journal()) {
      if (line.rfind("DbiSetProp", 0) != 0 && line.rfind("DbiInit", 0) != 0) calls.push_back(line);
    }
    return calls;
  }

  TempFolder folder;
  EngineRecordScope engineRecord;
  MessageWindowWatcher windows{InstallerCaptionOfThisProcess()};
  std::unique_ptr<InstallerDll> dll;
};

}  // namespace

TEST_F(SetBDEConfigTest, NewAlias_IsAddedInPersistentModeAndSavedOnce) {
  const ExportCallResult call = dll->SetBDEConfig("DB1", "srv1");

  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.stackImbalance, 0);
  EXPECT_EQ(EngineCalls(),
            (std::vector<std::string>{
                "DbiCfgPosition(\\DATABASES\\DB1) = 0x2104",
                std::string("DbiAddAlias(DB1, INTRBASE, ") + kSrv1Params + ", persistent) = 0x0000",
                "DbiCfgSave() = 0x0000",
            }));
  const auto journal = Journal();
  const auto addAt = std::find_if(journal.begin(), journal.end(),
                                  [](auto& l) { return l.rfind("DbiAddAlias", 0) == 0; });
  ASSERT_NE(addAt, journal.begin());
  EXPECT_EQ(*(addAt - 1), "DbiSetProp(sesCFGMODE, 2) = 0x0000")
      << "the mode is persistent alone when adding";
  EXPECT_EQ(ReadFileBytes(ConfigFile()),
            "; Stand-in database engine "
            "configuration\r\n[DATABASES\\DB1]\r\nTYPE=INTRBASE\r\nSERVER NAME=srv1\r\n"
            "BLOB SIZE=65535\r\nBLOBS TO CACHE=65535\r\nSQLDIALECT=1\r\n");
  EXPECT_TRUE(windows.Texts().empty());
}

TEST_F(SetBDEConfigTest, ExistingAlias_IsDeletedAndAddedAgainWithTheNewParameters) {
  WriteFileBytes(ConfigFile(),
                 "[DATABASES\\Other]\r\nTYPE=STANDARD\r\nPATH=C:\\x\r\n[DATABASES\\DB1]\r\nTYPE="
                 "INTRBASE\r\nSERVER NAME=old\r\n");

  const ExportCallResult call = dll->SetBDEConfig("DB1", "srv1");

  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 1);
  const auto calls = EngineCalls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[0], "DbiCfgPosition(\\DATABASES\\DB1) = 0x0000");
  EXPECT_EQ(Count(calls, "DbiDeleteAlias(DB1) = 0x0000"), 1u);
  EXPECT_EQ(Count(calls, std::string("DbiAddAlias(DB1, INTRBASE, ") + kSrv1Params), 1u);
  EXPECT_EQ(Count(calls, "DbiCfgSave"), 1u);
  EXPECT_EQ(ReadFileBytes(ConfigFile()),
            "; Stand-in database engine "
            "configuration\r\n[DATABASES\\Other]\r\nTYPE=STANDARD\r\nPATH=C:\\x\r\n"
            "[DATABASES\\DB1]\r\nTYPE=INTRBASE\r\nSERVER NAME=srv1\r\nBLOB SIZE=65535\r\nBLOBS TO "
            "CACHE=65535\r\n"
            "SQLDIALECT=1\r\n");
}

TEST_F(SetBDEConfigTest, EmptyServerName_SendsAnEmptyQuotedValue) {
  const ExportCallResult call = dll->SetBDEConfig("DB1", nullptr);
  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(
      Count(EngineCalls(), "DbiAddAlias(DB1, INTRBASE, SERVER NAME:\"\";BLOB SIZE:\"65535\";"), 1u);
}

TEST_F(SetBDEConfigTest, AnsiTexts_ReachTheEngineInTheOemCodePage) {
  // Windows-1252 "\xE8" (e grave) is 0x8A in the OEM code page 437.
  const ExportCallResult call = dll->SetBDEConfig("DB\xE8", "srv\xE8");
  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(Count(EngineCalls(), "DbiAddAlias(DB\x8A, INTRBASE, SERVER NAME:\"srv\x8A\";"), 1u);
}

TEST_F(SetBDEConfigTest, Registry_HoldsTheTwoKeysWithExactTypesLengthsAndData) {
  const ExportCallResult call = dll->SetBDEConfig("DB1", "srv1");
  ASSERT_FALSE(call.raised) << call.message;

  struct Row {
    HKEY root;
    const char* key;
    const char* name;
    DWORD type;
    std::string data;
  } rows[] = {
      {HKEY_CURRENT_USER, kClientKey, "DatabaseAlias", REG_SZ, String("DB1")},
      {HKEY_CURRENT_USER, kClientKey, "DatabasePassword", REG_SZ, String("gravelpit")},
      {HKEY_CURRENT_USER, kClientKey, "DatabaseUser", REG_SZ, String("SYSDBA")},
      {HKEY_CURRENT_USER, kClientKey, "TranslateFieldNames", REG_DWORD, Dword(0)},
      {HKEY_LOCAL_MACHINE, kEngineKey, "MAXFILEHANDLES", REG_SZ, String("1024")},
      {HKEY_LOCAL_MACHINE, kEngineKey, "SHAREDMEMSIZE", REG_SZ, String("8192")},
      {HKEY_LOCAL_MACHINE, kEngineKey, "MAXBUFSIZE", REG_SZ, String("8192")},
      {HKEY_LOCAL_MACHINE, kEngineKey, "MEMSIZE", REG_SZ, String("16")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const RegistryValue value = ReadRegistryValue(row.root, row.key, row.name);
    ASSERT_TRUE(value.exists);
    EXPECT_EQ(value.type, row.type);
    EXPECT_EQ(value.data, row.data);
  }
}

TEST_F(SetBDEConfigTest, EngineRefusesToStart_ShowsTheParameterListAndLeavesTheRegistryAlone) {
  WriteFileBytes(ConfigFile(), "this is not a configuration file\r\n");

  const ExportCallResult call = dll->SetBDEConfig("DB1", "srv1");

  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 0);
  EXPECT_EQ(windows.Texts(), std::vector<std::string>{kFailureSrv1});
  EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, kClientKey, "DatabaseAlias").exists);
  EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kEngineKey, "MEMSIZE").exists);
}

TEST_F(SetBDEConfigTest, ConfigurationNotWritable_FailsAtTheSaveWithTheSameMessage) {
  WriteFileBytes(ConfigFile(), "[DATABASES\\Other]\r\nTYPE=STANDARD\r\n");
  SetFileAttributesA(ConfigFile().c_str(), FILE_ATTRIBUTE_READONLY);

  const ExportCallResult call = dll->SetBDEConfig("DB1", "srv1");
  SetFileAttributesA(ConfigFile().c_str(), FILE_ATTRIBUTE_NORMAL);

  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 0);
  EXPECT_EQ(Count(EngineCalls(), "DbiCfgSave() = 0x2202"), 1u);
  EXPECT_EQ(windows.Texts(), std::vector<std::string>{kFailureSrv1});
  EXPECT_EQ(ReadFileBytes(ConfigFile()), "[DATABASES\\Other]\r\nTYPE=STANDARD\r\n")
      << "a failed save keeps the file";
  EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, kClientKey, "DatabaseAlias").exists);
}

TEST_F(SetBDEConfigTest, AliasDeletedBeforeAFailure_StaysDeleted) {
  WriteFileBytes(ConfigFile(), "[DATABASES\\DB1]\r\nTYPE=INTRBASE\r\nSERVER NAME=old\r\n");

  // A quote in the server name makes a parameter string the engine refuses,
  // after the old alias has already been removed.
  const ExportCallResult call = dll->SetBDEConfig("DB1", "sr\"v1");

  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 0);
  const auto calls = EngineCalls();
  EXPECT_EQ(Count(calls, "DbiDeleteAlias(DB1) = 0x0000"), 1u);
  EXPECT_EQ(Count(calls, "DbiAddAlias(DB1, INTRBASE, SERVER NAME:\"sr\"v1\""), 1u);
  EXPECT_EQ(Count(calls, "DbiCfgSave"), 0u);
  ASSERT_EQ(windows.Texts().size(), 1u);
  EXPECT_EQ(windows.Texts()[0].rfind("Impossibile aggiungere l'alias\r\nSERVER NAME=sr\"v1\r\n", 0),
            0u);

  // The engine session the DLL started is still running in this process.
  HMODULE engine = GetModuleHandleA("IDAPI32.DLL");
  ASSERT_NE(engine, nullptr);
  auto position = reinterpret_cast<DbiCfgPositionFn>(
      reinterpret_cast<void*>(GetProcAddress(engine, "DbiCfgPosition")));
  EXPECT_EQ(position(nullptr, "\\DATABASES\\DB1"), DBIERR_OBJNOTFOUND);
}

TEST_F(SetBDEConfigTest, NullAliasName_IsRefusedByTheEngine) {
  const ExportCallResult call = dll->SetBDEConfig(nullptr, "srv1");
  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 0);
  EXPECT_EQ(Count(EngineCalls(), "DbiCfgPosition"), 0u)
      << "an empty name is no alias, without asking";
  EXPECT_EQ(windows.Texts(), std::vector<std::string>{kFailureSrv1});
}

TEST_F(SetBDEConfigTest, LocalMachineKeyNotWritable_StillTrueWithTheUsersKeyWritten) {
  ReadOnlyRegistryKey locked(HKEY_LOCAL_MACHINE, kEngineKey);

  const ExportCallResult call = dll->SetBDEConfig("DB1", "srv1");

  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 1);
  EXPECT_TRUE(windows.Texts().empty());
  EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kClientKey, "TranslateFieldNames").exists);
  EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kEngineKey, "MAXFILEHANDLES").exists);
  EXPECT_NE(ReadFileBytes(ConfigFile()).find("[DATABASES\\DB1]"), std::string::npos);
}

namespace {

using RegSetValueExAFn = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
RegSetValueExAFn realRegSetValueExA = nullptr;

LONG WINAPI RefuseDatabaseUser(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                               DWORD size) {
  if (name && std::string(name) == "DatabaseUser") return ERROR_ACCESS_DENIED;
  return realRegSetValueExA(key, name, reserved, type, data, size);
}

}  // namespace

TEST_F(SetBDEConfigTest, ValueThatCannotBeWritten_RaisesAcrossTheBoundaryKeepingEarlierValues) {
  ImportPatch patch(dll->Module(), "ADVAPI32.dll", "RegSetValueExA",
                    reinterpret_cast<void*>(&RefuseDatabaseUser));
  realRegSetValueExA = reinterpret_cast<RegSetValueExAFn>(patch.Original());

  const ExportCallResult call = dll->SetBDEConfig("DB1", "srv1");

  ASSERT_TRUE(call.raised);
  EXPECT_EQ(call.className, "ERegistryException");
  EXPECT_EQ(call.message, "Failed to set data for 'DatabaseUser'");
  EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kClientKey, "DatabaseAlias").exists);
  EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kClientKey, "DatabasePassword").exists);
  EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, kClientKey, "TranslateFieldNames").exists);
  EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kEngineKey, "MAXFILEHANDLES").exists);
}
