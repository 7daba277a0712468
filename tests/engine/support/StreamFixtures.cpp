#include "tests/engine/support/StreamFixtures.h"

#include <zlib.h>

#include <cstring>

#include "engine/ECoreByteStream.h"
#include "engine/ECoreTexts.h"
#include "report/EEncrypt.h"

TFixtureWriter& TFixtureWriter::U8(std::uint8_t value) {
  bytes_.push_back(value);
  return *this;
}

TFixtureWriter& TFixtureWriter::U16(std::uint16_t value) {
  return U8(value & 0xFF).U8(value >> 8);
}

TFixtureWriter& TFixtureWriter::U32(std::uint32_t value) {
  return U16(value & 0xFFFF).U16(value >> 16);
}

TFixtureWriter& TFixtureWriter::Double(double value) {
  std::uint8_t raw[8];
  std::memcpy(raw, &value, 8);
  return Bytes({raw, raw + 8});
}

TFixtureWriter& TFixtureWriter::Str(const std::string& text) {
  U32(static_cast<std::uint32_t>(text.size()));
  for (char c : text) U8(static_cast<std::uint8_t>(c) ^ kScrambleKey);
  return *this;
}

TFixtureWriter& TFixtureWriter::Bytes(const std::vector<std::uint8_t>& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

std::vector<std::uint8_t> WriteOptionStream(int v, const TStreamFixture& f) {
  TFixtureWriter w;
  w.U8(f.buildFlag).U8(f.applyFilters).U8(f.logFlags);
  if (v < 500) w.U8(f.oldShowDialog);
  w.U8(f.reportInMessageBody);
  if (v >= 450 && v < 500) w.U8(f.oldSendBits[0]).U8(f.oldSendBits[1]).U8(f.oldSendBits[2]);
  if (v > 400) w.U8(f.writeLogFile).U8(f.firstTab);
  if (v >= 403 && v < 500) w.U8(f.oldOwnLook);
  if (v >= 420) {
    w.U8(f.freezeWatch).U32(f.freezeTimeout);
    if (v < 6000) w.Str(f.oldFrozenText);
  }
  if (v >= 450) w.Str(f.smtpSender);
  if (v >= 420) w.Str(f.smtpServer);
  if (v >= 450) w.U16(f.smtpPort);
  if (v >= 421) {
    w.Str(f.smtpLogin).Str(f.smtpPassword).U8(f.terminateAction);
    if (v < 6000) w.U8(f.oldTerminateKeep);
  }
  w.U32(f.maxLoggedErrors).U32(f.terminateButtonAfter).Str(f.mailRecipients).Str(f.mailSubject);
  w.U8(f.mailDelivery);
  const int fieldBytes = v >= 6000 ? 6 : v >= 500 ? 5 : 4;
  for (int i = 0; i < fieldBytes; ++i) w.U8(static_cast<std::uint8_t>(f.generalFields >> (8 * i)));
  if (v < 450) w.U8(0xEE);
  w.Str("C:\\Fixture\\Logs");
  if (v >= 500) {
    w.U8(f.webDelivery).Str(f.webAddress).Str(f.webLogin).Str(f.webPassword).U32(f.webPort);
    w.Str(f.extraAttachments).U16(f.sendFlags);
    if (v >= 6000)
      w.U16(f.dialogFlags);
    else
      w.U8(static_cast<std::uint8_t>(f.dialogFlags));
    w.U32(f.dialogAutoClose).Str(f.supportPage).Str(f.webTemplate).U8(f.stackFlags);
    if (v >= 6000)
      w.U16(f.behaviourFlags).U8(f.leakFlags);
    else
      w.U8(static_cast<std::uint8_t>(f.behaviourFlags));
    w.U8(f.burstAction).U32(f.burstCount).U32(f.burstMinutes);
  }
  if (v >= 6000) {
    w.U8(f.outputFileFlags).U8(f.dialogKind).Str(f.proxyServer).Str(f.proxyLogin);
    w.Str(f.proxyPassword).U16(f.proxyPort).Str(f.trackerLogin).Str(f.trackerPassword);
    w.Str(f.trackerAssignee).Str(f.trackerProject).Str(f.trackerCategory).Str(f.trackerTrial);
    w.Str(f.archivePassword);
  }
  w.U32(static_cast<std::uint32_t>(f.filters.size()));
  for (const TFixtureFilter& filter : f.filters) {
    if (v >= 6000) {
      w.U8(filter.enabled).Str(filter.className).Str(filter.message).U8(filter.scope);
      w.U8(filter.dialog).U8(filter.handler).U8(filter.afterAction);
    } else {
      w.Str(filter.className).Str(filter.message);
    }
  }
  w.Str(f.mailBody);
  for (int index = 0; index < kCustomizedTextCount; ++index) {
    if (v < 6000 && index == 68) w.Str(f.oldDroppedText);
    if (!TextExistsInVersion(index, v)) continue;
    const auto text = f.texts.find(index);
    w.Str(text != f.texts.end() ? text->second : "Text " + std::to_string(index));
  }
  if (v >= 6000) w.Str(f.textsLanguage);
  return w.Result();
}

std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& plain) {
  uLongf size = compressBound(static_cast<uLong>(plain.size()));
  std::vector<std::uint8_t> packed(size);
  compress2(packed.data(), &size, plain.data(), static_cast<uLong>(plain.size()), 9);
  packed.resize(size);
  return packed;
}

std::vector<std::uint8_t> SymbolEntry(std::uint8_t id, std::uint32_t offset, std::uint32_t size) {
  return TFixtureWriter().U8(id).U32(offset).U32(size).Result();
}

std::vector<std::uint8_t> WriteResourceBlock(const TBlockFixture& f) {
  const int version = f.storedVersion >= 600 && f.storedVersion <= 602
                          ? f.storedVersion % 600 + 6000
                          : f.storedVersion;
  TFixtureWriter w;
  w.U32(f.magic).U16(f.storedVersion).Double(f.buildStamp);
  if (version >= 6000) w.U8(f.headerLeakFlags).U8(f.headerUseMainOptions);
  TFixtureWriter debug;
  debug.U32(static_cast<std::uint32_t>(f.debugInfo.size())).Bytes(f.debugInfo);
  if (version < 500) {
    TFixtureWriter content;
    content.Bytes(f.optionStream).Bytes(debug.Result());
    return w.Bytes(version >= 450 ? Compress(content.Result()) : content.Result()).Result();
  }
  const auto options = Compress(f.optionStream);
  w.U32(static_cast<std::uint32_t>(f.symbolTable.size())).Bytes(f.symbolTable);
  w.U32(static_cast<std::uint32_t>(options.size())).Bytes(options);
  TBlockCipher cipher;
  cipher.SetKey(f.password);
  std::uint8_t probe[4];
  std::memcpy(probe, &f.magic, 4);
  cipher.EncryptBuffer(probe, probe, 4);
  w.Bytes({probe, probe + 4});
  return w.Bytes(Compress(debug.Result())).Result();
}

std::vector<std::uint8_t> WriteAppendedBlock(const TBlockFixture& f) {
  TFixtureWriter w;
  w.U16(f.storedVersion).Double(f.buildStamp).Bytes(f.optionStream);
  return w.U32(static_cast<std::uint32_t>(f.debugInfo.size())).Bytes(f.debugInfo).Result();
}

std::vector<std::uint8_t> AppendedTrailer(std::uint32_t blockLength, std::uint32_t magic) {
  return TFixtureWriter().U32(blockLength).U32(magic).Result();
}
