#include "debuginfo/EDebugBlockNames.h"

#include "debuginfo/EDebug.h"
#include "report/EBase64.h"
#include "report/EEncrypt.h"

namespace {

// The password the process-wide cipher key was last set from.
struct TLastCipherPassword {
  bool Set = false;
  std::string Password;
};
TLastCipherPassword lastCipherPassword;

void UseCipherPassword(std::string_view password) {
  if (lastCipherPassword.Set && lastCipherPassword.Password == password) return;
  SetCipherKey(password);
  lastCipherPassword.Set = true;
  lastCipherPassword.Password = std::string(password);
}

}  // namespace

TRawBlockName TBlockNameDecoder::Read(TByteCursor& cursor) const {
  TRawBlockName name;
  for (;;) {
    std::uint8_t length = cursor.U8();
    const bool continued = version_ >= 502 && length >= 128;
    if (version_ >= 502) length &= 127;
    name.Pieces.push_back(cursor.Bytes(length));
    if (!continued || cursor.Failed()) break;
  }
  return name;
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
  for (std::size_t i = 0; i < name.Pieces.size(); ++i) {
    if (i > 0) text += '.';
    text += Piece(name.Pieces[i]);
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
