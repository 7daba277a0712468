// Name fields of the compact debug block: a length byte and that many
// enciphered bytes, continued by further fields (joined with ".") from
// version 502 on. Pure: a decoder keys its own cipher once from the module's
// password, so decoders of several modules may be used in any order, and its
// const operations may run on several threads at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "debuginfo/EDebugByteCursor.h"
#include "report/EEncrypt.h"

// Names of blocks written before version 500 are XORed with this byte.
inline constexpr std::uint8_t kOldBlockNameKey = 0x5A;

// A name field as stored (with its continuations), not yet turned into text.
struct TRawBlockName {
  std::span<const std::uint8_t> Field;
};

class TBlockNameDecoder {
 public:
  TBlockNameDecoder(std::uint16_t version, std::string_view password, bool passwordValid);

  // Reads one name field with its continuations; a short read fails the cursor.
  // Allocation-free: decoding waits until a text is asked for.
  TRawBlockName Read(TByteCursor& cursor) const;
  // The text of a name field: pieces decoded one by one and joined with ".".
  std::string Text(const TRawBlockName& name) const;
  // The text of a unit name: "p" after the first character when the password
  // is not valid, else SourceFileExtension added when it has no ".".
  std::string UnitText(const TRawBlockName& name) const;

 private:
  std::string Piece(std::span<const std::uint8_t> bytes) const;

  std::uint16_t version_;
  bool passwordValid_;
  TBlockCipher cipher_;  // keyed only when the names are enciphered
};
