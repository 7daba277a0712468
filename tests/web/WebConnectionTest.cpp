// The connection's Windows side without a peer: the error texts the system
// adds, the request flags, and how a connection reads its target and proxy
// addresses and keeps the fields of its next request.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "delivery/EWebTools.h"
#include "delivery/EWebToolsWinInet.h"

TEST(InternetErrorText, TableThenSystemMessage) {
  // Whatever reply an earlier FTP session left on this thread.
  EXPECT_EQ(InternetErrorText(12029), "The attempt to connect to the server failed.");
  EXPECT_FALSE(InternetErrorText(5).empty());  // ERROR_ACCESS_DENIED from the system
}

TEST(WebRequestFlags, HttpsIgnoresCertificateFaultsAndUploadsRefuseCookies) {
  const DWORD common = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                       INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_AUTO_REDIRECT |
                       INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
                       INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS | INTERNET_FLAG_NO_UI;
  const DWORD secure = INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID |
                       INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
  EXPECT_EQ(RequestFlags(false, false), common);
  EXPECT_EQ(RequestFlags(true, false), common | secure);
  EXPECT_EQ(RequestFlags(true, true), common | secure | INTERNET_FLAG_NO_COOKIES);
}

TEST(WebConnection, ReadsTargetAndProxyAddresses) {
  struct TRow {
    const char* target;
    const char* proxy;
    const char* host;
    unsigned port;
    bool https;
    const char* basePath;
    const char* proxyServer;
  };
  const TRow rows[] = {
      {"Http://Host/p/", "", "Host", 80, false, "p/", ""},
      {"https://h/tracker:8080", "", "h", 8080, true, "tracker/", ""},
      {"https://h/mantis/index.php?x=1", ":8080", "h", 443, true, "mantis/index.php/", ""},
      {"http://h", "proxy.local", "h", 80, false, "/", "proxy.local:8080"},
      {"http://h/a", "http://u:p@proxy.local:3128", "h", 80, false, "a/", "proxy.local:3128"},
      {"http://h/a", "proxy.local/:81", "h", 80, false, "a/", "proxy.local:81"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(std::string(row.target) + " via " + row.proxy);
    THTTPConnectionBase connection(row.target, row.proxy);
    ASSERT_TRUE(connection.LibraryLoaded());
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(connection.Host(), row.host);
    EXPECT_EQ(connection.Port(), row.port);
    EXPECT_EQ(connection.Https(), row.https);
    EXPECT_EQ(connection.BasePath(), row.basePath);
    EXPECT_EQ(connection.ProxyServer(), row.proxyServer);
    connection.SetRequest("page.php?x=1", hmPostForm);
    EXPECT_EQ(connection.CurrentPath(), std::string(row.basePath) + "page.php?x=1");
  }
}

TEST(WebConnection, AnAddressWithoutAHostFailsToOpen) {
  for (const char* target : {"", "http://", "http:///path/"}) {
    SCOPED_TRACE(target);
    try {
      OpenHttpConnection<THTTPConnectionBase>(target, "");
      ADD_FAILURE() << "opened";
    } catch (const EHTTPConnectionError& error) {
      EXPECT_STREQ(error.what(), "Cannot create an HTTP connection with the host: ");
    }
  }
}

TEST(WebConnection, FieldsOfTheNextRequest) {
  THTTPConnectionBase connection("http://h/", "");
  connection.SetRequest("a", hmGet);
  connection.AddField("x", "1");
  connection.AddFile("f", "C:\\r.zip");
  EXPECT_EQ(connection.Fields(), (std::vector<std::string>{"x=1"}));
  EXPECT_EQ(connection.Files(), (std::vector<std::string>{"f=C:\\r.zip"}));
  connection.AddCustomFields(
      {"x=2", "y=3", "FogBugzTrialID=", "EL_OSType=", "EL_OSBuild=", "EL_ReproduceText="});
  EXPECT_EQ(connection.Fields(), (std::vector<std::string>{"x=2", "y=3"}));
  connection.SetRequest("b", hmPostMultipart);
  EXPECT_TRUE(connection.Fields().empty());
  EXPECT_TRUE(connection.Files().empty());
  EXPECT_FALSE(connection.ExecuteRequest(false));  // never opened
  EXPECT_EQ(connection.Response().ErrorCode, 12019u);
}
