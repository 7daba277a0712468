// How failures cross the module boundary, seen from real host programs: one
// linked with the static libgcc and one with the shared libgcc loaded, where
// the DLL must still keep its own exceptions working.
#include <gtest/gtest.h>

#include "platform/runtime/ExportBoundary.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/InstallerDll.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempFolder.h"

namespace {

const char* const kHosts[] = {"installer_host.exe", "installer_host_sharedgcc.exe"};

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
  EXPECT_EQ(GetModuleHandleA("VInstallParamsClient.dll"), nullptr) << "the failure pinned the module";
}
