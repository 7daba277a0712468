// Writes compact debug blocks byte by byte for the reader's tests: unit
// records, the five line-record forms and enciphered name fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class DebugBlockWriter {
 public:
  DebugBlockWriter(std::uint16_t version, std::string password)
      : version_(version), password_(std::move(password)) {}

  // Line records; `address` is the address delta as the form stores it.
  static std::string OneBytePlain(int lineDelta, int addressDelta);
  static std::string OneByteProcedure(int lineDelta, int addressDelta);
  static std::string TwoBytes(int lineDelta, int addressDelta, bool procedure);
  // addressDelta 0 is stored as 4095.
  static std::string FourBytes(int lineDelta, int addressDelta, bool procedure);
  static std::string EightBytes(int lineDelta, int addressDelta, bool procedure);

  // A name field holding `text`, enciphered as the block's version wants.
  std::string Name(const std::string& text, bool continued = false) const;
  // Pieces joined by the reader with ".".
  std::string ContinuedName(const std::vector<std::string>& pieces) const;

  void AddUnit(const std::string& encodedName, std::int32_t firstLine, std::uint32_t codeStart,
               std::uint32_t codeSize, const std::string& lineData);
  // Units of versions 405 to 499 are preceded by a skipped part.
  std::string Block(const std::string& skippedPart = "") const;

 private:
  std::uint16_t version_;
  std::string password_;
  std::uint32_t unitCount_ = 0;
  std::string units_;
};

std::string U16Bytes(std::uint16_t value);
std::string U32Bytes(std::uint32_t value);
