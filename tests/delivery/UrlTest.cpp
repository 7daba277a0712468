// Web addresses: reading the parts of a target or proxy address, building
// the tracker addresses with a port and a login, and encoding form values.
#include <gtest/gtest.h>

#include "delivery/EWebToolsUrl.h"

TEST(ParseUrl, PartsOfAddresses) {
  struct TRow {
    const char* address;
    const char* scheme;
    const char* user;
    const char* password;
    const char* host;
    unsigned port;
    const char* path;
  };
  const TRow rows[] = {
      {"Http://Host/p/", "Http", "", "", "Host", 0, "p/"},
      {"  http://example.org  ", "http", "", "", "example.org", 0, ""},
      {"https://h/tracker:8080", "https", "", "", "h", 8080, "tracker/"},
      {"http://h:8080/mantis/", "http", "", "", "h", 8080, "mantis/"},
      {"http://ann:secret@h/a/b/", "http", "ann", "secret", "h", 0, "a/b/"},
      {"ftp://ann@files.example.org/in", "ftp", "ann", "", "files.example.org", 0, "in/"},
      // Logins only before the host's "/": an "@" or ":" in the path stays there.
      {"http://h/path@evil.org/", "http", "", "", "h", 0, "path@evil.org/"},
      {"http://h/a:b/c/", "http", "", "", "h", 0, "a:b/c/"},
      // An encoded password keeps its "@", ":" and "/".
      {"http://ann:p%40s%3As%2F@h/x/", "http", "ann", "p@s:s/", "h", 0, "x/"},
      {"http://ann:p@ss@h/x/", "http", "ann", "p@ss", "h", 0, "x/"},
      {"proxy.local:3128", "", "", "", "proxy.local", 3128, ""},
      {"127.0.0.1", "", "", "", "127.0.0.1", 0, ""},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.address);
    const TUrlParts parts = ParseUrl(row.address);
    EXPECT_EQ(parts.Scheme, row.scheme);
    EXPECT_EQ(parts.User, row.user);
    EXPECT_EQ(parts.Password, row.password);
    EXPECT_EQ(parts.Host, row.host);
    EXPECT_EQ(parts.Port, row.port);
    EXPECT_EQ(parts.BasePath, row.path);
  }
}

TEST(ParseUrl, HttpsAndThePortToConnectTo) {
  EXPECT_FALSE(IsHttps(ParseUrl("Http://Host/p/")));
  EXPECT_EQ(EffectivePort(ParseUrl("Http://Host/p/")), 80u);
  EXPECT_TRUE(IsHttps(ParseUrl("HTTPS://h/")));
  EXPECT_EQ(EffectivePort(ParseUrl("HTTPS://h/")), 443u);
  EXPECT_EQ(EffectivePort(ParseUrl("https://h/tracker:8080")), 8080u);
}

TEST(BuildUrl, RoundTripsThroughParseUrlWhateverTheLoginHolds) {
  struct TRow {
    const char* user;
    const char* password;
    unsigned port;
  };
  const TRow rows[] = {{"", "", 0},           {"", "", 8080},
                       {"ann", "secret", 0},  {"ann", "a@b:c/d", 8080},
                       {"ann r", "p%41", 81}, {"", "only", 0}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(std::string(row.user) + " " + row.password);
    const std::string url =
        BuildUrl("https://h.example.org/tracker", row.user, row.password, row.port);
    const TUrlParts parts = ParseUrl(url);
    EXPECT_EQ(parts.Host, "h.example.org") << url;
    EXPECT_EQ(parts.User, row.user) << url;
    EXPECT_EQ(parts.Password, row.password) << url;
    EXPECT_EQ(parts.Port, row.port) << url;
    EXPECT_EQ(parts.BasePath, "tracker/") << url;
    EXPECT_TRUE(IsHttps(parts));
  }
  EXPECT_EQ(BuildUrl("https://h/tracker", "", "", 8080), "https://h/tracker:8080");
  EXPECT_EQ(BuildUrl("h/x", "a", "b", 0), "a:b@h/x");
}

TEST(UrlEncode, KeepsLettersAndDigitsOnly) {
  EXPECT_EQ(UrlEncode("a b&c"), "a%20b%26c");
  EXPECT_EQ(UrlEncode("Az09-_.~\xE8"), "Az09%2D%5F%2E%7E%E8");
  EXPECT_EQ(UrlDecode("a%20b%26c%zz%4"), "a b&c%zz%4");
}
