// The request texts alone: queries, form and multipart bodies, boundaries,
// request paths, FTP names and the Internet error table. No Windows: the
// native build runs these too.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "delivery/EWebToolsErrors.h"
#include "delivery/EWebToolsRequest.h"

TEST(WebRequestTexts, FormValuesAreEncodedAndOddNamesToo) {
  EXPECT_EQ(FormBody({"summary=a b&c"}), "summary=a%20b%26c");
  EXPECT_EQ(FormBody({"bug_id=42", "custom_field[3]=x", "a.b-c_d=", "novalue"}),
            "bug_id=42&custom_field[3]=x&a.b-c_d=&novalue=");
  // A name cannot smuggle in another field or a line break.
  EXPECT_EQ(FormBody({"a&admin=1=v"}), "a%26admin=1%3Dv");
  EXPECT_EQ(FormBody({"x y\r\n=v"}), "x%20y%0D%0A=v");
}

TEST(WebRequestTexts, QueryFieldsFollowAnExistingQuery) {
  EXPECT_EQ(AppendQuery("", {"a=1", "b c=d&e"}), "?a=1&b%20c=d%26e");
  EXPECT_EQ(AppendQuery("?f=3", {"type=1"}), "?f=3&type=1");
  EXPECT_EQ(AppendQuery("?f=3", {}), "?f=3");
}

TEST(WebRequestTexts, MultipartBodyLayout) {
  const std::string body = MultipartBody(
      "B", {"name=value"}, {{"file", "r.zip", "PK\x03\x04", true}, {"gone", "x", "", false}});
  EXPECT_EQ(body,
            "--B\r\nContent-Disposition: form-data; name=\"name\";\r\n\r\nvalue\r\n"
            "--B\r\nContent-Disposition: form-data; name=\"file\"; filename=\"r.zip\";\r\n"
            "Content-Type: application/octet-stream\r\n\r\nPK\x03\x04\r\n"
            "--B\r\nContent-Disposition: form-data; name=\"gone\"; filename=\"\";\r\n"
            "Content-Type: application/octet-stream\r\n\r\n\r\n"
            "--B--\r\n");
}

TEST(WebRequestTexts, MultipartNamesCannotEndTheirHeader) {
  EXPECT_EQ(EncodeQuotedName("a\"b\r\nc%d"), "a%22b%0D%0Ac%25d");
  const std::string body = MultipartBody("B", {"x\"\r\nContent-Type: text/evil=v"}, {});
  EXPECT_NE(body.find("name=\"x%22%0D%0AContent-Type: text/evil\";\r\n\r\nv\r\n"),
            std::string::npos)
      << body;
}

TEST(WebRequestTexts, BoundaryIsDashesAndTwelveHexDigits) {
  unsigned next = 0;
  const unsigned numbers[] = {0xABCD, 70000, 1};
  EXPECT_EQ(MakeBoundary([&] { return numbers[next++]; }),
            std::string(27, '-') + "ABCD" + "1171" + "0001");
  const std::string random = RandomBoundary();
  ASSERT_EQ(random.size(), 39u);
  EXPECT_EQ(random.find_first_not_of('-'), 27u);
  EXPECT_EQ(random.find_first_not_of("0123456789ABCDEF", 27), std::string::npos);
}

TEST(WebRequestTexts, ABodyHoldingItsBoundaryGetsANewOne) {
  int calls = 0;
  const auto boundaries = [&] { return ++calls == 1 ? std::string("SAME") : std::string("NEW"); };
  const TMultipartMessage message =
      BuildMultipart({"note=text with --SAME inside"}, {{"f", "a", "bytes", true}}, boundaries);
  EXPECT_EQ(message.Boundary, "NEW");
  EXPECT_EQ(message.ContentType(), "multipart/form-data; boundary=NEW");
  calls = 0;
  const TMultipartMessage inFile = BuildMultipart({}, {{"f", "a", "xxSAMExx", true}}, boundaries);
  EXPECT_EQ(inFile.Boundary, "NEW");
}

TEST(WebRequestTexts, BasicLogin) {
  EXPECT_EQ(BasicAuthorizationHeader("ann", "s3cret"), "Authorization: Basic YW5uOnMzY3JldA==");
}

TEST(WebRequestTexts, RequestPathParts) {
  struct TRow {
    const char* path;
    const char* host;
    const char* directory;
    const char* page;
    const char* query;
  };
  const TRow rows[] = {
      {"mantis/login.php?a=1/b", "", "mantis/", "login.php", "?a=1/b"},
      {"/view.php", "", "/", "view.php", ""},
      {"view.php?id=3", "", "", "view.php", "?id=3"},
      {"http://h:81/a/b/c.cgi?x", "h:81", "/a/b/", "c.cgi", "?x"},
      {"https://other.example", "other.example", "/", "", ""},
      {"", "", "", "", ""},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.path);
    const TRequestPath parts = SplitRequestPath(row.path);
    EXPECT_EQ(parts.Host, row.host);
    EXPECT_EQ(parts.Directory, row.directory);
    EXPECT_EQ(parts.Page, row.page);
    EXPECT_EQ(parts.Query, row.query);
  }
  EXPECT_EQ(RefreshTarget("0; url=/next.php?x=1 "), "/next.php?x=1");
  EXPECT_EQ(RefreshTarget(" 5 "), "5");
  EXPECT_EQ(RefreshTarget("0; URL=/x"), "0; URL=/x");  // letter case counts
}

TEST(WebRequestTexts, FtpNamesAndTheirStamps) {
  EXPECT_EQ(FtpRemoteName("in", "C:\\temp\\report.zip"), "in/report.zip");
  EXPECT_EQ(FtpRemoteName("in/", "report.zip"), "in/report.zip");
  EXPECT_EQ(FtpRemoteName("", "report.zip"), "report.zip");
  EXPECT_EQ(StampedName("in/report.zip", "20261210"), "in/report_20261210.zip");
  EXPECT_EQ(StampedName("in.d/README", "s"), "in.d/README_s");
  EXPECT_EQ(StampedName("a.tar.gz", "s"), "a.tar_s.gz");
}

TEST(InternetErrorTable, SeventySixRowsOfTheKnownCodes) {
  const TInternetErrorRows rows = InternetErrorRows();
  ASSERT_EQ(rows.Count, 76u);
  std::set<unsigned long> expected;
  auto range = [&](unsigned long first, unsigned long last) {
    for (unsigned long code = first; code <= last; ++code) expected.insert(code);
  };
  range(12001, 12033);
  range(12036, 12045);
  range(12052, 12052);
  range(12055, 12055);
  range(12110, 12112);
  range(12130, 12138);
  range(12150, 12156);
  range(12160, 12171);
  std::set<unsigned long> found;
  for (unsigned i = 0; i < rows.Count; ++i) {
    const std::string_view row = rows.Rows[i];
    SCOPED_TRACE(std::string(row));
    ASSERT_GT(row.size(), 6u);
    EXPECT_EQ(row[5], ' ');
    found.insert(std::stoul(std::string(row.substr(0, 5))));
  }
  EXPECT_EQ(found, expected);
  EXPECT_EQ(InternetErrorTableText(12001), "No more handles could be generated at this time.");
  EXPECT_EQ(InternetErrorTableText(12002), "The request has timed out.");
  EXPECT_EQ(InternetErrorTableText(12003), "An extended error was returned from the server.");
  EXPECT_EQ(InternetErrorTableText(12169), "SSL certificate is invalid.");
  EXPECT_EQ(InternetErrorTableText(12170), "SSL certificate was revoked.");
  EXPECT_EQ(InternetErrorTableText(12171), "The function failed due to a security check.");
  EXPECT_EQ(InternetErrorTableText(12157), "");
}
