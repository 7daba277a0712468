// The delivery run's texts and rules as strings: the warning texts of the
// uploads and trackers, the mail body with the report, the outcome of the
// two steps together, and which of a folder's zips are kept packages.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "delivery/EDeliveryTexts.h"

TEST(DeliveryTexts, UploadErrors_NameTheRoadTheCodeAndWhatIsKnown) {
  EXPECT_EQ(UploadErrorText("HTTP", 404, ""), "HTTP error code: 404");
  EXPECT_EQ(UploadErrorText("HTTPS", 12029, "Cannot connect."),
            "HTTPS error code: 12029 (Cannot connect.)");
  EXPECT_EQ(UploadErrorText("FTP", -1, "ignored"),
            "FTP error code: -1 - Cannot find the \"wininet.dll\" library.");
}

TEST(DeliveryTexts, TrackerRefusal_TextThenCodeAndMessage) {
  EXPECT_EQ(TrackerErrorText("Invalid login request.", 12019, "Bad state"),
            "Invalid login request.\r\n\r\nError Code: 12019\r\nError Message: \"Bad state\"");
}

TEST(DeliveryTexts, Body_CarriesTheReportAfterThreeLineBreaksOnlyWhenAsked) {
  EXPECT_EQ(BodyWithReport("Hello", true, "REPORT"), "Hello\r\n\r\n\r\nREPORT");
  EXPECT_EQ(BodyWithReport("Hello", false, "REPORT"), "Hello");
}

TEST(DeliveryTexts, Outcomes_AFailureWinsAWithdrawnMessageIsNoSuccess) {
  using O = TDeliveryOutcome;
  const struct {
    O sofar, step, whole;
  } rows[] = {{O::Sent, O::Sent, O::Sent},          {O::Sent, O::Failed, O::Failed},
              {O::Failed, O::Sent, O::Failed},      {O::Withdrawn, O::Sent, O::Withdrawn},
              {O::Withdrawn, O::Failed, O::Failed}, {O::Sent, O::Withdrawn, O::Withdrawn}};
  for (const auto& row : rows) {
    EXPECT_EQ(CombineOutcomes(row.sofar, row.step), row.whole);
  }
}

TEST(DeliveryTexts, KeptPackageNames_OursWithAdditionsAndCounterOnly) {
  const struct {
    const char* name;
    bool ours;
  } rows[] = {
      {"BugReport.zip", true},          {"bugreport.ZIP", true},
      {"BugReport (2).zip", true},      {"BugReport__PC1__20081209140503.zip", true},
      {"BugReport__PC1 (3).zip", true}, {"BugReport (x).zip", false},
      {"BugReports.zip", false},        {"Holiday.zip", false},
      {"BugReport.zip.bak", false},     {"BugReport ().zip", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IsKeptPackageName(row.name, "BugReport.zip"), row.ours);
  }
}

TEST(DeliveryTexts, Pruning_TheFirstInNameOrderGoUntilTheLastTenRemain) {
  std::vector<std::string> names = {"BugReport.zip"};
  for (int n = 2; n <= 12; ++n) names.push_back("BugReport (" + std::to_string(n) + ").zip");
  const std::vector<std::string> pruned = PackagesToPrune(names, 10);
  EXPECT_EQ(pruned, (std::vector<std::string>{"BugReport (10).zip", "BugReport (11).zip"}));
  EXPECT_TRUE(PackagesToPrune({"a.zip", "b.zip"}, 10).empty());
}

TEST(DeliveryTexts, FreeKeptName_CountsUpUntilANameIsFree) {
  const std::set<std::string> taken = {"BugReport.zip", "BugReport (2).zip"};
  const auto isTaken = [&](const std::string& name) { return taken.count(name) == 1; };
  EXPECT_EQ(FreeKeptName("BugReport.zip", isTaken), "BugReport (3).zip");
  EXPECT_EQ(FreeKeptName("Other.zip", isTaken), "Other.zip");
}
