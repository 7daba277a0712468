// Zip packages written for the Linux-side checker (unzip, zipinfo, 7z and
// Python's zipfile): names, bytes, dates, level 9, the password, and the
// files left out.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "report/EZip.h"
#include "tests/attachments/Manifest.h"
#include "tests/attachments/PrepareRounds.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/NamedEvent.h"
#include "tests/support/TempFolder.h"

namespace {

// 9 December 2008 14:05:02, local time, as the file's last write.
void StampFile(const std::string& path) {
  SYSTEMTIME local{2008, 12, 2, 9, 14, 5, 2, 0};
  FILETIME localTime, utc;
  SystemTimeToFileTime(&local, &localTime);
  LocalFileTimeToFileTime(&localTime, &utc);
  const HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  SetFileTime(file, nullptr, nullptr, &utc);
  CloseHandle(file);
}

struct TSource {
  std::string Relative;  // below the output folder, with "/"
  std::string Path;
};

TSource MakeSource(const std::string& relative, const std::string& bytes) {
  std::string windows = relative;
  for (char& c : windows) {
    if (c == '/') c = '\\';
  }
  const std::size_t slash = windows.rfind('\\');
  if (slash != std::string::npos)
    CreateDirectoryA((OutputFolder() + windows.substr(0, slash)).c_str(), nullptr);
  const std::string path = OutputFolder() + windows;
  WriteFileBytes(path, bytes);
  StampFile(path);
  return TSource{relative, path};
}

std::string Entry(const std::string& name, const std::string& source) {
  return "{\"name\": " + JsonText(name) + ", \"source\": " + JsonText(source) +
         ", \"date\": [2008, 12, 9, 14, 5, 2]}";
}

}  // namespace

TEST(ZipFiles, PackageWithAndWithoutPassword_LeavesOutWhatCannotBeReadWhole) {
  std::string binary(200000, '\0');
  std::mt19937 random(5);
  for (char& c : binary) c = static_cast<char>(random() % 64);  // compressible, not trivially
  const TSource alpha = MakeSource("zip_src/alpha.txt", "alpha\r\nsecond line\r\n");
  const TSource beta = MakeSource("zip_src/beta.bin", binary);
  const TSource same1 = MakeSource("zip_src/one/same.txt", "the first same.txt");
  const TSource same2 = MakeSource("zip_src/two/same.txt", "the second same.txt, longer");
  const TSource locked = MakeSource("zip_src/locked.txt", "locked by another process");
  CreateDirectoryA((OutputFolder() + "zip_src\\folder.txt").c_str(), nullptr);
  const std::string missing = OutputFolder() + "zip_src\\missing.txt";

  TNamedEvent ready("zip-test", "ready"), release("zip-test", "release");
  RunningChild holder("attachments_helper.exe hold " + QuoteArgument(locked.Path) + " " +
                      ready.Name() + " " + release.Name());
  ASSERT_EQ(WaitForSingleObject(ready.Handle(), 60000), WAIT_OBJECT_0) << holder.Finish(0).output;

  const std::vector<std::string> list = {alpha.Path,  beta.Path,
                                         same1.Path,  missing,
                                         locked.Path, OutputFolder() + "zip_src\\folder.txt",
                                         same2.Path};
  const std::vector<std::string> expectedEntries = {"alpha.txt", "beta.bin", "same.txt",
                                                    "same (2).txt"};
  const std::string entries =
      JsonList({Entry("alpha.txt", alpha.Relative), Entry("beta.bin", beta.Relative),
                Entry("same.txt", same1.Relative), Entry("same (2).txt", same2.Relative)});
  for (const bool withPassword : {false, true}) {
    SCOPED_TRACE(withPassword ? "password" : "no password");
    const std::string name = withPassword ? "package_password" : "package_plain";
    const std::string zip = OutputFolder() + name + ".zip";
    WriteFileBytes(zip, "an older file of that name");
    const TZipPackageResult result = MakeZipPackage(zip, withPassword ? "s3cret pw" : "", list);
    EXPECT_TRUE(result.Written);
    EXPECT_EQ(result.Entries, expectedEntries);
    EXPECT_EQ(result.LeftOut.size(), 3u);
    TManifest manifest(name);
    manifest.Text("kind", "zip").Text("file", name + ".zip").Raw("entries", entries);
    if (withPassword) manifest.Text("password", "s3cret pw").Text("wrong_password", "s3cret");
    manifest.Write();
  }
  SetEvent(release.Handle());
  EXPECT_EQ(holder.Finish().exitCode, 0u);
}

TEST(ZipFiles, EmptyList_NoPackage) {
  const std::string zip = OutputFolder() + "never.zip";
  EXPECT_FALSE(MakeZipPackage(zip, "", {}).Written);
  EXPECT_FALSE(FileExists(zip));
}

TEST(ZipFiles, TwoProcessesPreparingAttachmentsAtOnce_KeepTheirOwnFiles) {
  TNamedEvent start("zip-test", "start");
  RunningChild other("attachments_helper.exe prepare " + start.Name() + " 40 helper");
  Sleep(500);
  SetEvent(start.Handle());
  EXPECT_EQ(PrepareRounds(40, "test"), "");
  const ChildOutcome outcome = other.Finish();
  EXPECT_EQ(outcome.exitCode, 0u) << outcome.output;
}
