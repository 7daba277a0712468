// The option stream: the current writer, the reader for every older data
// version, the scrambled strings and their line-break rule.
#include <gtest/gtest.h>

#include "engine/ECoreOptionStream.h"
#include "platform/runtime/Exception.h"
#include "tests/engine/support/StreamFixtures.h"

namespace {

void Load(TDovaroModuleOptions& options, const std::vector<std::uint8_t>& stream, int version) {
  TByteReader reader(stream);
  options.LoadFromStream(reader, version);
  EXPECT_EQ(reader.Remaining(), 0u) << "the reader must consume the whole stream";
}

// Every stored field set to something other than its default.
void ChangeEverything(TDovaroModuleOptions& o) {
  o.SetBuildFlag(true);
  o.SetApplyFilters(false);
  o.SetLogFlags(0x3F);
  o.SetReportInMessageBody(true);
  o.SetWriteLogFile(false);
  o.SetFirstTab(4);
  o.SetFreezeWatch(true);
  o.SetFreezeTimeoutSecs(17);
  o.SetSmtpSender("me@example.org");
  o.SetSmtpServer("smtp.example.org");
  o.SetSmtpServerPort(587);
  o.SetSmtpLogin("user");
  o.SetSmtpAuthPassword("pass");
  o.SetTerminateAction(1);
  o.SetMaxLoggedErrors(5);
  o.SetTerminateButtonAfter(0);
  o.SetMailRecipients("a@example.org;b@example.org");
  o.SetMailSubjectText("Bug");
  o.SetMailDelivery(3);
  o.SetGeneralFieldsShown(0x0000A5A5A5A5A5A5 & kAllGeneralFieldsShown);
  o.SetLogFolder("%TEMP%\\logs");
  o.SetWebDelivery(6);
  o.SetWebAddress("http://tracker.example.org/");
  o.SetWebLogin("w");
  o.SetWebAuthPassword("wp");
  o.SetWebServerPort(8080);
  o.SetExtraAttachments("x.txt; y.txt");
  o.SetSendFlags(0x03FF);
  o.SetDialogFlags(0x0250);
  o.SetDialogAutoCloseSecs(90);
  o.SetSupportPageAddress("http://support.example.org/");
  o.SetWebPageTemplate("<b>%s</b>");
  o.SetStackFlags(0x13);
  o.SetBehaviourFlags(0x01FF);
  o.SetLeakFlags(0x81);
  o.SetCrashBurstAction(0);
  o.SetCrashBurstCount(99);
  o.SetCrashBurstMinutes(15);
  o.SetOutputFileFlags(0xF0);
  o.SetDialogKind(3);
  o.SetProxyServer("proxy.example.org");
  o.SetProxyLogin("pl");
  o.SetProxyAuthPassword("pp");
  o.SetProxyServerPort(3128);
  o.SetTrackerLogin("tl");
  o.SetTrackerAuthPassword("tp");
  o.SetTrackerAssignee("ta");
  o.SetTrackerProjectName("project");
  o.SetTrackerCategoryName("category");
  o.SetTrackerTrialAccount("trial");
  o.SetArchivePassword("zip");
  o.SetMailBodyText("Hello\r\nthere");
  o.Filters().Add({false, "EAccessViolation", "Bad address", 1, 4, 2, 2});
  o.Filters().Add({true, "EAbort", "", 0, 0, 0, 0});
  for (int i = 0; i < kCustomizedTextCount; ++i) o.SetText(i, "Custom text " + std::to_string(i));
  o.SetTextsLanguage("Italiano");
}

}  // namespace

TEST(OptionStream, SaveThenLoad_ReproducesEveryStoredField) {
  TDovaroModuleOptions saved;
  ChangeEverything(saved);
  TDovaroModuleOptions defaults;
  ASSERT_FALSE(saved.Values() == defaults.Values()) << "the fixture must change the fields";
  // Every scalar field differs from its default, so a field the writer skips shows.
#define DOVARO_OPTION(type, name, initial, form, setter) \
  EXPECT_NE(saved.name(), defaults.name()) << #name;
#include "engine/ECoreOptionFields.inc"
#undef DOVARO_OPTION

  TDovaroModuleOptions loaded;
  Load(loaded, SaveOptionsToBytes(saved), kEngineDataVersion);
  EXPECT_TRUE(loaded.SameStoredValues(saved));
#define DOVARO_OPTION(type, name, initial, form, setter) \
  EXPECT_EQ(loaded.name(), saved.name()) << #name;
#include "engine/ECoreOptionFields.inc"
#undef DOVARO_OPTION
}

TEST(OptionStream, SaveThenLoad_LeavesTheUnstoredFieldsAlone) {
  TDovaroModuleOptions saved;
  saved.SetEnabled(false);
  saved.ReproduceNote = "clicked twice";
  saved.RequestedTerminateAction = 2;
  saved.PreBuildCommand = "prebuild.bat";
  TDovaroModuleOptions loaded;
  Load(loaded, SaveOptionsToBytes(saved), kEngineDataVersion);
  EXPECT_TRUE(loaded.Enabled());
  EXPECT_EQ(loaded.ReproduceNote, "");
  EXPECT_EQ(loaded.RequestedTerminateAction, 0);
  EXPECT_EQ(loaded.PreBuildCommand, "");
}

TEST(OptionStream, Load_ReplacesTheFiltersInsteadOfAddingToThem) {
  TDovaroModuleOptions saved;
  saved.Filters().Add({true, "EOne", "", 2, 3, 1, 0});
  TDovaroModuleOptions loaded;
  loaded.Filters().Add({true, "EOld", "", 0, 0, 0, 0});
  loaded.Filters().Add({true, "EOlder", "", 0, 0, 0, 0});
  Load(loaded, SaveOptionsToBytes(saved), kEngineDataVersion);
  ASSERT_EQ(loaded.Filters().Count(), 1);
  EXPECT_EQ(loaded.Filters().Item(0).FilterClassName, "EOne");
}

TEST(OptionStream, Strings_AreStoredScrambledWithTheirLength) {
  TDovaroModuleOptions options;
  options.SetSmtpSender("AB");
  const auto bytes = SaveOptionsToBytes(options);
  // BuildFlag, ApplyFilters, LogFlags, ReportInMessageBody, WriteLogFile,
  // FirstTab, FreezeWatch, FreezeTimeoutSecs (4): SmtpSender at 11.
  ASSERT_GT(bytes.size(), 17u);
  const std::vector<std::uint8_t> expected = {2, 0, 0, 0, 'A' ^ kScrambleKey, 'B' ^ kScrambleKey};
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 11, bytes.begin() + 17), expected);
}

TEST(OptionStream, FinalLineBreak_IsTrimmedOnlyWhenItIsTheFirstOne) {
  struct Case {
    const char* stored;
    const char* loaded;
  } cases[] = {
      {"abc\r\n", "abc"},                // three letters and CR LF: stored as 3 bytes
      {"\r\n", ""},                      // just CR LF: stored empty
      {"a", "a"},                        // one character: unchanged
      {"\n", "\n"},                      // one character, even a line feed
      {"ab\r\ncd", "ab\r\ncd"},          // CR LF in the middle stays
      {"ab\r\ncd\r\n", "ab\r\ncd\r\n"},  // the first CR LF is not at the end: kept
      {"ab\n\r", "ab\n\r"},              // LF CR is no CR LF
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.stored)));
    TDovaroModuleOptions saved;
    saved.SetMailBodyText(c.stored);
    TDovaroModuleOptions loaded;
    Load(loaded, SaveOptionsToBytes(saved), kEngineDataVersion);
    EXPECT_EQ(loaded.MailBodyText(), c.loaded);
    EXPECT_EQ(TrimFinalLineBreak(c.stored), c.loaded);
  }
}

TEST(OptionStream, MaxLoggedErrorsZero_LoadsAsOne) {
  TStreamFixture fixture;
  fixture.maxLoggedErrors = 0;
  TDovaroModuleOptions options;
  Load(options, WriteOptionStream(6105, fixture), 6105);
  EXPECT_EQ(options.MaxLoggedErrors(), 1u);
}

TEST(OptionStream, CurrentFixture_ReadsEveryField) {
  TStreamFixture fixture;
  fixture.generalFields = 0x123456789ABC;
  fixture.filters = {{false, "EFixture", "Message", 1, 4, 2, 1}};
  fixture.texts = {{0, "First"}, {157, "Last"}};
  TDovaroModuleOptions o;
  Load(o, WriteOptionStream(6105, fixture), 6105);
  EXPECT_TRUE(o.BuildFlag());
  EXPECT_FALSE(o.ApplyFilters());
  EXPECT_EQ(o.FirstTab(), 4);
  EXPECT_EQ(o.FreezeTimeoutSecs(), 45u);
  EXPECT_EQ(o.SmtpServerPort(), 2525);
  EXPECT_EQ(o.TerminateAction(), 1);
  EXPECT_EQ(o.MailDelivery(), 3);
  EXPECT_EQ(o.GeneralFieldsShown(), 0x123456789ABCu);
  EXPECT_EQ(o.LogFolder(), "C:\\Fixture\\Logs");
  EXPECT_EQ(o.SendFlags(), 0x03FF);
  EXPECT_EQ(o.DialogFlags(), 0x02A5);
  EXPECT_EQ(o.StackFlags(), 0x05);
  EXPECT_EQ(o.BehaviourFlags(), 0x01A1);
  EXPECT_EQ(o.LeakFlags(), 0x03);
  EXPECT_EQ(o.DialogKind(), 3);
  EXPECT_EQ(o.ProxyServerPort(), 3128);
  EXPECT_EQ(o.ArchivePassword(), "zip");
  ASSERT_EQ(o.Filters().Count(), 1);
  EXPECT_EQ(o.Filters().Item(0),
            (TDovaroExceptionFilter{false, "EFixture", "Message", 1, 4, 2, 1}));
  EXPECT_EQ(o.MailBodyText(), "Body");
  EXPECT_EQ(o.StoredText(0), "First");
  EXPECT_EQ(o.StoredText(68), "Text 68");
  EXPECT_EQ(o.StoredText(157), "Last");
  EXPECT_EQ(o.TextsLanguage(), "Fixture");
}

TEST(OptionStream, Version5999_FirstTabOfThreeBecomesFive) {
  for (const int tab : {3, 2, 5}) {
    SCOPED_TRACE(tab);
    TStreamFixture fixture;
    fixture.firstTab = static_cast<std::uint8_t>(tab);
    TDovaroModuleOptions options;
    Load(options, WriteOptionStream(5999, fixture), 5999);
    EXPECT_EQ(options.FirstTab(), tab == 3 ? 5 : tab);
    TDovaroModuleOptions current;
    Load(current, WriteOptionStream(6000, fixture), 6000);
    EXPECT_EQ(current.FirstTab(), tab);
  }
}

TEST(OptionStream, Version421_FreezeTimeoutInMillisecondsBecomesSeconds) {
  TStreamFixture fixture;
  fixture.freezeTimeout = 5000;
  TDovaroModuleOptions old;
  Load(old, WriteOptionStream(421, fixture), 421);
  EXPECT_EQ(old.FreezeTimeoutSecs(), 5u);
  TDovaroModuleOptions newer;
  Load(newer, WriteOptionStream(422, fixture), 422);
  EXPECT_EQ(newer.FreezeTimeoutSecs(), 5000u);
}

TEST(OptionStream, Version400_LacksEverythingFromWriteLogFileToTheSmtpFields) {
  TStreamFixture fixture;
  TDovaroModuleOptions o;
  Load(o, WriteOptionStream(400, fixture), 400);
  EXPECT_TRUE(o.WriteLogFile());  // default kept
  EXPECT_EQ(o.FirstTab(), 0);
  EXPECT_FALSE(o.FreezeWatch());
  EXPECT_EQ(o.SmtpServer(), "");
  EXPECT_EQ(o.SmtpSender(), kDefaultSmtpSender);
  EXPECT_EQ(o.MaxLoggedErrors(), 7u);       // present in every version
  EXPECT_EQ(o.WebDelivery(), 0);            // from 500
  EXPECT_EQ(o.TextsLanguage(), "English");  // from 6000
}

TEST(OptionStream, OldStreams_FoldTheirExtraBytesIntoTheCurrentFields) {
  struct Case {
    int version;
    std::uint8_t showDialog;
    bool dialogKindZero;
  } cases[] = {
      {449, 1, true},  // below 450 the byte is inverted: 1 means no dialog
      {449, 0, false}, {450, 0, true}, {450, 1, false}, {499, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    TStreamFixture fixture;
    fixture.oldShowDialog = c.showDialog;
    TDovaroModuleOptions o;
    Load(o, WriteOptionStream(c.version, fixture), c.version);
    EXPECT_EQ(o.DialogKind(), c.dialogKindZero ? 0 : 2);
  }
}

TEST(OptionStream, Versions450To499_SetTheSendFlagsFromThreeBytes) {
  TStreamFixture fixture;
  fixture.oldSendBits[0] = 1;  // SendWholeLog on
  fixture.oldSendBits[1] = 0;  // SendScreenshotImage off (default on)
  fixture.oldSendBits[2] = 0;  // SendShowProgress off (default on)
  fixture.oldOwnLook = 1;
  TDovaroModuleOptions o;
  Load(o, WriteOptionStream(480, fixture), 480);
  EXPECT_EQ(o.SendFlags(), 0x0040 | SendWholeLog);
  EXPECT_EQ(o.DialogFlags(), 0x018F | DlgOwnLook);
  fixture.oldOwnLook = 0;
  TDovaroModuleOptions withoutOwnLook;
  withoutOwnLook.SetDialogFlags(0x018F | DlgOwnLook);
  Load(withoutOwnLook, WriteOptionStream(480, fixture), 480);
  EXPECT_EQ(withoutOwnLook.DialogFlags(), 0x018F);
}

TEST(OptionStream, Below6000_TerminateByteZeroClearsTheTerminateActions) {
  TStreamFixture fixture;
  fixture.terminateAction = 2;
  fixture.oldTerminateKeep = 0;
  TDovaroModuleOptions o;
  o.RequestedTerminateAction = 1;
  Load(o, WriteOptionStream(5000, fixture), 5000);
  EXPECT_EQ(o.TerminateAction(), 0);
  EXPECT_EQ(o.RequestedTerminateAction, 0);
  fixture.oldTerminateKeep = 1;
  Load(o, WriteOptionStream(5000, fixture), 5000);
  EXPECT_EQ(o.TerminateAction(), 2);
}

TEST(OptionStream, Below450_MailDeliveryFollowsTheSmtpServer) {
  struct Case {
    std::uint8_t stored;
    const char* server;
    int expected;
  } cases[] = {{0, "smtp", 0}, {3, "smtp", 2}, {1, "smtp", 2}, {3, "", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.stored} << " " << c.server);
    TStreamFixture fixture;
    fixture.mailDelivery = c.stored;
    fixture.smtpServer = c.server;
    TDovaroModuleOptions o;
    Load(o, WriteOptionStream(430, fixture), 430);
    EXPECT_EQ(o.MailDelivery(), c.expected);
  }
}

TEST(OptionStream, Below6000_NarrowSetsAndMissingFields) {
  TStreamFixture fixture;
  fixture.sendFlags = 0x03FF;
  fixture.dialogFlags = 0x02A5;     // one byte stored: 0xA5
  fixture.behaviourFlags = 0x01A1;  // one byte stored: 0xA1
  fixture.stackFlags = 0x05;
  TDovaroModuleOptions o;
  Load(o, WriteOptionStream(5500, fixture), 5500);
  EXPECT_EQ(o.SendFlags(), 0x01FF);  // FileNameWithComputer cleared
  EXPECT_EQ(o.DialogFlags(), 0x00A5);
  EXPECT_EQ(o.BehaviourFlags(), 0x00A1);
  EXPECT_EQ(o.StackFlags(), 0x05 | StackNoRoutineNames);
  EXPECT_EQ(o.LeakFlags(), 0x1E);  // not stored before 6000
  EXPECT_EQ(o.DialogKind(), 2);    // from 6000
  EXPECT_EQ(o.ProxyServerPort(), 8080);
  EXPECT_EQ(o.ArchivePassword(), "");
}

TEST(OptionStream, Below6000_FiltersAreTwoStringsWithFixedSettings) {
  TStreamFixture fixture;
  fixture.filters = {{false, "EWithMessage", "Shown instead", 0, 0, 0, 0},
                     {false, "ESilent", "", 0, 0, 0, 0}};
  TDovaroModuleOptions o;
  Load(o, WriteOptionStream(5999, fixture), 5999);
  ASSERT_EQ(o.Filters().Count(), 2);
  EXPECT_EQ(o.Filters().Item(0),
            (TDovaroExceptionFilter{true, "EWithMessage", "Shown instead", 2, 2, 0, 0}));
  EXPECT_EQ(o.Filters().Item(1), (TDovaroExceptionFilter{true, "ESilent", "", 2, 0, 0, 0}));
}

TEST(OptionStream, Below6000_FrozenTextAndTheDroppedText) {
  TStreamFixture fixture;
  fixture.oldFrozenText = "Frozen!";
  fixture.oldDroppedText = "dropped";
  TDovaroModuleOptions o;
  Load(o, WriteOptionStream(5999, fixture), 5999);
  EXPECT_EQ(o.StoredText(156), "Frozen!");
  EXPECT_EQ(o.StoredText(68), "Text 68");
  fixture.oldFrozenText = "";
  TDovaroModuleOptions withoutFrozenText;
  Load(withoutFrozenText, WriteOptionStream(5999, fixture), 5999);
  EXPECT_EQ(withoutFrozenText.StoredText(156), "The application seems to be frozen.");
}

TEST(OptionStream, TextsAbsentInAVersion_KeepTheirDefaults) {
  struct Case {
    int index;
    int version;
    bool present;
  } cases[] = {
      {20, 419, false},   {20, 420, true},   {19, 420, false},  {19, 421, true},  {9, 449, false},
      {9, 450, true},     {47, 449, false},  {110, 449, false}, {110, 450, true}, {25, 499, false},
      {25, 500, true},    {75, 499, false},  {41, 5999, false}, {41, 6000, true}, {17, 499, true},
      {17, 500, false},   {18, 5999, false}, {18, 6000, true},  {2, 5999, false}, {30, 5999, false},
      {157, 5999, false}, {157, 6000, true}, {0, 400, true},    {68, 449, false}, {68, 450, true},
      {153, 6105, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "text " << c.index << " in version " << c.version);
    EXPECT_EQ(TextExistsInVersion(c.index, c.version), c.present);
    TDovaroModuleOptions o;
    Load(o, WriteOptionStream(c.version, TStreamFixture{}), c.version);
    EXPECT_EQ(o.StoredText(c.index),
              c.present ? "Text " + std::to_string(c.index) : kDefaultCustomizedTexts[c.index]);
  }
}

TEST(OptionStream, GeneralFieldsShown_OldWidthsAreWidenedToTheCurrentItems) {
  // Below 500: items 4, 5, 9, 12-15, 22-25, 30-35, 41-47 are new; 24 stored bits fill the rest.
  EXPECT_EQ(WidenGeneralFieldsShown(0, 499), 0xFE0FC3C0F230ull);
  EXPECT_EQ(WidenGeneralFieldsShown(0xFFFFFF, 499), kAllGeneralFieldsShown);
  // Stored bit 0 is item 0, bit 4 is item 6 (items 4 and 5 are new), bit 23 item 40.
  EXPECT_EQ(WidenGeneralFieldsShown(1u << 4, 499) & ~WidenGeneralFieldsShown(0, 499), 1ull << 6);
  EXPECT_EQ(WidenGeneralFieldsShown(1u << 23, 499) & ~WidenGeneralFieldsShown(0, 499), 1ull << 40);
  // 500 to 5999: items 5, 9, 12-15, 22-25, 33-35, 40, 47 are new; 33 stored bits fill the rest.
  EXPECT_EQ(WidenGeneralFieldsShown(0, 500), 0x810E03C0F220ull);
  EXPECT_EQ(WidenGeneralFieldsShown(0x1FFFFFFFF, 5999), kAllGeneralFieldsShown);
  EXPECT_EQ(WidenGeneralFieldsShown(1ull << 32, 5999) & ~WidenGeneralFieldsShown(0, 5999),
            1ull << 46);
  // From 6000 the 48 bits are stored as they are.
  EXPECT_EQ(WidenGeneralFieldsShown(0x123, 6000), 0x123u);

  TStreamFixture fixture;
  fixture.generalFields = 0;
  TDovaroModuleOptions o;
  Load(o, WriteOptionStream(5000, fixture), 5000);
  EXPECT_EQ(o.GeneralFieldsShown(), 0x810E03C0F220ull);
}

TEST(OptionStream, TruncatedStream_RaisesAReadErrorAndPublishesNothing) {
  const auto stream = SaveOptionsToBytes(TDovaroModuleOptions());
  for (const std::size_t length :
       {std::size_t{0}, std::size_t{1}, std::size_t{12}, stream.size() - 1}) {
    SCOPED_TRACE(length);
    TDovaroModuleOptions o;
    TByteReader reader(std::span<const std::uint8_t>(stream).first(length));
    EXPECT_THROW(o.LoadFromStream(reader, kEngineDataVersion), EReadError);
    EXPECT_EQ(o.UpdateDepth(), 0);
  }
}

TEST(OptionStream, LoadWithoutVersion_UsesTheVersionTheStreamCarries) {
  TStreamFixture fixture;
  fixture.firstTab = 3;
  const auto stream = WriteOptionStream(5999, fixture);
  TDovaroModuleOptions o;
  TByteReader reader(stream, 5999);
  o.LoadFromStream(reader);
  EXPECT_EQ(o.FirstTab(), 5);
}
