#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "report/EEncrypt.h"

namespace {

std::string Bytes(const std::uint8_t* data, std::size_t length) {
  return std::string(reinterpret_cast<const char*>(data), length);
}

std::string FromHex(const char* hex) {
  std::string bytes;
  for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
    bytes += static_cast<char>(std::stoi(std::string(hex + i, 2), nullptr, 16));
  }
  return bytes;
}

}  // namespace

// Reference values come from an independent implementation of the cipher
// written from its description (MD5 key, 32 rounds, chaining from all ones).
TEST(Cipher, KeySetting_TakesTheMd5GroupsMostSignificantByteFirst) {
  TBlockCipher cipher;
  cipher.SetKey("");
  EXPECT_EQ(cipher.Key(), (TCipherKey{0xd41d8cd9, 0x8f00b204, 0xe9800998, 0xecf8427e}));
  cipher.SetKey("ZuderaDod");
  const TCipherKey first = cipher.Key();
  EXPECT_EQ(first, (TCipherKey{0x54836e1c, 0x67860716, 0x96609a80, 0x01c5f0eb}));
  cipher.SetKey("ZuderaDod");
  EXPECT_EQ(cipher.Key(), first);
}

TEST(Cipher, EncryptBlock_FixedVector_AndDecryptIsItsInverse) {
  TBlockCipher cipher;
  cipher.SetKey("ZuderaDod");
  std::uint8_t block[8];
  std::memcpy(block, "01234567", 8);
  cipher.EncryptBlock(block);
  EXPECT_EQ(Bytes(block, 8), FromHex("0117830f9e057683"));
  cipher.DecryptBlock(block);
  EXPECT_EQ(Bytes(block, 8), "01234567");
}

TEST(Cipher, DecryptBuffer_ElevenBytes_ChainsOneBlockAndXorsTheTail) {
  TBlockCipher cipher;
  cipher.SetKey("ZuderaDod");
  const std::string cipherText = FromHex("55f9bd37bf637e73519608");
  std::string plain(cipherText.size(), '\0');
  cipher.DecryptBuffer(cipherText.data(), plain.data(), plain.size());
  EXPECT_EQ(plain, "Hello, TEA!");

  // In place, and the inverse the build tool uses.
  std::string inPlace = cipherText;
  cipher.DecryptBuffer(inPlace.data(), inPlace.data(), inPlace.size());
  EXPECT_EQ(inPlace, "Hello, TEA!");
  std::string again(plain.size(), '\0');
  cipher.EncryptBuffer(plain.data(), again.data(), again.size());
  EXPECT_EQ(again, cipherText);
}

TEST(Cipher, WrongKey_GivesOtherBytes_AndLengthZeroChangesNothing) {
  TBlockCipher cipher;
  cipher.SetKey("wrong");
  const std::string cipherText = FromHex("55f9bd37bf637e73519608");
  std::string plain(cipherText.size(), '\0');
  cipher.DecryptBuffer(cipherText.data(), plain.data(), plain.size());
  EXPECT_NE(plain, "Hello, TEA!");
  std::string untouched = "abc";
  cipher.DecryptBuffer(untouched.data(), untouched.data(), 0);
  EXPECT_EQ(untouched, "abc");
}

TEST(Cipher, TwoUsers_EachKeepsItsOwnKey) {
  TBlockCipher names;
  names.SetKey("ZuderaDod");
  TBlockCipher probe;  // keyed after the first user, as the password probe of a module
  probe.SetKey("another module's password");
  std::string buffer = FromHex("55f9bd37bf637e73519608");
  names.DecryptBuffer(buffer.data(), buffer.data(), buffer.size());
  EXPECT_EQ(buffer, "Hello, TEA!");
  EXPECT_EQ(names.Key()[0], 0x54836e1cu);
  EXPECT_NE(probe.Key(), names.Key());
}
