#include <gtest/gtest.h>

#include "report/EBase64.h"

TEST(Base64, Encode_GroupsOfThreeWithPadding) {
  struct Row {
    std::string in;
    const char* out;
  } rows[] = {
      {"", ""},        {"M", "TQ=="},          {"Ma", "TWE="},
      {"Man", "TWFu"}, {"foobar", "Zm9vYmFy"}, {std::string("\0\xFF\xFE", 3), "AP/+"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.out);
    EXPECT_EQ(Base64Encode(row.in), row.out);
    EXPECT_EQ(Base64Decode(row.out), row.in);
  }
}

TEST(Base64, Decode_LengthNotAMultipleOfFour_GivesEmpty) {
  for (const char* text : {"", "TQ=", "TWFuX", "A"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Base64Decode(text), "");
  }
}

TEST(Base64, Decode_LastGroupStopsAtItsFirstPad_RestStaysDots) {
  // Only the last "=" shortens the output (by one), but the group holds one
  // character before its first pad: no byte is written and the fill remains.
  EXPECT_EQ(Base64Decode("T=Q="), "..");
  EXPECT_EQ(Base64Decode("TWFuT=Q="), "Man..");
  // A pad inside an earlier group counts as the value 0.
  EXPECT_EQ(Base64Decode("TQ==TWFu"), std::string("M\0\0Man", 6));
}

TEST(Base64, Decode_BytesOutsideTheAlphabet_SpoilTheirGroupOnly) {
  const std::string decoded = Base64Decode("TWFu*WFu");
  ASSERT_EQ(decoded.size(), 6u);
  EXPECT_EQ(decoded.substr(0, 3), "Man");
  EXPECT_NE(decoded.substr(3), "Man");
}

TEST(Base64, EncodeBuffer_NullGivesEmpty) {
  EXPECT_EQ(Base64EncodeBuffer(nullptr, 3), "");
}
