#include "installer/IdSocketErrors.h"

#include <gtest/gtest.h>

TEST(IdSocketErrors, KnownCodes_GiveTheirTexts) {
  struct Row {
    int code;
    const char* text;
  } rows[] = {
      {10004, "Interrupted system call."},
      {10040, "Message too long."},
      {10047, "Address family not supported by protocol family."},
      {10066, "Directory not empty"},
      {11001, "Host not found."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    EXPECT_EQ(SocketErrorText(row.code), row.text);
  }
}

TEST(IdSocketErrors, UnknownCode_GivesEmptyText) {
  EXPECT_EQ(SocketErrorText(10067), "");
  EXPECT_EQ(SocketErrorText(0), "");
  EXPECT_EQ(SocketErrorMessage(12345), "Socket Error # 12345\r\n");
}

TEST(IdSocketErrors, Message_HasCodeLineBreakAndText) {
  EXPECT_EQ(SocketErrorMessage(10040), "Socket Error # 10040\r\nMessage too long.");
}
