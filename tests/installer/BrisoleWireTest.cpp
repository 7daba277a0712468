#include "installer/BrisoleWire.h"

#include <gtest/gtest.h>

using namespace brisole;

TEST(BrisoleWire, ExtractPayload_NeedsAnExactKeywordBeforeTheFirstBar) {
  struct Row {
    const char* reply;
    const char* payload;
  } rows[] = {
      {"BDESERVERNAME_R|DB1@C:\\DB\\SHOP.GDB", "DB1@C:\\DB\\SHOP.GDB"},
      {"BRISOLESHARE_R|\\\\srv\\Brisole", "\\\\srv\\Brisole"},
      {"BDESERVERNAME_R|a|b@c", "a|b@c"},  // only the first bar splits
      {"BRISOLESHARE_R|", ""},
      {"BDESERVERNAME_R", ""},        // no bar
      {"bdeservername_r|DB1@x", ""},  // letter case counts
      {"BDESERVERNAME_R |DB1@x", ""},
      {"OTHER|DB1@x", ""},
      {"|x", ""},
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reply);
    EXPECT_EQ(ExtractPayload(row.reply), row.payload);
  }
}

TEST(BrisoleWire, EitherKeyword_IsAcceptedForEitherRequest) {
  EXPECT_EQ(ExtractPayload("BDESERVERNAME_R|x"), "x");
  EXPECT_EQ(ExtractPayload("BRISOLESHARE_R|DB1@y"), "DB1@y");
}

TEST(BrisoleWire, DatabasePayload_SplitsAtTheFirstAt) {
  struct Row {
    const char* payload;
    bool split;
    const char* alias;
    const char* connection;
  } rows[] = {
      {"DB1@C:\\DB\\SHOP.GDB", true, "DB1", "C:\\DB\\SHOP.GDB"},
      {"a|b@c", true, "a|b", "c"},
      {"@", true, "", ""},
      {"x@y@z", true, "x", "y@z"},
      {"DB1", false, "", ""},
      {"", false, "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.payload);
    const auto parts = SplitDatabasePayload(row.payload);
    ASSERT_EQ(parts.has_value(), row.split);
    if (!row.split) continue;
    EXPECT_EQ(parts->alias, row.alias);
    EXPECT_EQ(parts->connectionString, row.connection);
  }
}

TEST(BrisoleWire, ConnectionString_WithoutColon_IsPrefixedWithTheServerHost) {
  EXPECT_EQ(CompleteConnectionString("/data/shop.gdb", "srv1"), "srv1:/data/shop.gdb");
  EXPECT_EQ(CompleteConnectionString("", "srv1"), "srv1:");
  EXPECT_EQ(CompleteConnectionString("C:\\DB\\SHOP.GDB", "srv1"),
            "C:\\DB\\SHOP.GDB");  // drive colon counts
  EXPECT_EQ(CompleteConnectionString("other:/x.gdb", "srv1"), "other:/x.gdb");
}
