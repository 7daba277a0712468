// XML copies written for the Linux-side checker (xml.etree and xmllint):
// real reports of the builder (the golden texts of the report tests), values
// of every byte, protected names, reports of older versions, and a log with
// garbage.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "report/EAttachmentFiles.h"
#include "report/EAttachmentList.h"
#include "report/EBase64.h"
#include "report/EEncrypt.h"
#include "report/ELogItem.h"
#include "report/ELogManagerFormat.h"
#include "report/EXMLBuilder.h"
#include "report/EXMLCopy.h"
#include "tests/attachments/Manifest.h"
#include "tests/support/TempFolder.h"

namespace {

// A fixture text with LF line ends, read with CR LF ones.
std::string ReadReport(const std::string& file) {
  const std::string lf = ReadFileBytes(std::string("Z:") + file);
  std::string text;
  for (const char c : lf) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

std::string Golden(const std::string& name) {
  return ReadReport(std::string(VIPC_REPORT_GOLDEN_DIR) + "/" + name + ".txt");
}
std::string Fixture(const std::string& name) {
  return ReadReport(std::string(VIPC_ATTACHMENTS_FIXTURE_DIR) + "/" + name + ".txt");
}

// The report's text from the call stack block on.
std::string Blocks(const std::string& report) {
  return report.substr(report.find("\r\n\r\nCall Stack Information:") + 2);
}

std::string LogText(const std::vector<std::string>& reports) {
  TStoredReports stored;
  for (const std::string& report : reports) AppendStoredReport(stored, report, -1);
  return LogFileText(stored);
}

struct TCheck {
  std::string Path, Attribute, Value;
};
std::string Checks(const std::vector<TCheck>& checks) {
  std::vector<std::string> items;
  for (const TCheck& c : checks) {
    items.push_back(JsonList({JsonText(c.Path), JsonText(c.Attribute), JsonText(c.Value)}));
  }
  return JsonList(items);
}

void WriteCase(const std::string& name, const std::string& logText, const std::string& password,
               const std::vector<TCheck>& checks, int logs, bool fromLogCopy = true) {
  const std::string log = OutputFolder() + name + ".elf";
  const std::string xml = OutputFolder() + name + ".xml";
  WriteFileBytes(log, logText);
  ASSERT_TRUE(fromLogCopy ? WriteXmlCopy(xml, log, "", password)
                          : WriteXmlCopy(xml, OutputFolder() + "none.elf", logText, password));
  TManifest(name)
      .Text("kind", "xml")
      .Text("file", name + ".xml")
      .Number("logs", logs)
      .Raw("checks", Checks(checks))
      .Write();
}

std::string Protect(TBlockCipher& cipher, std::string name) {
  cipher.EncryptBuffer(name.data(), name.data(), name.size());
  return "?" + Base64EncodeBuffer(name.data(), name.size());
}

}  // namespace

TEST(XmlBuilder, Rendering_EmptyElementsChildrenAndEscapes) {
  TXMLItem doc("Doc");
  TXMLItem& log = doc.AddChild("Log");
  log.AddAttribute("Version", "6.1 & \"x\"");
  log.AddChild("Empty");
  EXPECT_EQ(doc.Text(),
            "<Doc>\r\n  <Log Version=\"6.1 &#038; &#034;x&#034;\">\r\n    <Empty/>\r\n  "
            "</Log>\r\n</Doc>\r\n");
  EXPECT_EQ(log.Parent(), &doc);
  EXPECT_EQ(EscapeXmlValue("caf\xe9"), "caf&#233;");
  EXPECT_EQ(EscapeXmlValue(std::string("\x01\t\r\n\x1f\x7f<>'", 9)),
            "?&#009;&#013;&#010;?&#127;&#060;&#062;&#039;");
}

TEST(XmlFiles, ThreeReportLog_EveryElementFromRealReports) {
  const std::string fault = Golden("access_violation"), creator = Golden("creator_stack"),
                    blocks = Golden("block_values");
  const std::vector<TCheck> checks = {
      {"Log[1]", "Version", "6.1.05 RC 6"},
      {"Log[1]/General/Group[1]", "ID", "1"},
      {"Log[1]/General/Group[1]", "Label", "Application"},
      {"Log[1]/General/Group[1]/Line[2]", "ID", "1.2"},
      {"Log[1]/General/Group[1]/Line[2]", "Label", "Name/Description"},
      {"Log[1]/General/Group[1]/Line[2]", "Value", "Brisole.exe - (Brisole client)"},
      {"Log[1]/General/Group[2]/Line[10]", "ID", "2.10"},
      {"Log[1]/General/Group[2]/Line[10]", "Value", ""},
      {"Log[1]/General/Group[3]/Line[5]", "Value",
       "SeShutdownPrivilege             - OFF\r\nSeChangeNotifyPrivilege         - ON\r\n"
       "SeUndockPrivilege               - OFF"},
      {"Log[1]/General/Group[7]", "Label", "Network"},
      {"Log[1]/General/Group[7]/Line[6]", "Value", "ON"},
      {"Log[1]/CallStack/ExceptionThread", "ID", "1234"},
      {"Log[1]/CallStack/ExceptionThread", "Priority", "0"},
      {"Log[1]/CallStack/ExceptionThread", "Class", ""},
      {"Log[1]/CallStack/ExceptionThread", "MainThread", "True"},
      {"Log[1]/CallStack/ExceptionThread/Line[1]", "Address", "0040100D"},
      {"Log[1]/CallStack/ExceptionThread/Line[1]", "Module", "Brisole.exe"},
      {"Log[1]/CallStack/ExceptionThread/Line[1]", "Unit", "Brisole.cpp"},
      {"Log[1]/CallStack/ExceptionThread/Line[1]", "Class", "TFormMain"},
      {"Log[1]/CallStack/ExceptionThread/Line[1]", "Procedure", "ButtonClick"},
      {"Log[1]/CallStack/ExceptionThread/Line[1]", "Number", "120"},
      {"Log[1]/CallStack/ExceptionThread/Line[1]", "Offset", "4"},
      {"Log[1]/CallStack/ExceptionThread/Line[3]", "Procedure", "RegisterWaitForInputIdle"},
      {"Log[1]/CallStack/ExceptionThread/Line[3]", "Number", ""},
      {"Log[1]/CallStack/ExceptionThread/Line[3]", "Offset", ""},
      {"Log[1]/CallStack/RunningThread", "ID", "1300"},
      {"Log[1]/CallStack/RunningThread", "Priority", "15"},
      {"Log[1]/CallStack/RunningThread", "Class", "TSendThread"},
      {"Log[1]/CallStack/RunningThread", "MainThread", "False"},
      {"Log[1]/CallStack/RunningThread/Line[2]", "Offset", "3"},
      {"Log[1]/Modules/Module[2]", "Handle", "10000000"},
      {"Log[1]/Modules/Module[2]", "Name", "VInstallParamsClient.dll"},
      {"Log[1]/Modules/Module[2]", "Description", "Brisole installer parameters"},
      {"Log[1]/Modules/Module[2]", "Version", "6.1.5.0"},
      {"Log[1]/Modules/Module[2]", "Size", "1025536"},
      {"Log[1]/Modules/Module[2]", "Modified", "2008-04-14 02:00:00"},
      {"Log[1]/Modules/Module[2]", "Path", "C:\\Program Files\\Brisole"},
      {"Log[1]/Processes/Process[2]", "ID", "1508"},
      {"Log[1]/Processes/Process[2]", "Name", "explorer.exe"},
      {"Log[1]/Processes/Process[2]", "Description", "Windows Shell ? Explorer"},
      {"Log[1]/Processes/Process[2]", "Version", "6.0.2900.5512"},
      {"Log[1]/Processes/Process[2]", "Memory", "28672000"},
      {"Log[1]/Processes/Process[2]", "Priority", "Normal"},
      {"Log[1]/Processes/Process[2]", "Threads", "17"},
      {"Log[1]/Processes/Process[2]", "Path", "C:\\WINDOWS"},
      {"Log[1]/Processes/Process[3]", "Threads", "??"},
      {"Log[1]/Assembler/Line[1]", "Comment",
       " Brisole.TFormMain.ButtonClick (Line=116 - Offset=0)"},
      {"Log[1]/Assembler/Line[3]", "Address", "00401000"},
      {"Log[1]/Assembler/Line[3]", "Command", "push    ebp"},
      {"Log[1]/Assembler/Line[3]", "Comment", ""},
      {"Log[1]/Assembler/Line[9]", "Command", "mov     dword ptr [esp], $00402010  "},
      {"Log[1]/Assembler/Line[9]", "Comment", " 'Unable to create directory'"},
      {"Log[1]/CPU/Registers", "EAX", "00A41C20"},
      {"Log[1]/CPU/Registers", "EBX", "00000001"},
      {"Log[1]/CPU/Registers", "ECX", "0012FF10"},
      {"Log[1]/CPU/Registers", "EDX", "00401012"},
      {"Log[1]/CPU/Registers", "EDI", "0012FF44"},
      {"Log[1]/CPU/Registers", "ESI", "00A41C20"},
      {"Log[1]/CPU/Registers", "ESP", "0012FF00"},
      {"Log[1]/CPU/Registers", "EIP", "0040100D"},
      {"Log[1]/CPU/Stack/Line[1]", "Address", "0012FF00"},
      {"Log[1]/CPU/Stack/Line[1]", "Value", "00402010"},
      {"Log[1]/CPU/Stack/Line[16]", "Address", "0012FF3C"},
      {"Log[1]/CPU/MemoryDump/Line[1]", "Address", "0040100D"},
      {"Log[1]/CPU/MemoryDump/Line[1]", "Bytes", "89 50 10 90 90 C9 C3 CC CC CC CC CC CC CC CC CC"},
      {"Log[1]/CPU/MemoryDump/Line[1]", "Chars", ".P.............."},
      {"Log[1]/CPU/MemoryDump/Line[2]", "Address", "0040101D"},
      {"Log[2]/CallStack/ExceptionThread", "ID", "1300"},
      {"Log[2]/CallStack/ExceptionThread/CallingThread", "ID", "1100"},
      {"Log[2]/CallStack/ExceptionThread/CallingThread", "MainThread", "True"},
      {"Log[2]/CallStack/ExceptionThread/CallingThread/Line[1]", "Procedure", "Start"},
      {"Log[2]/CallStack/RunningThread", "ID", "1100"},
      {"Log[2]/CallStack/RunningThread/Line[2]", "Procedure", "WinMain"},
      {"Log[2]/CallStack/RunningThread/Line[2]", "Number", "210"},
      {"Log[2]/CallStack/RunningThread/Line[2]", "Offset", "17"},
      {"Log[3]", "Version", "6.1.05 RC 6"},
      {"Log[3]/General/Group[1]/Line[1]", "ID", "1.1"},
      {"Log[3]/General/Group[2]/Line[6]", "Value",
       "Cannot post: record locked\r\nby user MROSSI\r\n\r\n\r\nretry: later."},
  };
  WriteCase("xml_three", LogText({fault, creator, blocks}), "", checks, 3);
}

TEST(XmlFiles, ValuesOfEveryByte_ComeBackAsTheReportsValues) {
  std::string bytes;
  for (int b = 1; b <= 255; ++b) {
    if (b != 10 && b != 13) bytes += static_cast<char>(b);
  }
  std::string expected;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    expected += b < 32 && b != 9 ? '?' : c;
  }
  TLogItem general(0);
  general.AddHeader("Application");
  general.AddItem("Bytes", bytes, true);
  general.AddItem("Quotes", "say \"hi\" & 'bye' </Log></Doc> <Log", true);
  general.AddItem("Block", "a: b\r\n\r\nc", true);
  general.AddItem("Accent", "caf\xe9", true);
  const std::string report = "ZuderaDod 6.1.05 RC 6\r\n\r\n" + general.GetText() + "\r\n" +
                             Blocks(Golden("access_violation"));
  const std::vector<TCheck> checks = {
      {"Log[1]/General/Group[1]/Line[1]", "Value", expected},
      {"Log[1]/General/Group[1]/Line[2]", "Value", "say \"hi\" & 'bye' </Log></Doc> <Log"},
      {"Log[1]/General/Group[1]/Line[3]", "Value", "a: b\r\n\r\nc"},
      {"Log[1]/General/Group[1]/Line[4]", "Value", "caf\xe9"},
      {"Log[1]/CPU/Registers", "EIP", "0040100D"},
  };
  WriteCase("xml_values", LogText({report}), "", checks, 1, false);
  const std::string xml = ReadFileBytes(OutputFolder() + "xml_values.xml");
  EXPECT_NE(xml.find("caf&#233;"), std::string::npos);
  EXPECT_TRUE(xml.starts_with("<Doc>\r\n  <Log Version=\"6.1.05 RC 6\">\r\n"));
  EXPECT_TRUE(xml.ends_with("  </Log>\r\n</Doc>"));
}

TEST(XmlFiles, ProtectedNames_TurnedBackOnlyWithTheRightPassword) {
  TBlockCipher cipher;
  cipher.SetKey("debug pw");
  std::string report = Golden("access_violation");
  const std::string unit = Protect(cipher, "Brisole");
  const std::string protectedUnit = "?p" + unit.substr(1);
  const std::string className = Protect(cipher, "TFormMain");
  const std::string procedure = Protect(cipher, "SaveArchive");
  const std::string cUnit =
      "?" + Protect(cipher, "SendThread").substr(1);  // no "p": the other language
  const std::string method = Protect(cipher, "TSendThread.Execute");
  const std::string decorated = Protect(cipher, "@Brisole@Initialize");
  auto row = [](std::string address, std::string unitCell, std::string classCell,
                std::string procedureCell, std::string line) {
    return "|" + address + "|Brisole.exe|" + unitCell + "|" + classCell + "|" + procedureCell +
           "|" + line + "|\r\n";
  };
  // The rows replace the exception thread's second row and the running
  // thread's second row; widths need not line up for the reader.
  const std::size_t first = report.find("|00401234|");
  report.replace(first, report.find("\r\n", first) + 2 - first,
                 row("00401234", protectedUnit, className, procedure, "98[12]") +
                     row("00401240", protectedUnit, "", decorated, "7[1]"));
  const std::size_t second = report.find("|00402345|");
  report.replace(second, report.find("\r\n", second) + 2 - second,
                 row("00402345", cUnit, "", method, "45[3]"));
  const std::string log = LogText({report});
  WriteCase("xml_protected_right", log, "debug pw",
            {{"Log[1]/CallStack/ExceptionThread/Line[2]", "Unit", "Brisole.cpp"},
             {"Log[1]/CallStack/ExceptionThread/Line[2]", "Class", "TFormMain"},
             {"Log[1]/CallStack/ExceptionThread/Line[2]", "Procedure", "SaveArchive"},
             {"Log[1]/CallStack/ExceptionThread/Line[3]", "Procedure", "_Brisole@Initialize"},
             {"Log[1]/CallStack/RunningThread/Line[2]", "Unit", "SendThread.c"},
             {"Log[1]/CallStack/RunningThread/Line[2]", "Class", "TSendThread"},
             {"Log[1]/CallStack/RunningThread/Line[2]", "Procedure", "Execute"},
             {"Log[1]/CallStack/ExceptionThread/Line[1]", "Unit", "Brisole.cpp"}},
            1);
  WriteCase("xml_protected_wrong", log, "not the pw",
            {{"Log[1]/CallStack/ExceptionThread/Line[2]", "Unit", protectedUnit},
             {"Log[1]/CallStack/ExceptionThread/Line[2]", "Class", className},
             {"Log[1]/CallStack/ExceptionThread/Line[2]", "Procedure", procedure},
             {"Log[1]/CallStack/RunningThread/Line[2]", "Procedure", method}},
            1);
  WriteCase("xml_protected_none", log, "",
            {{"Log[1]/CallStack/ExceptionThread/Line[2]", "Unit", protectedUnit}}, 1);
}

TEST(XmlFiles, OlderVersions_ReproduceTextModulesWithoutDatesAndNoProcesses) {
  const std::string four = Fixture("report_4x"), five = Fixture("report_5x"),
                    six = Golden("access_violation");
  WriteCase(
      "xml_versions", LogText({four, five, six}), "",
      {{"Log[1]", "Version", "4.2.1"},
       {"Log[1]/HoToReproduce", "Text", "Opened the archive of 2008, then pressed Save twice."},
       {"Log[1]/CallStack/ExceptionThread/Line[1]", "Address", "0040100D"},
       {"Log[1]/CallStack/ExceptionThread/Line[5]", "Procedure", "Execute"},
       {"Log[1]/Modules/Module[1]", "Size", "1843200"},
       {"Log[1]/Modules/Module[1]", "Modified", ""},
       {"Log[1]/Modules/Module[1]", "Path", "C:\\Program Files\\Brisole"},
       {"Log[1]/CPU/Registers", "EAX", "00A41C20"},
       {"Log[2]", "Version", "5.1.4"},
       {"Log[2]/CallStack/ExceptionThread", "ID", "1234"},
       {"Log[2]/Modules/Module[3]", "Path", "C:\\WINDOWS\\system32"},
       {"Log[3]/Processes/Process[1]", "Name", "System"}},
      3);
  TManifest("xml_versions_counts")
      .Text("kind", "xml_counts")
      .Text("file", "xml_versions.xml")
      .Raw("counts", JsonList({JsonList({JsonText("Log[1]/HoToReproduce"), "1"}),
                               JsonList({JsonText("Log[2]/HoToReproduce"), "0"}),
                               JsonList({JsonText("Log[3]/HoToReproduce"), "0"}),
                               JsonList({JsonText("Log[1]/Processes/Process"), "0"}),
                               JsonList({JsonText("Log[2]/Processes/Process"), "0"}),
                               JsonList({JsonText("Log[3]/Processes/Process"), "3"}),
                               JsonList({JsonText("Log[1]/CallStack/ExceptionThread"), "1"}),
                               JsonList({JsonText("Log[1]/CallStack/RunningThread"), "0"}),
                               JsonList({JsonText("Log[1]/Processes"), "1"})}))
      .Write();
}

TEST(XmlFiles, LogWithGarbage_StillAWellFormedDocument) {
  std::mt19937 random(7);
  std::string garbage;
  for (int i = 0; i < 3000; ++i) garbage += static_cast<char>(random() % 256);
  garbage += "</Log></Doc><!-- & \"";
  std::string noisy;
  for (const char c : garbage) noisy += c == '\r' || c == '\n' ? ' ' : c;
  TLogItem general(0);
  general.AddHeader("Application");
  general.AddItem("Noise", noisy, true);
  general.AddItem("Lines", garbage, true);
  const std::string damaged = "ZuderaDod 6.1.05 RC 6\r\n\r\n" + general.GetText() + "\r\n" +
                              Blocks(Golden("access_violation"));
  const std::string log = LogText({Golden("access_violation")}) + garbage + "\r\n\r\n\r\n\r\n" +
                          LogText({damaged}) + garbage.substr(0, 500);
  WriteCase("xml_garbage", log, "", {{"Log[1]/CPU/Registers", "EIP", "0040100D"}}, 2);
}
