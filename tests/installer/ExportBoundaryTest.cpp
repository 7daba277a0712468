// How failures cross the module boundary, seen from real host programs: one
// linked with the static libgcc and one with the shared libgcc loaded, where
// the DLL must still keep its own exceptions working.
#include <gtest/gtest.h>

#include "platform/runtime/ExportBoundary.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/InstallerDll.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempFolder.h"

namespace {

const char* const kHosts[] = {"installer_host.exe", "installer_host_sharedgcc.exe"};

// The reports of a class in the DLL's log files (beside the DLL, one per
// computer name).
std::size_t LoggedReportsOf(const InstallerDll& dll, const std::string& className) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(dll.Module(), path, sizeof path);
  std::string folder = path;
  folder.erase(folder.find_last_of('\\') + 1);
  const std::string line = "2.5 Type          : " + className + "\r\n";
  std::size_t count = 0;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((folder + "VInstallParamsClient*.elf").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::string text = ReadFileBytes(folder + found.cFileName);
    for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
      ++count;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

using LoadLibraryAFn = HMODULE(WINAPI*)(LPCSTR);
LoadLibraryAFn realLoadLibraryA = nullptr;

HMODULE WINAPI WithoutSocketsLibrary(LPCSTR name) {
  if (name && _stricmp(name, "WS2_32.DLL") == 0) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return realLoadLibraryA(name);
}

}  // namespace

TEST(ExportBoundary, UncaughtFailure_ReachesTheHostAsAStructuredExceptionWithItsMessage) {
  for (const char* host : kHosts) {
    SCOPED_TRACE(host);
    LoopbackServer server(AnsweringServer("DB1", "h:x", "s"));
    const ChildOutcome outcome = RunChild(std::string(host) + " --report-libgcc SetParameters " +
                                          server.Address() + " " + QuoteArgument(""));
    EXPECT_EQ(outcome.exitCode, 5u) << outcome.output;
    EXPECT_NE(outcome.output.find("SetParameters raised EInOutError: Unable to create directory"),
              std::string::npos)
        << outcome.output;
  }
}

// The DLL's filters send its deliberate failures (an unusable folder) to the
// runtime's handler unreported; a failure no filter names is reported. Both
// leave the export as the structured exception.
TEST(ExportBoundary, FailuresOfTheDllsFilters_LeaveTheExportUnreportedOthersAreLogged) {
  InstallerDll dll;
  LoopbackServer server(AnsweringServer("DB1", "h:x", "s"));
  const std::size_t folderFailures = LoggedReportsOf(dll, "EInOutError");
  const ExportCallResult filtered = dll.SetParameters(server.Address().c_str(), "");
  ASSERT_TRUE(filtered.raised);
  EXPECT_EQ(filtered.className, "EInOutError");
  EXPECT_EQ(LoggedReportsOf(dll, "EInOutError"), folderFailures) << "a filtered failure is no bug";

  TempFolder folder;
  const std::size_t socketFailures = LoggedReportsOf(dll, "EIdWinsockStubError");
  ImportPatch patch(dll.Module(), "KERNEL32.dll", "LoadLibraryA",
                    reinterpret_cast<void*>(&WithoutSocketsLibrary));
  realLoadLibraryA = reinterpret_cast<LoadLibraryAFn>(patch.Original());
  const ExportCallResult reported = dll.SetParameters("127.0.0.1", folder.Path().c_str());
  ASSERT_TRUE(reported.raised);
  EXPECT_EQ(reported.className, "EIdWinsockStubError");
  EXPECT_EQ(LoggedReportsOf(dll, "EIdWinsockStubError"), socketFailures + 1);
}

TEST(ExportBoundary, SharedLibgccHost_HasTheSharedUnwinderLoaded) {
  const ChildOutcome outcome =
      RunChild("installer_host_sharedgcc.exe --report-libgcc --dll none.dll SetParameters x y");
  EXPECT_NE(outcome.output.find("shared libgcc loaded: yes"), std::string::npos) << outcome.output;
}

TEST(ExportBoundary, NormalCall_PrintsTheOneByteResultAndKeepsTheStackBalanced) {
  TempFolder folder;
  for (const char* host : kHosts) {
    SCOPED_TRACE(host);
    LoopbackServer server(AnsweringServer("DB1", "h:x", "s"));
    const ChildOutcome outcome = RunChild(std::string(host) + " SetParameters " + server.Address() +
                                          " " + QuoteArgument(folder.Path()));
    EXPECT_EQ(outcome.exitCode, 0u) << outcome.output;
    EXPECT_NE(outcome.output.find("SetParameters returned 1"), std::string::npos) << outcome.output;
  }
}

TEST(ExportBoundary, StructuredException_CarriesCodeAndFourParameters) {
  InstallerDll dll;
  LoopbackServer server(AnsweringServer("DB1", "h:x", "s"));
  const ExportCallResult call = dll.SetParameters(server.Address().c_str(), "");
  ASSERT_TRUE(call.raised);
  EXPECT_EQ(call.failure.code, kBoundaryExceptionCode);
  EXPECT_TRUE(call.failure.flags & EXCEPTION_NONCONTINUABLE);
  ASSERT_EQ(call.failure.parameterCount, kBoundaryParameterCount);
  EXPECT_NE(call.failure.parameters[2], 0u) << "the exception object";
  EXPECT_EQ(call.failure.parameters[3], reinterpret_cast<ULONG_PTR>(dll.Export("SetParameters")));
}

TEST(ExportBoundary, AfterAFailure_TheHostCanStillUnloadTheDll) {
  {
    InstallerDll dll;
    LoopbackServer server(AnsweringServer("DB1", "h:x", "s"));
    ASSERT_TRUE(dll.SetParameters(server.Address().c_str(), "").raised);
  }
  EXPECT_EQ(GetModuleHandleA("VInstallParamsClient.dll"), nullptr)
      << "the failure pinned the module";
}
