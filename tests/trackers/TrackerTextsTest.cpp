// The texts the senders write and the codes they end with. No Windows: the
// native build runs these too.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "delivery/EWebToolsTrackersTexts.h"

namespace {

TEST(TrackerTexts, TitleSearchAndDescription) {
  EXPECT_EQ(TrackerBugTitle("1.0.0.0", "EAccessViolation", "1A2B"),
            "[v1.0.0.0 - 1]: EAccessViolation (1A2B)");
  EXPECT_EQ(TrackerSearchText("EAccessViolation", "1A2B"), "EAccessViolation (1A2B)");
  EXPECT_EQ(TrackerDescription("Boom.", ""), "Boom.");
  EXPECT_EQ(TrackerDescription("Boom.", "Press Install."),
            "Boom.\r\n\r\n---\r\n\r\nPress Install.");
}

TEST(TrackerTexts, ResultTextNumbers) {
  const std::pair<int, int> rows[] = {{0, -1},  {1, 146}, {2, 147}, {3, 148}, {4, 150},
                                      {5, 149}, {6, 151}, {7, 152}, {8, 147}, {-1, 147}};
  for (const auto& [code, text] : rows) {
    SCOPED_TRACE(code);
    EXPECT_EQ(TrackerResultTextNumber(code), text);
  }
}

TEST(TrackerTexts, CustomFields_FourFixedLinesLastAndReadByName) {
  const auto lines = TrackerCustomFields({"Customer=Vesk", "EL_OSType=spoofed"}, "T-1",
                                         "Windows XP", "2600", "Click twice");
  EXPECT_EQ(lines, (std::vector<std::string>{"Customer=Vesk", "EL_OSType=spoofed",
                                             "FogBugzTrialID=T-1", "EL_OSType=Windows XP",
                                             "EL_OSBuild=2600", "EL_ReproduceText=Click twice"}));
  EXPECT_EQ(CustomFieldValue(lines, kOsTypeField), "Windows XP");
  EXPECT_EQ(CustomFieldValue(lines, kReproduceTextField), "Click twice");
  EXPECT_EQ(CustomFieldValue(lines, "Missing"), "");
  EXPECT_EQ(CustomFieldValue({"A=1=2"}, "A"), "1=2");
}

TEST(TrackerTexts, TextUpToQuote) {
  EXPECT_EQ(TextUpToQuote("x components[0] = \"General\"; y", "components[0] = \""), "General");
  EXPECT_EQ(TextUpToQuote("action=\"a?SACTIONTOKEN=ab12\">", "sActionToken="), "ab12");
  EXPECT_EQ(TextUpToQuote("sActionToken=cut", "sActionToken="), "cut");
  EXPECT_FALSE(TextUpToQuote("no token here", "sActionToken=").has_value());
}

}  // namespace
