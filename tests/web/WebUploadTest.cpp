// The plain uploads against the loopback peers: the multipart POST with its
// extra fields and files, its failures, and the FTP stores, which never
// replace a remote file.
#include <gtest/gtest.h>

#include "delivery/EWebTools.h"
#include "tests/support/TempFolder.h"
#include "tests/web/WebPeer.h"

namespace {

TUploadTarget HttpTarget(const char* path, unsigned port = PeerPort("VIPC_HTTP_PORT")) {
  TUploadTarget target;
  target.Host = "127.0.0.1";
  target.Port = port;
  target.Path = path;
  target.TimeoutMs = 10000;
  return target;
}

TUploadTarget FtpTarget(const char* user = "ann", const char* password = "secret") {
  TUploadTarget target;
  target.Host = "127.0.0.1";
  target.Port = PeerPort("VIPC_FTP_PORT");
  target.Path = "drop";
  target.User = user;
  target.Password = password;
  target.TimeoutMs = 10000;
  return target;
}

std::string Bytes(int count, int seed) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += static_cast<char>((i * 31 + seed) & 0xFF);
  return bytes;
}

std::string FtpFile(const std::string& name) {
  return ReadFileBytes(PeerPath("VIPC_FTP_ROOT") + "\\drop\\" + name);
}

}  // namespace

TEST(WebUploadHttp, ThreeFilesTheSecondMissing) {
  REQUIRE_PEER("VIPC_HTTP_PORT");
  TempFolder folder;
  WriteFileBytes(folder.Path() + "a.bin", Bytes(3000, 1));
  WriteFileBytes(folder.Path() + "c.bin", Bytes(10, 2));
  const std::vector<TDeliveryFile> files = {{folder.Path() + "a.bin", "BugReport.txt"},
                                            {folder.Path() + "b.bin", "Missing.png"},
                                            {folder.Path() + "c.bin", "Screen \"1\".png"}};
  std::vector<int> steps;
  std::uint64_t lastDone = 0, lastTotal = 0;
  const TUploadResult result =
      UploadFilesHttp(HttpTarget("upload"), files, {"user=ann b", "note=line\r\nbreak"},
                      [&](int step, std::uint64_t total, std::uint64_t done) {
                        if (steps.empty() || steps.back() != step) steps.push_back(step);
                        lastTotal = total;
                        lastDone = done;
                      });
  EXPECT_EQ(result.Code, 0) << result.ErrorText;
  EXPECT_EQ(steps, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(lastDone, lastTotal);
  const auto journal = PeerJournal("http");
  ASSERT_FALSE(journal.empty());
  const TPeerEcho echo = ParsePeerEcho(journal.back());
  EXPECT_EQ(echo.Method, "POST");
  EXPECT_EQ(echo.Path, "/upload");
  EXPECT_EQ(echo.Fields, (std::vector<std::pair<std::string, std::string>>{
                             {"user", "ann b"}, {"note", "line\r\nbreak"}}));
  ASSERT_EQ(echo.Files.size(), 2u);
  EXPECT_EQ(echo.Files[0].Name, "el_upload_file_0");
  EXPECT_EQ(echo.Files[0].FileName, "BugReport.txt");
  EXPECT_EQ(echo.Files[0].Bytes, Bytes(3000, 1));
  EXPECT_EQ(echo.Files[1].Name, "el_upload_file_2");
  EXPECT_EQ(echo.Files[1].FileName, "Screen %221%22.png");
  EXPECT_EQ(echo.Files[1].Bytes, Bytes(10, 2));
}

TEST(WebUploadHttp, OutcomesOfStatusCodesAndFailures) {
  REQUIRE_PEER("VIPC_CLOSED_PORT");
  TempFolder folder;
  WriteFileBytes(folder.Path() + "a.bin", "x");
  const std::vector<TDeliveryFile> files = {{folder.Path() + "a.bin", "a.bin"}};
  TUploadTarget noHost = HttpTarget("upload");
  noHost.Host = " ";
  struct TRow {
    const char* scenario;
    TUploadTarget target;
    long code;
    const char* text;
  };
  const TRow rows[] = {
      {"any 2xx succeeds", HttpTarget("status?code=201&text=Created"), 0, ""},
      {"500 with its status text", HttpTarget("status?code=500"), 500, "Upload Broken"},
      {"nobody listens", HttpTarget("upload", PeerPort("VIPC_CLOSED_PORT")), 12029,
       "The attempt to connect to the server failed."},
      {"no host", noHost, 12005, "The upload address names no host."},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.scenario);
    const TUploadResult result = UploadFilesHttp(row.target, files, {}, {});
    EXPECT_EQ(result.Code, row.code) << result.ErrorText;
    EXPECT_EQ(result.ErrorText, row.text);
  }
}

TEST(WebUploadHttp, ThroughTheProxyWithItsLogin) {
  REQUIRE_PEER("VIPC_PROXY_PORT");
  TempFolder folder;
  WriteFileBytes(folder.Path() + "a.bin", "proxied bytes");
  TUploadTarget target = HttpTarget("upload?via=proxy", PeerPort("VIPC_HTTP2_PORT"));
  target.ProxyServer = "127.0.0.1";
  target.ProxyPort = PeerPort("VIPC_PROXY_PORT");
  target.ProxyUser = "proxyuser";
  target.ProxyPassword = "proxypw";
  const TUploadResult result =
      UploadFilesHttp(target, {{folder.Path() + "a.bin", "a.bin"}}, {}, {});
  EXPECT_EQ(result.Code, 0) << result.ErrorText;
  const auto journal = PeerJournal("proxy");
  ASSERT_FALSE(journal.empty());
  EXPECT_NE(journal.back().find("POST http://127.0.0.1:"), std::string::npos) << journal.back();
  EXPECT_NE(journal.back().find("auth=True"), std::string::npos) << journal.back();
}

TEST(WebUploadFtp, FilesArriveByteForByte) {
  REQUIRE_PEER("VIPC_FTP_PORT");
  TempFolder folder;
  WriteFileBytes(folder.Path() + "r.zip", Bytes(5000, 3));
  WriteFileBytes(folder.Path() + "s.png", Bytes(1, 4));
  std::uint64_t total = 0, lastDone = 0;
  const TUploadResult result =
      UploadFilesFtp(FtpTarget(),
                     {{folder.Path() + "r.zip", "ftp-report.zip"},
                      {folder.Path() + "gone", "gone.txt"},
                      {folder.Path() + "s.png", "C:\\shots\\ftp-shot.png"}},
                     [&](int step, std::uint64_t all, std::uint64_t done) {
                       total = all;
                       if (step == 2) lastDone = done;
                     });
  EXPECT_EQ(result.Code, 0) << result.ErrorText;
  EXPECT_EQ(total, 5001u);
  EXPECT_EQ(lastDone, 1u);  // the count restarts for every file
  EXPECT_EQ(FtpFile("ftp-report.zip"), Bytes(5000, 3));
  EXPECT_EQ(FtpFile("ftp-shot.png"), Bytes(1, 4));
}

TEST(WebUploadFtp, AWrongLoginIsRefused) {
  REQUIRE_PEER("VIPC_FTP_PORT");
  TempFolder folder;
  WriteFileBytes(folder.Path() + "r.zip", "x");
  const TUploadResult result =
      UploadFilesFtp(FtpTarget("ann", "wrong"), {{folder.Path() + "r.zip", "r.zip"}}, {});
  EXPECT_NE(result.Code, 0);
  EXPECT_NE(result.ErrorText.find("530"), std::string::npos) << result.ErrorText;
  EXPECT_NE(result.ErrorText.find("Authentication failed"), std::string::npos) << result.ErrorText;
}

TEST(WebUploadFtp, AStoreRefusedAfterItsDataFails) {
  REQUIRE_PEER("VIPC_FTP_PORT");
  TempFolder folder;
  WriteFileBytes(folder.Path() + "r.zip", Bytes(2000, 5));
  const TUploadResult result =
      UploadFilesFtp(FtpTarget(), {{folder.Path() + "r.zip", "refuse.zip"}}, {});
  EXPECT_NE(result.Code, 0);
  EXPECT_NE(result.ErrorText.find("452"), std::string::npos) << result.ErrorText;
}

TEST(WebUploadFtp, ASecondFileOfTheSameNameGetsTheTimeStamp) {
  REQUIRE_PEER("VIPC_FTP_PORT");
  TempFolder folder;
  WriteFileBytes(folder.Path() + "one", "first");
  WriteFileBytes(folder.Path() + "two", "second");
  TUploadTarget target = FtpTarget();
  target.TimeStamp = "20261210-235959";
  ASSERT_EQ(UploadFilesFtp(target, {{folder.Path() + "one", "twice.txt"}}, {}).Code, 0);
  const TUploadResult second = UploadFilesFtp(target, {{folder.Path() + "two", "twice.txt"}}, {});
  EXPECT_EQ(second.Code, 0) << second.ErrorText;
  EXPECT_EQ(FtpFile("twice.txt"), "first");
  EXPECT_EQ(FtpFile("twice_20261210-235959.txt"), "second");
}

TEST(WebUploadFtp, NoFilesNoConnection) {
  bool called = false;
  TUploadTarget target = FtpTarget();
  target.Port = 1;  // nobody listens; it must not matter
  const TUploadResult result =
      UploadFilesFtp(target, {}, [&](int, std::uint64_t, std::uint64_t) { called = true; });
  EXPECT_EQ(result.Code, 0);
  EXPECT_FALSE(called);
}

TEST(WebUploadHttp, HttpsThroughTheProxyTunnel) {
  REQUIRE_PEER("VIPC_PROXY_PORT");
  TempFolder folder;
  WriteFileBytes(folder.Path() + "a.bin", Bytes(4000, 6));
  TUploadTarget target = HttpTarget("upload?via=tunnel", PeerPort("VIPC_HTTPS_PORT"));
  target.Https = true;
  target.ProxyServer = "127.0.0.1";
  target.ProxyPort = PeerPort("VIPC_PROXY_PORT");
  target.ProxyUser = "proxyuser";
  target.ProxyPassword = "proxypw";
  const TUploadResult result =
      UploadFilesHttp(target, {{folder.Path() + "a.bin", "a.bin"}}, {"k=v"}, {});
  EXPECT_EQ(result.Code, 0) << result.ErrorText;
  const auto journal = PeerJournal("https");
  ASSERT_FALSE(journal.empty());
  const TPeerEcho echo = ParsePeerEcho(journal.back());
  EXPECT_EQ(echo.Path, "/upload");
  ASSERT_EQ(echo.Files.size(), 1u);
  EXPECT_EQ(echo.Files[0].Bytes, Bytes(4000, 6));
}
