#include "installer/AliasParameters.h"

#include <gtest/gtest.h>

TEST(AliasParameters, BrisoleAlias_HasFourLinesInOrder) {
  EXPECT_EQ(BrisoleAliasParameters("srv1"),
            (std::vector<std::string>{"SERVER NAME=srv1", "BLOB SIZE=65535", "BLOBS TO CACHE=65535",
                                      "SQLDIALECT=1"}));
  EXPECT_EQ(BrisoleAliasParameters("")[0], "SERVER NAME=");
}

TEST(AliasParameters, ParameterString_QuotesValuesAndDropsTheFinalSemicolon) {
  const AliasParameterString built =
      BuildAliasParameterString(BrisoleAliasParameters("srv1"), "INTRBASE");
  EXPECT_EQ(built.params,
            "SERVER NAME:\"srv1\";BLOB SIZE:\"65535\";BLOBS TO CACHE:\"65535\";SQLDIALECT:\"1\"");
  EXPECT_EQ(built.driverType, "INTRBASE");
}

TEST(AliasParameters, ParameterString_EdgeLines) {
  struct Row {
    std::vector<std::string> lines;
    const char* params;
    const char* driver;
  } rows[] = {
      {{"SERVER NAME="}, "SERVER NAME:\"\"", "INTRBASE"},
      {{"A=x=y"}, "A:\"x=y\"", "INTRBASE"},  // only the first "=" splits
      {{"FLAG"}, "FLAG:\"\"", "INTRBASE"},
      {{}, "", "INTRBASE"},
      {{"DEFAULT DRIVER=ORACLE", "A=1"}, "A:\"1\"", "ORACLE"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.params);
    const AliasParameterString built = BuildAliasParameterString(row.lines, "INTRBASE");
    EXPECT_EQ(built.params, row.params);
    EXPECT_EQ(built.driverType, row.driver);
  }
}

TEST(AliasParameters, ValuesLongerThan255Characters_AreCut) {
  const AliasParameterString built =
      BuildAliasParameterString({"P=" + std::string(300, 'v')}, "INTRBASE");
  EXPECT_EQ(built.params, "P:\"" + std::string(255, 'v') + "\"");
}

TEST(AliasParameters, FailureListing_EndsEachLineWithCrLf) {
  EXPECT_EQ(JoinLines(BrisoleAliasParameters("srv1")),
            "SERVER NAME=srv1\r\nBLOB SIZE=65535\r\nBLOBS TO CACHE=65535\r\nSQLDIALECT=1\r\n");
}
