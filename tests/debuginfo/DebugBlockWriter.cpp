#include "DebugBlockWriter.h"

#include <stdexcept>

#include "debuginfo/EDebugBlockNames.h"
#include "report/EEncrypt.h"

std::string U16Bytes(std::uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string U32Bytes(std::uint32_t value) {
  return U16Bytes(static_cast<std::uint16_t>(value & 0xFFFF)) +
         U16Bytes(static_cast<std::uint16_t>(value >> 16));
}

namespace {
void Require(bool condition) {
  if (!condition) throw std::invalid_argument("record does not fit its form");
}
}  // namespace

std::string DebugBlockWriter::OneBytePlain(int lineDelta, int addressDelta) {
  Require(lineDelta >= 1 && lineDelta <= 4 && addressDelta >= 1 && addressDelta <= 32);
  return std::string(1, static_cast<char>(((lineDelta - 1) << 6) | ((addressDelta - 1) << 1)));
}

std::string DebugBlockWriter::OneByteProcedure(int lineDelta, int addressDelta) {
  Require(lineDelta >= 1 && lineDelta <= 8 && addressDelta >= 1 && addressDelta <= 8);
  return std::string(1, static_cast<char>(((lineDelta - 1) << 5) | ((addressDelta - 1) << 2) | 1));
}

std::string DebugBlockWriter::TwoBytes(int lineDelta, int addressDelta, bool procedure) {
  Require(lineDelta >= 1 && lineDelta <= 32 && addressDelta >= 1 && addressDelta <= 128);
  const std::uint32_t v = (std::uint32_t(lineDelta - 1) << 7) | std::uint32_t(addressDelta - 1);
  return U16Bytes(static_cast<std::uint16_t>((v << 4) | (procedure ? 4 : 0) | 3));
}

std::string DebugBlockWriter::FourBytes(int lineDelta, int addressDelta, bool procedure) {
  Require(lineDelta >= -32768 && lineDelta <= 32767 && addressDelta >= 0 && addressDelta <= 4095);
  const std::uint32_t field = addressDelta == 0 ? 4095 : std::uint32_t(addressDelta - 1);
  const std::uint32_t v = (field << 16) | (std::uint32_t(lineDelta - 1) & 0xFFFF);
  return U32Bytes((v << 4) | 8 | (procedure ? 4 : 0) | 3);
}

std::string DebugBlockWriter::EightBytes(int lineDelta, int addressDelta, bool procedure) {
  Require(lineDelta >= -32768 && lineDelta <= 32767 && addressDelta >= 1 && addressDelta <= 65536);
  return U32Bytes((0x0FFEFFFEu << 4) | 8 | (procedure ? 4 : 0) | 3) +
         U16Bytes(static_cast<std::uint16_t>(lineDelta - 1)) +
         U16Bytes(static_cast<std::uint16_t>(addressDelta - 1));
}

std::string DebugBlockWriter::Name(const std::string& text, bool continued) const {
  std::string bytes = text;
  if (version_ < 500) {
    for (char& c : bytes) c = static_cast<char>(c ^ kOldBlockNameKey);
  } else {
    TBlockCipher cipher;
    cipher.SetKey(password_);
    cipher.EncryptBuffer(bytes.data(), bytes.data(), bytes.size());
  }
  Require(bytes.size() < (version_ >= 502 ? 128u : 256u));
  return std::string(1, static_cast<char>(bytes.size() | (continued ? 128 : 0))) + bytes;
}

std::string DebugBlockWriter::ContinuedName(const std::vector<std::string>& pieces) const {
  std::string field;
  for (std::size_t i = 0; i < pieces.size(); ++i) field += Name(pieces[i], i + 1 < pieces.size());
  return field;
}

void DebugBlockWriter::AddUnit(const std::string& encodedName, std::int32_t firstLine,
                               std::uint32_t codeStart, std::uint32_t codeSize,
                               const std::string& lineData) {
  units_ += encodedName + U32Bytes(static_cast<std::uint32_t>(firstLine)) + U32Bytes(codeStart) +
            U32Bytes(codeSize) + U32Bytes(static_cast<std::uint32_t>(lineData.size())) + lineData;
  ++unitCount_;
}

std::string DebugBlockWriter::Block(const std::string& skippedPart) const {
  std::string block;
  if (version_ >= 405 && version_ <= 499) block += U32Bytes(skippedPart.size()) + skippedPart;
  return block + U32Bytes(unitCount_) + units_;
}
