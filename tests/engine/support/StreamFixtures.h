// Option streams and ELDATA blocks built byte by byte as the build tool of
// each data version laid them out, independently of the engine's own writer.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class TFixtureWriter {
 public:
  TFixtureWriter& U8(std::uint8_t value);
  TFixtureWriter& U16(std::uint16_t value);
  TFixtureWriter& U32(std::uint32_t value);
  TFixtureWriter& Double(double value);
  // A 32-bit length and the bytes XORed with the scramble key, as given.
  TFixtureWriter& Str(const std::string& text);
  TFixtureWriter& Bytes(const std::vector<std::uint8_t>& bytes);
  const std::vector<std::uint8_t>& Result() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

struct TFixtureFilter {
  bool enabled = true;
  std::string className;
  std::string message;
  std::uint8_t scope = 0, dialog = 0, handler = 0, afterAction = 0;
};

// The values a stream carries; a version that lacks a field skips it.
// Defaults differ from the engine's defaults so a skipped read shows.
struct TStreamFixture {
  bool buildFlag = true, applyFilters = false;
  std::uint8_t logFlags = 0x05;
  std::uint8_t oldShowDialog = 1;  // the byte after LogFlags below 500
  bool reportInMessageBody = true;
  std::uint8_t oldSendBits[3] = {
      1, 0, 0};  // 450..499: SendWholeLog, SendScreenshotImage, SendShowProgress
  bool writeLogFile = false;
  std::uint8_t firstTab = 4;
  std::uint8_t oldOwnLook = 1;  // 403..499: DlgOwnLook
  bool freezeWatch = true;
  std::uint32_t freezeTimeout = 45;
  std::string oldFrozenText;  // 420..5999: becomes text 156 when not empty
  std::string smtpSender = "sender@fixture.example", smtpServer = "smtp.fixture.example";
  std::uint16_t smtpPort = 2525;
  std::string smtpLogin = "login", smtpPassword = "secret";
  std::uint8_t terminateAction = 1;
  std::uint8_t oldTerminateKeep = 1;  // 421..5999: 0 clears TerminateAction
  std::uint32_t maxLoggedErrors = 7, terminateButtonAfter = 9;
  std::string mailRecipients = "a@fixture.example", mailSubject = "Subject";
  std::uint8_t mailDelivery = 3;
  std::uint64_t generalFields = 0;  // the stored bits, in the version's width
  std::uint8_t webDelivery = 5;
  std::string webAddress = "http://fixture.example", webLogin = "web", webPassword = "webpw";
  std::uint32_t webPort = 8081;
  std::string extraAttachments = "a.txt;b.txt";
  std::uint16_t sendFlags = 0x03FF;
  std::uint16_t dialogFlags = 0x02A5;
  std::uint32_t dialogAutoClose = 30;
  std::string supportPage = "http://support.fixture.example", webTemplate = "<p>%s</p>";
  std::uint8_t stackFlags = 0x05;
  std::uint16_t behaviourFlags = 0x01A1;
  std::uint8_t leakFlags = 0x03, burstAction = 1;
  std::uint32_t burstCount = 4, burstMinutes = 3;
  std::uint8_t outputFileFlags = 0x02, dialogKind = 3;
  std::string proxyServer = "proxy", proxyLogin = "plogin", proxyPassword = "ppw";
  std::uint16_t proxyPort = 3128;
  std::string trackerLogin = "tl", trackerPassword = "tp", trackerAssignee = "ta",
              trackerProject = "tproj", trackerCategory = "tcat", trackerTrial = "ttrial",
              archivePassword = "zip";
  std::vector<TFixtureFilter> filters;
  std::string mailBody = "Body";
  std::string oldDroppedText;        // the string before text 68 below 6000
  std::map<int, std::string> texts;  // others are written as "Text <index>"
  std::string textsLanguage = "Fixture";
};

std::vector<std::uint8_t> WriteOptionStream(int version, const TStreamFixture& fixture);

struct TBlockFixture {
  std::uint32_t magic = 0x100FAB10;
  std::uint16_t storedVersion = 6105;
  double buildStamp = 45000.25;
  std::uint8_t headerLeakFlags = 0x1E, headerUseMainOptions = 1;
  std::vector<std::uint8_t> symbolTable;  // N bytes as stored
  std::vector<std::uint8_t> optionStream;
  std::string password;  // enciphers the probe
  std::vector<std::uint8_t> debugInfo;
};

// A resource carrier of the layout of `storedVersion` (normalised as 600..602).
std::vector<std::uint8_t> WriteResourceBlock(const TBlockFixture& fixture);
// The appended carrier's block (without its trailer), and the trailer.
std::vector<std::uint8_t> WriteAppendedBlock(const TBlockFixture& fixture);
std::vector<std::uint8_t> AppendedTrailer(std::uint32_t blockLength, std::uint32_t magic);
// One 9-byte SymbolTable entry.
std::vector<std::uint8_t> SymbolEntry(std::uint8_t id, std::uint32_t offset, std::uint32_t size);
std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& plain);
