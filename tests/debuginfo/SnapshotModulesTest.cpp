// The modules list in the real process under Wine: what a refresh finds,
// what it drops, and how entries made during a refresh are completed.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "debuginfo/EDebug.h"
#include "debuginfo/ESnapshotModuleFacts.h"
#include "debuginfo/ESnapshotModules.h"
#include "engine/ECoreModules.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr char kPackageFixture[] = "snapshot_package_fixture.dll";

std::string LoadedFileName(HMODULE module) {
  char name[MAX_PATH + 1] = {};
  return std::string(name, GetModuleFileNameA(module, name, MAX_PATH));
}

// The referee: the file's version resource read here on its own.
struct TVersionResource {
  std::string Description, Version;
};
TVersionResource ReadVersionResource(const std::string& file) {
  TVersionResource result;
  DWORD ignored = 0;
  std::vector<char> data(GetFileVersionInfoSizeA(file.c_str(), &ignored));
  if (data.empty() || !GetFileVersionInfoA(file.c_str(), 0, data.size(), data.data()))
    return result;
  void* value = nullptr;
  UINT length = 0;
  if (VerQueryValueA(data.data(), "\\", &value, &length)) {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    char text[64];
    wsprintfA(text, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    if (std::string(text) != "0.0.0.0") result.Version = text;
  }
  if (VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
    const auto* words = static_cast<const WORD*>(value);
    char path[64];
    wsprintfA(path, "\\StringFileInfo\\%04x%04x\\FileDescription", words[0], words[1]);
    if (VerQueryValueA(data.data(), path, &value, &length))
      result.Description = static_cast<const char*>(value);
  }
  return result;
}

std::uint32_t FileSize(const std::string& file) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

TDovaroModuleInfo* Listed(HMODULE module) {
  return ModulesList().Find(module);
}

// Loads `file` after making sure that no record of an earlier load at the
// same address is left: the module is loaded once, unloaded and refreshed
// away first.
HMODULE LoadUnlisted(const std::string& file) {
  if (const HMODULE earlier = LoadLibraryA(file.c_str())) {
    FreeLibrary(earlier);
    RefreshModules();
  }
  return LoadLibraryA(file.c_str());
}

void SetWriteTime(const std::string& file, const SYSTEMTIME& time) {
  FILETIME written;
  SystemTimeToFileTime(&time, &written);
  const HANDLE handle = CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(SetFileTime(handle, nullptr, nullptr, &written));
  CloseHandle(handle);
}

}  // namespace

TEST(ModulesList, Refresh_ListsTheProgramTheDllAndKernel32WithTheirFiles) {
  const HMODULE dll = LoadLibraryA("VInstallParamsClient_stripped.dll");
  ASSERT_NE(dll, nullptr);
  RefreshModules();
  const struct {
    const char* text;
    HMODULE module;
    TModuleType type;
  } rows[] = {
      {"the test program", GetModuleHandleA(nullptr), mtExecutable},
      {"the DLL", dll, mtLibrary},
      {"kernel32", GetModuleHandleA("kernel32.dll"), mtLibrary},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    ASSERT_NE(Listed(row.module), nullptr) << "the refresh found the module";
    const TDovaroModuleInfo* entry =
        ModuleEntryByHandle(reinterpret_cast<std::uintptr_t>(row.module));
    ASSERT_NE(entry, nullptr);
    const std::string file = LoadedFileName(row.module);
    const TVersionResource referee = ReadVersionResource(file);
    EXPECT_EQ(entry->FileName, file);
    EXPECT_EQ(entry->Description, referee.Description);
    EXPECT_EQ(entry->Version, referee.Version);
    EXPECT_EQ(entry->Size, FileSize(file));
    EXPECT_EQ(entry->LastModified, ReadFileDate(file));
    EXPECT_NE(entry->LastModified, 0);
    EXPECT_EQ(entry->ModuleType, row.type);
  }
  const TDovaroModuleInfo* program = Listed(GetModuleHandleA(nullptr));
  EXPECT_EQ(program->Description, "Debug information tests");
  EXPECT_EQ(program->Version, "4.3.2.1");
  EXPECT_NE(Listed(GetModuleHandleA("kernel32.dll"))->Version, "") << "Wine's DLLs carry versions";

  std::vector<std::uintptr_t> handles;
  ModulesList().ForEach([&](const TDovaroModuleInfo& module) {
    handles.push_back(reinterpret_cast<std::uintptr_t>(module.Handle));
  });
  EXPECT_TRUE(std::is_sorted(handles.begin(), handles.end()));
  const auto loaded = LoadedModuleHandles();
  for (const std::uintptr_t handle : loaded) {
    SCOPED_TRACE(handle);
    EXPECT_TRUE(std::binary_search(handles.begin(), handles.end(), handle));
  }
  FreeLibrary(dll);
}

TEST(ModulesList, ModuleLoadedSinceTheRefresh_IsTypeUnknownUntilLookedUpByHandle) {
  const HMODULE package = LoadUnlisted(kPackageFixture);
  ASSERT_NE(package, nullptr);
  ASSERT_EQ(Listed(package), nullptr);
  RefreshModules();
  TDovaroModuleInfo* enumerated = Listed(package);
  ASSERT_NE(enumerated, nullptr);
  EXPECT_EQ(enumerated->ModuleType, mtUnknown);
  EXPECT_EQ(enumerated->Description, "Snapshot package fixture") << "its file's facts are read";
  EXPECT_EQ(enumerated->Version, "4.3.2.1");
  EXPECT_EQ(enumerated->Functions, nullptr) << "no debug information during a refresh";
  const auto inside =
      reinterpret_cast<std::uintptr_t>(GetProcAddress(package, "SnapshotPackageAnswer"));
  EXPECT_EQ(FindModuleInfo(inside), enumerated) << "lookups only read";

  TDovaroModuleInfo* completed = ModuleEntryByHandle(reinterpret_cast<std::uintptr_t>(package));
  ASSERT_NE(completed, nullptr);
  EXPECT_NE(completed, enumerated);
  EXPECT_EQ(completed->ModuleType, mtPackage);
  EXPECT_NE(completed->Functions, nullptr);
  EXPECT_EQ(completed->FileName, enumerated->FileName) << "the replaced record stays readable";
  EXPECT_EQ(FindModuleInfo(inside), completed);
  EXPECT_EQ(ModuleEntryByHandle(reinterpret_cast<std::uintptr_t>(package)), completed);
  RefreshModules();
  EXPECT_EQ(Listed(package), completed) << "a complete record is kept";

  FreeLibrary(package);
  RefreshModules();
  EXPECT_EQ(Listed(package), nullptr) << "an unloaded module leaves the list";
}

TEST(ModulesList, OtherFileLoadedAtTheSameAddress_IsRegisteredAfresh) {
  const TempFolder folder;
  const std::string copy = folder.Path() + "changed_package.dll";
  ASSERT_TRUE(CopyFileA((ProgramFolder() + kPackageFixture).c_str(), copy.c_str(), FALSE));
  SetWriteTime(copy, {2001, 2, 0, 3, 4, 5, 6, 0});
  const HMODULE first = LoadUnlisted(copy);
  ASSERT_NE(first, nullptr);
  TDovaroModuleInfo* before = ModuleEntryByHandle(reinterpret_cast<std::uintptr_t>(first));
  ASSERT_NE(before, nullptr);
  FreeLibrary(first);

  // Unloaded and loaded again with another date, with no refresh between.
  SetWriteTime(copy, {2002, 3, 0, 4, 5, 6, 8, 0});
  const HMODULE second = LoadLibraryA(copy.c_str());
  ASSERT_NE(second, nullptr);
  if (second != first) {
    FreeLibrary(second);
    GTEST_SKIP() << "the system loaded the file at another address this time";
  }
  EXPECT_EQ(Listed(second), before) << "nothing has looked since";
  RefreshModules();
  const TDovaroModuleInfo* after = Listed(second);
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before);
  EXPECT_EQ(after->LastModified, ReadFileDate(copy));
  EXPECT_NE(after->LastModified, before->LastModified);
  EXPECT_EQ(after->ModuleType, mtUnknown);
  FreeLibrary(second);
  RefreshModules();
}
