#include "debuginfo/EDebugBlockNames.h"

#include "debuginfo/EDebug.h"
#include "report/EBase64.h"

TBlockNameDecoder::TBlockNameDecoder(std::uint16_t version, std::string_view password,
                                     bool passwordValid)
    : version_(version), passwordValid_(passwordValid) {
  if (version_ >= 500 && passwordValid_) cipher_.SetKey(password);
}

TRawBlockName TBlockNameDecoder::Read(TByteCursor& cursor) const {
  const std::size_t start = cursor.Position();
  TByteCursor copy = cursor;
  for (;;) {
    std::uint8_t length = cursor.U8();
    const bool continued = version_ >= 502 && length >= 128;
    if (version_ >= 502) length &= 127;
    cursor.Skip(length);
    if (!continued || cursor.Failed()) break;
  }
  if (cursor.Failed()) return {};
  copy.Seek(start);
  return {copy.Bytes(cursor.Position() - start)};
}

std::string TBlockNameDecoder::Piece(std::span<const std::uint8_t> bytes) const {
  std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (version_ < 500) {
    for (char& c : text) c = static_cast<char>(c ^ kOldBlockNameKey);
  } else if (passwordValid_) {
    cipher_.DecryptBuffer(text.data(), text.data(), text.size());
  } else if (!text.empty()) {
    text = "?" + Base64EncodeBuffer(text.data(), text.size());
  }
  return text;
}

std::string TBlockNameDecoder::Text(const TRawBlockName& name) const {
  std::string text;
  TByteCursor cursor(name.Field);
  for (bool first = true; !cursor.AtEnd(); first = false) {
    std::uint8_t length = cursor.U8();
    if (version_ >= 502) length &= 127;
    if (!first) text += '.';
    text += Piece(cursor.Bytes(length));
  }
  return text;
}

std::string TBlockNameDecoder::UnitText(const TRawBlockName& name) const {
  std::string text = Text(name);
  if (!passwordValid_) {
    if (!text.empty()) text.insert(1, "p");
  } else if (text.find('.') == std::string::npos) {
    text += SourceFileExtension;
  }
  return text;
}
