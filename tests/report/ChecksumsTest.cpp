#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "report/EHash.h"

namespace {

std::string Hex(const TMd5Digest& digest) {
  std::string text;
  char pair[3];
  for (std::uint8_t b : digest) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    text += pair;
  }
  return text;
}

}  // namespace

TEST(Crc16, CheckValueAndEmptyText) {
  EXPECT_EQ(Crc16Text("123456789"), 0x31C3);
  EXPECT_EQ(Crc16Text(""), 0);
  EXPECT_EQ(Crc16Text("A"), 0x58E5);
}

TEST(Crc32, CheckValue_AndPiecewiseUpdateGivesTheSame) {
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
  std::uint32_t reg = Crc32Update(kCrc32Start, "IHDR", 4);
  reg = Crc32Update(reg, "12345", 5);
  EXPECT_EQ(Crc32Finish(reg), Crc32("IHDR12345", 9));
}

TEST(Crc32, NullOrEmptyInput_GivesZero) {
  EXPECT_EQ(Crc32(nullptr, 5), 0u);
  EXPECT_EQ(Crc32("x", 0), 0u);
}

TEST(Md5, Rfc1321TestSuite) {
  struct Row {
    const char* message;
    const char* digest;
  } rows[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    EXPECT_EQ(Hex(Md5(row.message, std::char_traits<char>::length(row.message))), row.digest);
  }
}

TEST(Md5, MessagesAroundTheBlockBoundary_MatchAReferenceDigest) {
  // 55, 56 and 64 bytes cross the point where the length no longer fits the block.
  EXPECT_EQ(Hex(Md5(std::string(55, 'a').data(), 55)), "ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(Hex(Md5(std::string(56, 'a').data(), 56)), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(Hex(Md5(std::string(64, 'a').data(), 64)), "014842d480b571495a4a0363793f7367");
}
