// The build tool: the readable options file, and the program writing and
// dumping real modules.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine/ECore.h"
#include "tests/engine/support/EngineTestModules.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"
#include "tools/eldata_tool/OptionsText.h"

namespace {

ChildOutcome RunTool(const std::string& arguments) {
  return RunChild("eldata_tool.exe " + arguments);
}

TOptionsFile ParseFile(const std::string& path) {
  return ParseOptionsText(ReadFileBytes(path));
}

// The text without its comment lines (the dump's header carries the stamp).
std::string WithoutComments(const std::string& text) {
  std::string kept;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    if (line.empty() || line[0] != '#') kept += line + "\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return kept;
}

}  // namespace

TEST(OptionsText, InstallerOptionsFile_GivesTheModulesValues) {
  const TOptionsFile file = ParseFile(BesideTests("VInstallParamsClient.eldata"));
  ExpectInstallerOptions(*file.Options);
  EXPECT_EQ(file.Options->Filters().Item(0).FilterClassName, "EInOutError");
  EXPECT_EQ(file.DebugPassword, "");
  EXPECT_TRUE(file.Symbols.empty());
  EXPECT_EQ(file.Options->WebPageTemplate(), kDefaultWebPageTemplate);
}

TEST(OptionsText, FormatThenParse_GivesEveryValueBack) {
  TDovaroModuleOptions options;
  options.SetLogFlags(0x3F);
  options.SetGeneralFieldsShown(0x123456789ABC);
  options.SetMailBodyText("Line one\r\nTab\there \"quoted\" back\\slash \xE8\x01");
  options.SetSmtpServerPort(65535);
  options.Filters().Add({false, "EOne", "msg # not a comment", 1, 4, 2, 1});
  options.SetText(100, "# hash inside");
  options.SetTextsLanguage("Italiano");
  TDumpFacts facts;
  facts.DebugPassword = "pw\"1";
  facts.SymbolTable = {{0, 0x1230, 0x40}, {17, 0x10, 0x20}};
  facts.RoutineNames = {{0x1230, "_Routine"}};
  const std::string text = FormatOptionsText(options, facts);
  const TOptionsFile parsed = ParseOptionsText(text);
  EXPECT_TRUE(parsed.Options->SameStoredValues(options));
  EXPECT_EQ(parsed.DebugPassword, "pw\"1");
  ASSERT_EQ(parsed.Symbols.size(), 2u);
  EXPECT_EQ(parsed.Symbols[0].Entry, (TSymbolTableEntry{0, 0x1230, 0x40}));
  EXPECT_TRUE(parsed.Symbols[0].RoutineName.empty());
  EXPECT_NE(text.find("LogFlags = 0x3F  # LogSkipDuplicates | LogAddReproduceText"),
            std::string::npos);
  EXPECT_NE(text.find("0 = 0x00001230, 0x40  # _Routine"), std::string::npos);
}

TEST(OptionsText, QuotedTexts_RoundTripEveryByte) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  const std::string quoted = QuoteText(all);
  for (const char c : quoted) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "the file stays plain ASCII";
  EXPECT_EQ(UnquoteText(quoted), all);
}

TEST(OptionsText, BadLines_AreReportedWithTheirNumber) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"Foo = 1", "line 1: a value before the first section"},
      {"[Options]\n\nNoSuchField = 1", "line 3: unknown option \"NoSuchField\""},
      {"[Options]\nSmtpServerPort = 70000", "line 2: SmtpServerPort: value out of range"},
      {"[Options]\nFirstTab = two", "line 2: FirstTab: \"two\" is not a number"},
      {"[Options]\nLogFlags = LogBogus", "line 2: LogFlags: unknown flag \"LogBogus\""},
      {"[Options]\nFreezeWatch = maybe", "line 2: FreezeWatch: expected true or false"},
      {"[Options]\nSmtpServer = \"open", "line 2: SmtpServer: missing closing quote"},
      {"[Options]\nSmtpServer = \"a\" b", "line 2: SmtpServer: text after the closing quote"},
      {"[Options]\nSmtpServer = bare", "line 2: SmtpServer: expected a text in double quotes"},
      {"[Options]\nSmtpServer = \"\\q\"", "line 2: SmtpServer: unknown escape \\q"},
      {"[Texts]\n158 = \"x\"", "line 2: text index out of range"},
      {"[Nope]", "line 1: unknown section [Nope]"},
      {"[Options", "line 1: a section name needs a closing \"]\""},
      {"[Filter]\nFilterBogus = 1", "line 2: unknown filter field \"FilterBogus\""},
      {"[SymbolTable]\n0 = 12", "line 2: SymbolTable: expected \"routine\" or offset, size"},
      {"[SymbolTable]\n256 = 1, 2", "line 2: SymbolID: value out of range"},
      {"[Debug]\nPassword = \"x\"", "line 2: unknown debug setting \"Password\""},
      {"[Options]\nno equals sign", "line 2: expected \"Key = value\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseOptionsText(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const TOptionsTextError& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

TEST(OptionsText, FlagNamesAndNumbersMix) {
  const TOptionsFile file = ParseOptionsText(
      "[Options]\nSendFlags = SendShowProgress | 0x0200 | SendXmlCopy  # comment\n"
      "DialogKind = 0x03\n[Filter]\n[Filter]\nFilterClassName = \"EB\"\n");
  EXPECT_EQ(file.Options->SendFlags(), 0x0209);
  EXPECT_EQ(file.Options->DialogKind(), 3);
  ASSERT_EQ(file.Options->Filters().Count(), 2);
  EXPECT_EQ(file.Options->Filters().Item(0), TDovaroExceptionFilter{});
  EXPECT_EQ(file.Options->Filters().Item(1).FilterClassName, "EB");
}

TEST(EldataTool, EmbedThenDump_GivesBackTheOptionsFilesValues) {
  TempFolder folder;
  const std::string module = folder.Path() + "target.dll";
  WriteFileBytes(module, ReadFileBytes(BesideTests("eldata_probe_resource.dll")));
  const std::string options = BesideTests("VInstallParamsClient.eldata");
  const ChildOutcome embedded =
      RunTool("embed --options " + QuoteArgument(options) + " --module " + QuoteArgument(module));
  ASSERT_EQ(embedded.exitCode, 0u) << embedded.output;

  const ChildOutcome dumped = RunTool("dump --module " + QuoteArgument(module));
  ASSERT_EQ(dumped.exitCode, 0u) << dumped.output;
  const TOptionsFile fromDump = ParseOptionsText(dumped.output);
  EXPECT_TRUE(fromDump.Options->SameStoredValues(*ParseFile(options).Options));
  EXPECT_EQ(fromDump.DebugPassword, "");
  EXPECT_NE(dumped.output.find("# Magic 0x100FAB10, FormatVersion 6105, BuildStamp "),
            std::string::npos);

  // The dump is itself an options file: written and dumped again, it is unchanged.
  const std::string dumpFile = folder.Path() + "dumped.eldata";
  WriteFileBytes(dumpFile, dumped.output);
  ASSERT_EQ(
      RunTool("embed --options " + QuoteArgument(dumpFile) + " --module " + QuoteArgument(module))
          .exitCode,
      0u);
  EXPECT_EQ(WithoutComments(RunTool("dump --module " + QuoteArgument(module)).output),
            WithoutComments(dumped.output));

  // The module's own engine reads the block the tool wrote.
  TLoadedModule loaded(module);
  EXPECT_EQ(loaded.Export<int (*)()>("ProbeEngineDataLoaded")(), 1);
  TDovaroModuleOptions published;
  ASSERT_EQ(PublishedOptionsError(loaded.Handle(), published), std::nullopt);
  ExpectInstallerOptions(published);
}

TEST(EldataTool, DumpOfTheProbeModule_ShowsSymbolsPasswordAndDebugStream) {
  TempFolder folder;
  const std::string debug = folder.Path() + "debug.bin";
  const ChildOutcome dumped =
      RunTool("dump --module " + QuoteArgument(BesideTests("eldata_probe_resource.dll")) +
              " --password probe-secret --extract-debug " + QuoteArgument(debug));
  ASSERT_EQ(dumped.exitCode, 0u) << dumped.output;
  const TOptionsFile file = ParseOptionsText(dumped.output);
  EXPECT_EQ(file.DebugPassword, "probe-secret");
  ASSERT_EQ(file.Symbols.size(), 2u);
  EXPECT_EQ(file.Symbols[1].Entry, (TSymbolTableEntry{17, 0x10, 0x20}));
  EXPECT_NE(dumped.output.find("# _ProbeRoutine"), std::string::npos);
  EXPECT_NE(dumped.output.find("# Debug information: 27 bytes"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(debug).substr(0, 23), "PROBE-DEBUG-INFORMATION");
  EXPECT_TRUE(
      file.Options->SameStoredValues(*ParseFile(BesideTests("ProbeModule.eldata")).Options));

  const ChildOutcome wrongPassword =
      RunTool("dump --module " + QuoteArgument(BesideTests("eldata_probe_resource.dll")));
  EXPECT_NE(wrongPassword.output.find("# DebugPassword: unknown"), std::string::npos);
}

TEST(EldataTool, AppendedCarrier_ReplacesAnEarlierOne) {
  TempFolder folder;
  const std::string module = folder.Path() + "appended.dll";
  const std::string original = ReadFileBytes(BesideTests("eldata_probe_appended.dll"));
  WriteFileBytes(module, original);
  const std::string options = BesideTests("VInstallParamsClient.eldata");
  ASSERT_EQ(RunTool("embed --appended --options " + QuoteArgument(options) + " --module " +
                    QuoteArgument(module))
                .exitCode,
            0u);
  const std::string rewritten = ReadFileBytes(module);
  const auto oldBlock =
      AppendedBlockLength(std::vector<std::uint8_t>(original.end() - 8, original.end()));
  const auto newBlock =
      AppendedBlockLength(std::vector<std::uint8_t>(rewritten.end() - 8, rewritten.end()));
  ASSERT_TRUE(oldBlock && newBlock);
  EXPECT_EQ(rewritten.size() - *newBlock, original.size() - *oldBlock) << "one carrier, not two";

  const ChildOutcome dumped = RunTool("dump --module " + QuoteArgument(module));
  ASSERT_EQ(dumped.exitCode, 0u) << dumped.output;
  EXPECT_TRUE(
      ParseOptionsText(dumped.output).Options->SameStoredValues(*ParseFile(options).Options));
  TLoadedModule loaded(module);
  EXPECT_EQ(loaded.Export<int (*)()>("ProbeEngineDataLoaded")(), 1);
}

TEST(EldataTool, Failures_ExplainThemselves) {
  TempFolder folder;
  const std::string module = folder.Path() + "target.dll";
  WriteFileBytes(module, ReadFileBytes(BesideTests("eldata_probe_resource.dll")));
  const std::string badRoutine = folder.Path() + "bad_routine.eldata";
  WriteFileBytes(badRoutine, "[SymbolTable]\n0 = \"NoSuchRoutine\"\n");
  ChildOutcome outcome = RunTool("embed --options " + QuoteArgument(badRoutine) + " --module " +
                                 QuoteArgument(module));
  EXPECT_EQ(outcome.exitCode, 1u);
  EXPECT_NE(outcome.output.find("the module has no routine \"NoSuchRoutine\""), std::string::npos)
      << outcome.output;

  const std::string badLine = folder.Path() + "bad_line.eldata";
  WriteFileBytes(badLine, "[Options]\nWebDelivery = 256\n");
  outcome =
      RunTool("embed --options " + QuoteArgument(badLine) + " --module " + QuoteArgument(module));
  EXPECT_EQ(outcome.exitCode, 1u);
  EXPECT_NE(outcome.output.find("line 2: WebDelivery: value out of range"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(module), ReadFileBytes(BesideTests("eldata_probe_resource.dll")))
      << "a failed run leaves the module alone";

  outcome = RunTool("dump --module " + QuoteArgument(BesideTests("installer_host.exe")));
  EXPECT_EQ(outcome.exitCode, 1u);
  EXPECT_NE(outcome.output.find("carries no ELDATA block"), std::string::npos);

  EXPECT_EQ(RunTool("frobnicate").exitCode, 2u);
  EXPECT_EQ(RunTool("embed --options").exitCode, 2u);
}
