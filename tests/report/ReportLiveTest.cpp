// The report of this process built from the live sources: the calling
// thread's own stack, its registers, the snapshot of the process, the
// collectors and the listing of its code.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <regex>

#include "debuginfo/EStackLive.h"
#include "debuginfo/ESnapshotThreads.h"
#include "platform/memory/LiveMemory.h"
#include "report/EReportLive.h"
#include "report/EReportText.h"
#include "report/EReportValues.h"
#include "tests/support/EngineEnvironment.h"
#include "tests/support/LiveFault.h"

namespace {

std::string Hex8(std::uintptr_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

struct TLiveCase {
  CONTEXT Context{};
  std::unique_ptr<TDovaroStackList> Stack;
  TReportException Exception;
};

// The calling thread as the faulting one, at this routine's own code.
__attribute__((noinline)) void CaptureHere(TLiveCase& live) {
  live.Context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
  RtlCaptureContext(&live.Context);
  TLiveStackLocator locator;
  live.Stack = BuildCallStack(FaultingThreadScan(live.Context), LiveMemory(), locator);
  live.Exception = LiveReportException(live.Context, "EReadError", "Stream read error");
}

}  // namespace

TEST(ReportLive, ThisThread_ReportWithEverySectionAndItsOwnRows) {
  TLiveCase live;
  CaptureHere(live);
  TDovaroModuleOptions options;  // modules, processes, assembler and CPU on
  TLiveReportSources sources;
  const TBugReport report = BuildBugReport(live.Exception, sources.Sources(options, *live.Stack));
  const std::string& text = report.Text;
  EXPECT_TRUE(text.starts_with("ZuderaDod 6.1.05 RC 6\r\n\r\nApplication:\r\n")) << text;
  for (const char* section :
       {"\r\nException:\r\n", "\r\nComputer:\r\n", "\r\nOperating System:\r\n",
        "\r\nCall Stack Information:\r\n", "\r\nModules Information:\r\n",
        "\r\nProcesses Information:\r\n", "\r\nAssembler Information:\r\n", "\r\nRegisters:\r\n"}) {
    EXPECT_NE(text.find(section), std::string::npos) << section;
  }
  const std::string eip = Hex8(live.Context.Eip);
  EXPECT_NE(text.find("2.2 Address       : " + eip + "\r\n"), std::string::npos);
  EXPECT_NE(text.find("2.3 Module Name   : report_tests.exe"), std::string::npos);
  EXPECT_NE(text.find("2.6 Message       : Stream read error.\r\n"), std::string::npos);
  EXPECT_NE(text.find("2.7 ID            : " + report.BugId + "\r\n"), std::string::npos);
  EXPECT_TRUE(std::regex_match(report.BugId, std::regex("[0-9A-F]{4}")));
  EXPECT_EQ(report.BugId, BugIdentifierOf(live.Exception, *live.Stack, sources.AddressModules(),
                                          sources.System()));
  // The faulting thread's block: its header and its first row at the address.
  EXPECT_NE(text.find("|*Exception Thread: ID=" + std::to_string(GetCurrentThreadId())),
            std::string::npos);
  EXPECT_NE(text.find("|" + eip + "|report_tests.exe"), std::string::npos);
  EXPECT_NE(text.find("EDX: " + Hex8(live.Context.Edx) + "   EIP: " + eip + "\r\n"),
            std::string::npos);
  EXPECT_NE(text.find(eip + "  "), std::string::npos) << "the listing shows the faulting line";
  EXPECT_NE(text.find("<-- EXCEPTION"), std::string::npos);
  EXPECT_NE(text.find("|report_tests.exe"), std::string::npos) << "the modules table";
  EXPECT_EQ(report.SendingText, text);
  EXPECT_TRUE(report.LeadIn.ends_with("\r\n\r\n"));
}

TEST(ReportLive, ThreadFacts_MainThreadAndUnlistedThreads) {
  TLiveThreadFacts facts;
  // GoogleTest runs the tests on the program's main thread.
  EXPECT_TRUE(facts.IsMainThread(GetCurrentThreadId()));
  EXPECT_FALSE(facts.IsMainThread(0));
  EXPECT_EQ(facts.Priority(0xFFFFFFF0u), std::nullopt);
  EXPECT_EQ(facts.ClassName(0xFFFFFFF0u), "");
}

TEST(ReportLive, AddressModules_TheModuleOfCodeAndNoneForFreeMemory) {
  TLiveAddressModules modules;
  const auto own = modules.ModuleAt(AddressOf(reinterpret_cast<void*>(&CaptureHere)));
  ASSERT_TRUE(own);
  EXPECT_EQ(own->Handle, AddressOf(GetModuleHandleA(nullptr)));
  EXPECT_TRUE(own->Path.ends_with("report_tests.exe")) << own->Path;
  const auto kernel = modules.ModuleAt(AddressOf(reinterpret_cast<void*>(&GetTickCount)));
  ASSERT_TRUE(kernel);
  EXPECT_NE(kernel->Path.find("kernel"), std::string::npos) << kernel->Path;
  void* reserved = VirtualAlloc(nullptr, 65536, MEM_RESERVE, PAGE_NOACCESS);
  EXPECT_FALSE(modules.ModuleAt(AddressOf(reserved)));
  VirtualFree(reserved, 0, MEM_RELEASE);
  EXPECT_FALSE(modules.ModuleAt(0));
}
