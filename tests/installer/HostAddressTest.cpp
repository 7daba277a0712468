#include "installer/HostAddress.h"

#include <gtest/gtest.h>

TEST(HostAddress, LocalHost_InAnyLetterCase) {
  for (const char* name : {"localhost", "LocalHost", "LOCALHOST", "lOcAlHoSt"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(IsLocalHostName(name));
  }
  for (const char* name : {"localhost.", "local host", "localhos", "", "127.0.0.1"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(IsLocalHostName(name));
  }
}

TEST(HostAddress, DottedQuad_FourDecimalNumbersUpTo255) {
  struct Row {
    const char* text;
    bool literal;
    std::array<std::uint8_t, 4> address;
  } rows[] = {
      {"127.0.0.1", true, {127, 0, 0, 1}},
      {"255.255.255.255", true, {255, 255, 255, 255}},
      {"0.0.0.0", true, {0, 0, 0, 0}},
      {"010.1.1.1", true, {10, 1, 1, 1}},  // decimal, never octal
      {"256.1.1.1", false, {}},
      {"1.1.1", false, {}},
      {"1.1.1.1.", false, {}},
      {"1.1.1.1x", false, {}},
      {"1..1.1", false, {}},
      {" 1.1.1.1", false, {}},
      {"-1.1.1.1", false, {}},
      {"", false, {}},
      {"srv1", false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto parsed = ParseDottedQuad(row.text);
    ASSERT_EQ(parsed.has_value(), row.literal);
    if (row.literal) {
      EXPECT_EQ(*parsed, row.address);
    }
  }
}

TEST(HostAddress, SevenBitConversion_ReplacesBytesAbove127) {
  EXPECT_EQ(ToSevenBitAscii("BDESERVERNAME_A"), "BDESERVERNAME_A");
  EXPECT_EQ(ToSevenBitAscii("pu\xF2 \x80\x7F\xFF"), "pu? ?\x7F?");
  EXPECT_EQ(ToSevenBitAscii(std::string("a\0b", 3)), std::string("a\0b", 3));
}
