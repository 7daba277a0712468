// The 64-bit block cipher that protects debug names and checks the debug
// password: 128-bit key from the MD5 of the password, 32 rounds of a
// TEA-style round function of its own (not interchangeable with published
// TEA). Only deciphering is needed by the engine; EncryptBlock serves the
// chaining tail and the build tool. Pure; never raises.
//
// There is no process-wide key: every user (the debug block's names, the
// password probe, the build tools) keys a TBlockCipher of its own, so no user
// can change the key under another. SetKey must not run while another thread
// uses the same instance; the block operations are const and may run on
// several threads at once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

using TCipherBlock = std::array<std::uint8_t, 8>;
using TCipherKey = std::array<std::uint32_t, 4>;

// The cipher with its key words; the chaining register lives on the stack of
// each buffer operation.
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
