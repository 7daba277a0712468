// The ELDATA container read from blocks built byte by byte: both carriers,
// every layout, the version rules, the password probe, and damaged blocks.
#include <gtest/gtest.h>

#include "engine/ECoreEldata.h"
#include "engine/ECoreOptionStream.h"
#include "tests/engine/support/StreamFixtures.h"

namespace {

TBlockFixture CurrentBlock() {
  TBlockFixture block;
  TStreamFixture options;
  options.maxLoggedErrors = 21;
  block.optionStream = WriteOptionStream(6105, options);
  block.symbolTable = SymbolEntry(0, 0x1234, 0x40);
  const auto second = SymbolEntry(11, 0x2000, 0x10);
  const auto repeated = SymbolEntry(0, 0x9999, 0x1);  // a later entry of the same ID
  block.symbolTable.insert(block.symbolTable.end(), second.begin(), second.end());
  block.symbolTable.insert(block.symbolTable.end(), repeated.begin(), repeated.end());
  block.password = "secret";
  block.debugInfo = {'D', 'E', 'B', 'U', 'G', 0, 1, 2};
  return block;
}

TEldataReadSettings WithPassword(const std::string& password) {
  TEldataReadSettings settings;
  settings.ObtainPassword = [password](int attempt) -> std::optional<std::string> {
    return attempt == 0 ? std::optional<std::string>(password) : std::nullopt;
  };
  return settings;
}

}  // namespace

TEST(EldataResource, CurrentBlock_GivesOptionsSymbolsAndDebugInformation) {
  const TBlockFixture fixture = CurrentBlock();
  TDovaroModuleOptions options;
  TEldataContent content;
  ASSERT_TRUE(
      ReadEldataResource(WriteResourceBlock(fixture), options, content, WithPassword("secret")));
  EXPECT_EQ(options.MaxLoggedErrors(), 21u);
  EXPECT_EQ(content.FormatVersion, 6105);
  EXPECT_EQ(content.BuildStamp, 45000.25);
  ASSERT_EQ(content.SymbolTable.size(), 3u);
  EXPECT_EQ(content.SymbolTable[1], (TSymbolTableEntry{11, 0x2000, 0x10}));
  EXPECT_TRUE(content.PasswordValid);
  EXPECT_EQ(content.DebugPassword, "secret");
  ASSERT_TRUE(content.DebugInfo.has_value());
  EXPECT_EQ(*content.DebugInfo, fixture.debugInfo);
}

TEST(EldataResource, SymbolLookup_TakesTheFirstEntryAndYieldsNoneForAMissingId) {
  TDovaroModuleOptions options;
  TEldataContent content;
  ASSERT_TRUE(ReadEldataResource(WriteResourceBlock(CurrentBlock()), options, content,
                                 WithPassword("secret")));
  const auto first = FindSymbolEntry(content.SymbolTable, 0);
  ASSERT_TRUE(first.has_value());
  // Whole entries compared: a reference to a packed field is misaligned.
  EXPECT_EQ(*first, (TSymbolTableEntry{0, 0x1234, 0x40}));
  EXPECT_FALSE(FindSymbolEntry(content.SymbolTable, 1).has_value());
  EXPECT_FALSE(FindSymbolEntry({}, 0).has_value());
}

TEST(EldataResource, WrongPassword_LeavesThePasswordFlagFalse) {
  TDovaroModuleOptions options;
  TEldataContent content;
  ASSERT_TRUE(ReadEldataResource(WriteResourceBlock(CurrentBlock()), options, content,
                                 WithPassword("guess")));
  EXPECT_FALSE(content.PasswordValid);
  EXPECT_EQ(options.MaxLoggedErrors(), 21u) << "the options load all the same";
  EXPECT_TRUE(content.DebugInfo.has_value());

  TEldataContent withoutPassword;
  ASSERT_TRUE(ReadEldataResource(WriteResourceBlock(CurrentBlock()), options, withoutPassword));
  EXPECT_FALSE(withoutPassword.PasswordValid) << "no request means the empty password";
}

TEST(EldataResource, FailedProbe_AsksASecondTimeOnlyForAnotherModule) {
  std::vector<int> attempts;
  TEldataReadSettings settings;
  settings.ObtainPassword = [&](int attempt) -> std::optional<std::string> {
    attempts.push_back(attempt);
    return attempt == 0 ? "wrong" : "secret";
  };
  TDovaroModuleOptions options;
  TEldataContent own;
  ASSERT_TRUE(ReadEldataResource(WriteResourceBlock(CurrentBlock()), options, own, settings));
  EXPECT_FALSE(own.PasswordValid);
  EXPECT_EQ(attempts, std::vector<int>{0});

  settings.RetryPassword = true;
  attempts.clear();
  TEldataContent other;
  ASSERT_TRUE(ReadEldataResource(WriteResourceBlock(CurrentBlock()), options, other, settings));
  EXPECT_TRUE(other.PasswordValid);
  EXPECT_EQ(other.DebugPassword, "secret");
  EXPECT_EQ(attempts, (std::vector<int>{0, 1}));
}

TEST(EldataResource, EmptyPasswordProbe_IsValidWithoutARequest) {
  TBlockFixture fixture = CurrentBlock();
  fixture.password = "";
  TDovaroModuleOptions options;
  TEldataContent content;
  ASSERT_TRUE(ReadEldataResource(WriteResourceBlock(fixture), options, content));
  EXPECT_TRUE(content.PasswordValid);
}

TEST(EldataResource, LightRegistration_LoadsOptionsWithoutPasswordOrDebugInformation) {
  TEldataReadSettings settings = WithPassword("guess");
  settings.LightRegistration = true;
  TDovaroModuleOptions options;
  TEldataContent content;
  ASSERT_TRUE(ReadEldataResource(WriteResourceBlock(CurrentBlock()), options, content, settings));
  EXPECT_EQ(options.MaxLoggedErrors(), 21u);
  EXPECT_TRUE(content.PasswordValid) << "no probe check";
  EXPECT_FALSE(content.DebugInfo.has_value());
}

TEST(EldataResource, FormatVersion601_ReadsAs6001) {
  TBlockFixture fixture = CurrentBlock();
  fixture.storedVersion = 601;
  TStreamFixture stream;
  stream.firstTab = 3;  // kept as 3: version 6001 is a current stream
  fixture.optionStream = WriteOptionStream(6001, stream);
  TDovaroModuleOptions options;
  TEldataContent content;
  ASSERT_TRUE(
      ReadEldataResource(WriteResourceBlock(fixture), options, content, WithPassword("secret")));
  EXPECT_EQ(content.FormatVersion, 6001);
  EXPECT_EQ(options.FirstTab(), 3);
  EXPECT_EQ(NormaliseFormatVersion(600), 6000);
  EXPECT_EQ(NormaliseFormatVersion(602), 6002);
  EXPECT_EQ(NormaliseFormatVersion(603), 603);
  EXPECT_EQ(NormaliseFormatVersion(599), 599);
}

TEST(EldataResource, FormatVersion6106_IsRejected) {
  TBlockFixture fixture = CurrentBlock();
  fixture.storedVersion = 6106;
  TDovaroModuleOptions options;
  TEldataContent content;
  EXPECT_FALSE(
      ReadEldataResource(WriteResourceBlock(fixture), options, content, WithPassword("secret")));
  EXPECT_TRUE(options.SameStoredValues(TDovaroModuleOptions())) << "nothing was read";
}

TEST(EldataResource, BothMagicValuesAreAcceptedAndOthersRejected) {
  for (const std::uint32_t magic : {0x100FAB10u, 0x000FAB10u, 0x200FAB10u, 0u}) {
    SCOPED_TRACE(magic);
    TBlockFixture fixture = CurrentBlock();
    fixture.magic = magic;
    TDovaroModuleOptions options;
    TEldataContent content;
    const bool known = magic == 0x100FAB10u || magic == 0x000FAB10u;
    EXPECT_EQ(
        ReadEldataResource(WriteResourceBlock(fixture), options, content, WithPassword("secret")),
        known);
    if (known) {
      EXPECT_TRUE(content.PasswordValid) << "the probe holds the block's own magic";
    }
  }
}

TEST(EldataResource, OldLayouts_HoldOneContentStream) {
  for (const int version : {421, 449, 450, 499}) {
    SCOPED_TRACE(version);
    TBlockFixture fixture;
    fixture.storedVersion = static_cast<std::uint16_t>(version);
    TStreamFixture stream;
    stream.maxLoggedErrors = 33;
    fixture.optionStream = WriteOptionStream(version, stream);
    fixture.debugInfo = {9, 8, 7};
    TDovaroModuleOptions options;
    TEldataContent content;
    ASSERT_TRUE(
        ReadEldataResource(WriteResourceBlock(fixture), options, content, WithPassword("x")));
    EXPECT_EQ(options.MaxLoggedErrors(), 33u);
    EXPECT_EQ(content.FormatVersion, version);
    EXPECT_TRUE(content.SymbolTable.empty());
    EXPECT_TRUE(content.PasswordValid) << "old blocks have no probe";
    EXPECT_EQ(content.DebugInfo, (std::vector<std::uint8_t>{9, 8, 7}));
  }
}

TEST(EldataResource, EveryTruncation_GivesNotLoadedWithoutCrashing) {
  const auto block = WriteResourceBlock(CurrentBlock());
  for (std::size_t length = 0; length < block.size(); ++length) {
    SCOPED_TRACE(length);
    TDovaroModuleOptions options;
    TEldataContent content;
    EXPECT_FALSE(ReadEldataResource(std::span(block).first(length), options, content,
                                    WithPassword("secret")));
  }
}

TEST(EldataResource, DamagedBytes_NeverCrashTheReader) {
  const auto block = WriteResourceBlock(CurrentBlock());
  int loaded = 0;
  for (std::size_t at = 0; at < block.size(); ++at) {
    auto damaged = block;
    damaged[at] ^= 0x5A;
    TDovaroModuleOptions options;
    TEldataContent content;
    loaded += ReadEldataResource(damaged, options, content, WithPassword("secret"));
  }
  // Damage to the magic, the version, the lengths or the zlib streams is
  // noticed; the stamp (8), the header flags (2), the SymbolTable (27) and the
  // probe (4, a wrong probe only clears the password flag) are not checked,
  // nor are a couple of bits of a zlib header.
  EXPECT_LE(loaded, 8 + 2 + 27 + 4 + 2);
}

TEST(EldataResource, EmptyOrCorruptCompressedStreams_AreNotLoaded) {
  TBlockFixture fixture = CurrentBlock();
  fixture.optionStream.clear();  // inflates to nothing
  TDovaroModuleOptions options;
  TEldataContent content;
  EXPECT_FALSE(ReadEldataResource(WriteResourceBlock(fixture), options, content));

  auto block = WriteResourceBlock(CurrentBlock());
  block.resize(block.size() - 3);  // the debug stream loses its checksum
  EXPECT_FALSE(ReadEldataResource(block, options, content));
}

TEST(EldataResource, HeaderPeek_GivesTheLeakSettings) {
  const auto header = PeekEldataHeader(WriteResourceBlock(CurrentBlock()));
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->FormatVersion, 6105);
  EXPECT_TRUE(header->HasHeaderFlags);
  EXPECT_EQ(header->HeaderLeakFlags, 0x1E);
  EXPECT_TRUE(header->HeaderUseMainOptions);
  TBlockFixture old;
  old.storedVersion = 5999;
  old.optionStream = WriteOptionStream(5999, TStreamFixture{});
  EXPECT_FALSE(PeekEldataHeader(WriteResourceBlock(old))->HasHeaderFlags);
  EXPECT_FALSE(PeekEldataHeader(std::vector<std::uint8_t>{0x10, 0xAB}).has_value());
}

TEST(EldataAppended, BlockAndTrailer_AreRead) {
  TBlockFixture fixture = CurrentBlock();
  fixture.storedVersion = 6105;
  const auto block = WriteAppendedBlock(fixture);
  const auto trailer = AppendedTrailer(static_cast<std::uint32_t>(block.size()), 0x000FAB10);
  EXPECT_EQ(AppendedBlockLength(trailer), block.size());
  EXPECT_FALSE(AppendedBlockLength(AppendedTrailer(4, 0x12345678)).has_value());

  TDovaroModuleOptions options;
  TEldataContent content;
  ASSERT_TRUE(ReadEldataAppended(block, options, content));
  EXPECT_EQ(options.MaxLoggedErrors(), 21u);
  EXPECT_EQ(content.BuildStamp, 45000.25);
  EXPECT_TRUE(content.SymbolTable.empty());
  EXPECT_TRUE(content.PasswordValid);
  EXPECT_EQ(content.DebugInfo, fixture.debugInfo);
}

TEST(EldataAppended, VersionIsTakenAsStored) {
  TBlockFixture fixture;
  fixture.storedVersion = 9000;  // not compared with the engine's version
  fixture.optionStream = WriteOptionStream(9000, TStreamFixture{});
  TDovaroModuleOptions options;
  TEldataContent content;
  ASSERT_TRUE(ReadEldataAppended(WriteAppendedBlock(fixture), options, content));
  EXPECT_EQ(content.FormatVersion, 9000);
  const auto block = WriteAppendedBlock(fixture);
  EXPECT_FALSE(ReadEldataAppended(std::span(block).first(block.size() - 1), options, content));
}

TEST(EldataWriter, BlocksOfTheWriterReadBack) {
  TDovaroModuleOptions source;
  source.SetWebDelivery(6);
  source.Filters().Add({true, "EInOutError", "", 2, 3, 1, 0});
  TEldataBlockInput input = EldataInputFor(source);
  input.BuildStamp = 46000.5;
  input.SymbolTable = {{0, 0x10, 0x20}, {17, 0x30, 0x40}};
  input.DebugPassword = "pw";
  input.DebugInfo = {1, 2, 3};
  EXPECT_EQ(input.HeaderLeakFlags, 0x1E);
  EXPECT_TRUE(input.HeaderUseMainOptions) << "the default BehaviourFlags hold UseMainModuleOptions";

  TDovaroModuleOptions loaded;
  TEldataContent content;
  ASSERT_TRUE(
      ReadEldataResource(WriteEldataResourceBlock(input), loaded, content, WithPassword("pw")));
  EXPECT_TRUE(loaded.SameStoredValues(source));
  EXPECT_EQ(content.SymbolTable, input.SymbolTable);
  EXPECT_TRUE(content.PasswordValid);
  EXPECT_EQ(content.DebugInfo, input.DebugInfo);

  const auto appended = WriteEldataAppendedBlock(input);
  const auto length = AppendedBlockLength(std::span(appended).last(kAppendedTrailerSize));
  ASSERT_TRUE(length.has_value());
  TDovaroModuleOptions fromAppended;
  TEldataContent appendedContent;
  ASSERT_TRUE(
      ReadEldataAppended(std::span(appended).first(*length), fromAppended, appendedContent));
  EXPECT_TRUE(fromAppended.SameStoredValues(source));
  EXPECT_EQ(appendedContent.BuildStamp, 46000.5);
}
