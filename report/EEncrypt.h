// The 64-bit block cipher that protects debug names and checks the debug
// password: 128-bit key from the MD5 of the password, 32 rounds of a
// TEA-style round function of its own (not interchangeable with published
// TEA). Only deciphering is needed by the engine; EncryptBlock serves the
// chaining tail and the build tool. Pure; never raises.
//
// The key words and the chaining register are process-wide and unguarded:
// key setting and buffer operations must not run on two threads at once (the
// engine uses them while handling one exception at a time, or at start-up).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

using TCipherBlock = std::array<std::uint8_t, 8>;
using TCipherKey = std::array<std::uint32_t, 4>;

// The cipher itself, with its own key words, for callers that keep one.
class TBlockCipher {
 public:
  void SetKey(std::string_view password);
  const TCipherKey& Key() const { return key_; }

  void EncryptBlock(std::uint8_t block[8]) const;
  void DecryptBlock(std::uint8_t block[8]) const;
  // Cipher block chaining from an all-ones register; a final part of 1 to 7
  // bytes is XORed with the enciphered register. Source and destination may
  // be the same buffer.
  void DecryptBuffer(const void* source, void* destination, std::size_t length) const;
  // The inverse of DecryptBuffer (used by the build tool that enciphers).
  void EncryptBuffer(const void* source, void* destination, std::size_t length) const;

 private:
  TCipherKey key_{};
};

// The process-wide cipher state of the engine.
void SetCipherKey(std::string_view password);
void EncryptBlock(std::uint8_t block[8]);
void DecryptBlock(std::uint8_t block[8]);
void DecryptBuffer(const void* source, void* destination, std::size_t length);
const TCipherKey& CipherKey();
