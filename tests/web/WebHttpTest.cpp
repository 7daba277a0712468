// The request engine against the loopback HTTP peer: what arrives of GET,
// form and multipart requests (decoded by Python), redirects of every kind
// and their bounds, the login, line breaks, bodies without a length, a
// silent server, and the states a connection shows.
#include <gtest/gtest.h>

#include "delivery/EWebTools.h"
#include "tests/support/TempFolder.h"
#include "tests/web/WebPeer.h"

namespace {

using TFields = std::vector<std::pair<std::string, std::string>>;

std::string Base(unsigned port = PeerPort("VIPC_HTTP_PORT")) {
  return PeerAddress("http", "127.0.0.1", port);
}

// Texts that break naive encoders: separators, quotes, line breaks, 8-bit.
const TFields kAwkward = {{"plain", "a b&c"},
                          {"quotes", "say \"hi\" 'there'"},
                          {"lines", "one\r\ntwo\nthree"},
                          {"eight", "caf\xE9 \xFF\x80"},
                          {"a&b c?", "name with separators"},
                          {"arr[1]", "=&?%+#"}};

void AddAll(THTTPConnectionBase& connection, const TFields& fields) {
  for (const auto& [name, value] : fields) connection.AddField(name, value);
}

class TRecordedProgress : public ISendProgress {
 public:
  void ShowText(int textNumber) override { Log += "T" + std::to_string(textNumber) + " "; }
  void SetCounter(int, int) override {}
  void ResetBar() override { Log += "R "; }
  void SetBar(int position) override {
    if (Log.size() < 3 || Log.substr(Log.size() - 3) != "B" + std::to_string(position) + " ")
      Log += "B" + std::to_string(position) + " ";
    LastBar = position;
  }
  void Close() override {}
  std::string Log;
  int LastBar = -1;
};

}  // namespace

TEST(WebHttp, FieldsArriveAsSentByEveryMethod) {
  REQUIRE_PEER("VIPC_HTTP_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(Base(), "");
  for (const THTTPMethod method : {hmGet, hmPostForm, hmPostMultipart}) {
    SCOPED_TRACE(method);
    connection->SetRequest("echo", method);
    AddAll(*connection, kAwkward);
    ASSERT_TRUE(connection->ExecuteRequest(false)) << connection->Response().ErrorText;
    EXPECT_EQ(connection->Response().StatusCode, 200);
    EXPECT_EQ(connection->Response().Page, "echo");
    const TPeerEcho echo = ParsePeerEcho(connection->Response().RawBody);
    EXPECT_EQ(echo.Method, method == hmGet ? "GET" : "POST");
    EXPECT_EQ(echo.Kind, method == hmGet ? "query" : method == hmPostForm ? "form" : "multipart");
    if (method == hmPostMultipart) {
      // Names travel quoted; their quotes and line breaks are escaped.
      EXPECT_EQ(echo.Fields.size(), kAwkward.size());
      for (std::size_t i = 0; i < kAwkward.size() && i < echo.Fields.size(); ++i)
        EXPECT_EQ(echo.Fields[i].second, kAwkward[i].second) << kAwkward[i].first;
      EXPECT_EQ(echo.Fields[4].first, "a&b c?");
    } else {
      EXPECT_EQ(echo.Fields, kAwkward);
    }
    // The peer's journal holds the same decoding.
    const auto journal = PeerJournal("http");
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(ParsePeerEcho(journal.back()).Fields, echo.Fields);
  }
}

TEST(WebHttp, MultipartFilesAndAMissingOne) {
  REQUIRE_PEER("VIPC_HTTP_PORT");
  TempFolder folder;
  std::string bytes;
  for (int i = 0; i < 9000; ++i) bytes += static_cast<char>(i * 7);
  WriteFileBytes(folder.Path() + "report.zip", bytes);
  auto connection = OpenHttpConnection<THTTPConnectionBase>(Base(), "");
  connection->SetRequest("echo?x=1", hmPostMultipart);
  connection->AddField("note", "text");
  connection->AddFile("attached", folder.Path() + "report.zip");
  connection->AddFile("gone", folder.Path() + "missing.zip");
  ASSERT_TRUE(connection->ExecuteRequest(false)) << connection->Response().ErrorText;
  const TPeerEcho echo = ParsePeerEcho(connection->Response().RawBody);
  ASSERT_EQ(echo.Files.size(), 2u);
  EXPECT_EQ(echo.Files[0].Name, "attached");
  EXPECT_EQ(echo.Files[0].FileName, "report.zip");
  EXPECT_EQ(echo.Files[0].Bytes, bytes);
  EXPECT_EQ(echo.Files[1].Name, "gone");
  EXPECT_EQ(echo.Files[1].FileName, "");
  EXPECT_EQ(echo.Files[1].Size, 0u);
}

TEST(WebHttp, RedirectsBecomeGetsWithoutTheFields) {
  REQUIRE_PEER("VIPC_HTTP_PORT");
  // A Location without a folder stays in the folder of the request.
  const std::pair<const char*, const char*> rows[] = {
      {"redirect/301?to=/echo%3Fafter%3D1", "/echo"},
      {"redirect/302?to=/echo%3Fafter%3D1", "/echo"},
      {"redirect/303?to=/echo%3Fafter%3D1", "/echo"},
      {"refresh?to=/echo%3Fafter%3D1", "/echo"},
      {"redirect/302?to=echo%3Fafter%3D1", "/redirect/echo"}};
  auto connection = OpenHttpConnection<THTTPConnectionBase>(Base(), "");
  for (const auto& [page, arrival] : rows) {
    SCOPED_TRACE(page);
    connection->SetRequest(page, hmPostForm);
    connection->AddField("secret", "not forwarded");
    ASSERT_TRUE(connection->ExecuteRequest(false)) << connection->Response().ErrorText;
    EXPECT_EQ(connection->Response().StatusCode, 200);
    EXPECT_EQ(connection->Response().Page, "echo");
    const TPeerEcho echo = ParsePeerEcho(connection->Response().RawBody);
    EXPECT_EQ(echo.Method, "GET");
    EXPECT_EQ(echo.Path, arrival);
    EXPECT_EQ(echo.Fields, (TFields{{"after", "1"}}));
  }
}

TEST(WebHttp, EndlessRedirectsEndWithAClearError) {
  REQUIRE_PEER("VIPC_HTTP_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(Base(), "");
  connection->SetRequest("loop/0", hmGet);
  EXPECT_FALSE(connection->ExecuteRequest(false));
  EXPECT_EQ(connection->Response().ErrorCode, 12156u);
  EXPECT_EQ(connection->Response().ErrorText, "More than 10 redirects; the last to: /loop/11");
}

TEST(WebHttp, ARedirectToAnotherHostGoesThereWithoutTheLogin) {
  REQUIRE_PEER("VIPC_HTTP2_PORT");
  const auto before = PeerJournal("http2").size();
  auto connection = OpenHttpConnection<THTTPConnectionBase>(
      PeerAddress("http", "ann:s3cret%3Ax@127.0.0.1", PeerPort("VIPC_HTTP_PORT")), "");
  connection->SetRequest("elsewhere", hmGet);
  ASSERT_TRUE(connection->ExecuteRequest(false)) << connection->Response().ErrorText;
  EXPECT_EQ(connection->Response().StatusCode, 200);
  const TPeerEcho echo = ParsePeerEcho(connection->Response().RawBody);
  EXPECT_EQ(echo.Fields, (TFields{{"from", "elsewhere"}}));
  EXPECT_EQ(echo.Auth, "");
  EXPECT_EQ(PeerJournal("http2").size(), before + 1);
  // The next request is on the own host again, with the login.
  connection->SetRequest("login", hmGet);
  ASSERT_TRUE(connection->ExecuteRequest(false));
  EXPECT_EQ(connection->Response().StatusCode, 200);
}

TEST(WebHttp, BasicLogin) {
  REQUIRE_PEER("VIPC_HTTP_PORT");
  const unsigned port = PeerPort("VIPC_HTTP_PORT");
  auto withLogin = OpenHttpConnection<THTTPConnectionBase>(
      BuildUrl("http://127.0.0.1/", "ann", "s3cret:x", port), "");
  withLogin->SetRequest("login", hmGet);
  ASSERT_TRUE(withLogin->ExecuteRequest(false)) << withLogin->Response().ErrorText;
  EXPECT_EQ(withLogin->Response().StatusCode, 200);
  EXPECT_TRUE(withLogin->ResponseMatches("LOGIN", "Welcome"));
  auto without = OpenHttpConnection<THTTPConnectionBase>(Base(), "");
  without->SetRequest("login", hmGet);
  ASSERT_TRUE(without->ExecuteRequest(false));
  EXPECT_EQ(without->Response().StatusCode, 401);
  EXPECT_FALSE(without->ResponseMatches("login", "welcome"));
}

TEST(WebHttp, FormHelpersReadThePageWithItsLineBreaks) {
  REQUIRE_PEER("VIPC_HTTP_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(Base(), "");
  connection->SetRequest("form", hmGet);
  ASSERT_TRUE(connection->ExecuteRequest(false)) << connection->Response().ErrorText;
  const THTTPResponse& response = connection->Response();
  EXPECT_EQ(response.Body.find_first_of("\r\n\t"), std::string::npos);
  EXPECT_NE(response.RawBody.find('\n'), std::string::npos);
  EXPECT_TRUE(response.Utf8);
  connection->SetRequest("bug_update.php", hmPostForm);
  connection->AddInputField("bug_id");
  connection->AddTextAreaField("description");
  connection->AddSelectedField("handler_id");
  connection->AddOptionField("priority", "high");
  connection->AddInputField("quoted");
  connection->AddSelectedFieldIfSet("missing");
  EXPECT_TRUE(connection->BumpSummaryCounter("summary"));
  EXPECT_EQ(connection->Fields(),
            (std::vector<std::string>{
                "bug_id=42", "description=First line\n  second & line\nthird line", "handler_id=2",
                "priority=30", "quoted=say \"hi\" &lt;b&gt; \xC3\xA9\xE2\x82\xAC",
                "summary=[v1.0 - 8]: EAccessViolation (0A1B)"}));
  EXPECT_TRUE(connection->ResponseMatches("FORM", "NAME=\"BUG_ID\"", "no such text"));
  EXPECT_FALSE(connection->ResponseMatches("form", "", "bug_update.php"));
  EXPECT_FALSE(connection->ResponseMatches("other", ""));
}

TEST(WebHttp, ALatinPageGetsQuestionMarksForWideCharacters) {
  REQUIRE_PEER("VIPC_HTTP_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(Base(), "");
  connection->SetRequest("latin", hmGet);
  ASSERT_TRUE(connection->ExecuteRequest(false));
  connection->AddInputField("n");
  EXPECT_EQ(connection->Fields(), (std::vector<std::string>{"n=\xE9?"}));
}

TEST(WebHttp, ABodyWithoutALengthIsReadToItsEnd) {
  REQUIRE_PEER("VIPC_HTTP_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(Base(), "");
  connection->SetRequest("nolength", hmGet);
  ASSERT_TRUE(connection->ExecuteRequest(false)) << connection->Response().ErrorText;
  EXPECT_EQ(connection->Response().RawBody,
            "no length\r\nhere " + std::string(10000, 'x') + " end");
  EXPECT_EQ(connection->Response().Body, "no length  here " + std::string(10000, 'x') + " end");
}

TEST(WebHttp, ASilentServerTimesOut) {
  REQUIRE_PEER("VIPC_HTTP_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(Base(), "", 2000u);
  connection->SetRequest("silent?seconds=8", hmGet);
  EXPECT_FALSE(connection->ExecuteRequest(false));
  EXPECT_EQ(connection->Response().ErrorCode, 12002u);
  EXPECT_EQ(connection->Response().ErrorText, "The request has timed out.");
}

TEST(WebHttp, AClosedPortFailsTheRequest) {
  REQUIRE_PEER("VIPC_CLOSED_PORT");
  auto connection =
      OpenHttpConnection<THTTPConnectionBase>(Base(PeerPort("VIPC_CLOSED_PORT")), "", 5000u);
  connection->SetRequest("echo", hmGet);
  EXPECT_FALSE(connection->ExecuteRequest(false));
  EXPECT_EQ(connection->Response().ErrorCode, 12029u);
  EXPECT_EQ(connection->Response().ErrorText, "The attempt to connect to the server failed.");
}

TEST(WebHttp, TheConnectionShowsItsStates) {
  REQUIRE_PEER("VIPC_HTTP_PORT");
  TRecordedProgress progress;
  {
    auto connection = OpenHttpConnection<THTTPConnection>(Base(), "", &progress);
    connection->NotifyState(2, 0);
    connection->SetRequest("echo", hmPostForm);
    connection->AddField("big", std::string(20000, 'z'));
    ASSERT_TRUE(connection->ExecuteRequest(true));
  }
  const std::string& log = progress.Log;
  EXPECT_EQ(log.substr(0, 20), "T114 R B5 T115 T113 ") << log;
  EXPECT_EQ(log.substr(20, 6), "T116 B") << log;
  EXPECT_EQ(log.substr(log.size() - 30), "T117 B100 T121 B100 T122 B100 ") << log;
  EXPECT_EQ(progress.LastBar, 100);
}
