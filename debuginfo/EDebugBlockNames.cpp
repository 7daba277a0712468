#include "debuginfo/EDebugBlockNames.h"

#include "debuginfo/EDebug.h"
#include "report/EBase64.h"
#include "report/EEncrypt.h"

namespace {

// The password the process-wide cipher key was last set from here, and the
// key words it gave: another user of the cipher (the password probe) may have
// set another key since, which the key words tell.
struct TLastCipherPassword {
  bool Set = false;
  std::string Password;
  TCipherKey Key{};
};
TLastCipherPassword lastCipherPassword;

void UseCipherPassword(std::string_view password) {
  if (lastCipherPassword.Set && lastCipherPassword.Password == password &&
      lastCipherPassword.Key == CipherKey()) {
    return;
  }
  SetCipherKey(password);
  lastCipherPassword.Set = true;
  lastCipherPassword.Password = std::string(password);
  lastCipherPassword.Key = CipherKey();
}

}  // namespace

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
    UseCipherPassword(password_);
    DecryptBuffer(text.data(), text.data(), text.size());
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
