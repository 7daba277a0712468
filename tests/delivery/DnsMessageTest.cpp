// The MX query datagram and the reading of name servers' answers, from
// answers written byte by byte: well-formed ones and the damaged, looping,
// cut and mismatched ones a network can bring.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "delivery/ESocketsDns.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

void Append(TBytes& bytes, std::initializer_list<int> values) {
  for (int value : values) bytes.push_back(static_cast<std::uint8_t>(value));
}

void AppendName(TBytes& bytes, const std::string& name) {
  std::size_t start = 0;
  while (start < name.size()) {
    const std::size_t dot = std::min(name.find('.', start), name.size());
    bytes.push_back(static_cast<std::uint8_t>(dot - start));
    bytes.insert(bytes.end(), name.begin() + start, name.begin() + dot);
    start = dot + 1;
  }
  bytes.push_back(0);
}

// A record of `type` whose owner is a pointer to the question's name (12)
// or written out, with `data` as its record data.
void AppendRecord(TBytes& bytes, int type, const TBytes& data, const std::string& owner = {}) {
  if (owner.empty()) {
    Append(bytes, {0xC0, 12});
  } else {
    AppendName(bytes, owner);
  }
  Append(bytes, {0, type, 0, 1, 0, 0, 0x0E, 0x10, 0, static_cast<int>(data.size())});
  bytes.insert(bytes.end(), data.begin(), data.end());
}

TBytes MxData(int preference, const std::string& host) {
  TBytes data;
  Append(data, {preference >> 8, preference & 0xFF});
  AppendName(data, host);
  return data;
}

// A response to the MX query for `domain` with `answers` records to follow.
TBytes Response(const std::string& domain, int answers, int id = 0x4141, int flags = 0x8180) {
  TBytes bytes;
  Append(bytes, {id >> 8, id & 0xFF, flags >> 8, flags & 0xFF, 0, 1, 0, answers, 0, 0, 0, 0});
  AppendName(bytes, domain);
  Append(bytes, {0, 15, 0, 1});
  return bytes;
}

}  // namespace

TEST(MxQuery, IsTheFixedHeaderTheLabelsAndTypeMxClassIn) {
  const TBytes expected = {0x41, 0x41, 0x01, 0x00, 0,   1, 0,   0,   0,   0, 0, 0,  7, 'e', 'x',
                           'a',  'm',  'p',  'l',  'e', 3, 'o', 'r', 'g', 0, 0, 15, 0, 1};
  EXPECT_EQ(MxQuery("example.org"), expected);
  EXPECT_EQ(MxQuery("example.org."), expected) << "a final dot adds no empty label";
  EXPECT_EQ(MxQuery(std::string(70, 'a'))[12], 63) << "labels are cut to 63 characters";
}

TEST(MailDomain, IsWhatFollowsTheFirstAt) {
  EXPECT_EQ(MailDomain("ann@example.org"), "example.org");
  EXPECT_EQ(MailDomain("a@b@c"), "b@c");
  EXPECT_EQ(MailDomain("example.org"), "example.org");
}

TEST(MxAnswerHost, WellFormedAnswers) {
  struct TRow {
    const char* name;
    TBytes reply;
    std::optional<std::string> host;
  };
  std::vector<TRow> rows;
  {
    TBytes r = Response("example.org", 1);
    AppendRecord(r, 15, MxData(10, "mail.example.org"));
    rows.push_back({"owner as a pointer", r, "mail.example.org"});
  }
  {
    TBytes r = Response("example.org", 1);
    AppendRecord(r, 15, MxData(10, "mx1.example.org"), "example.org");
    rows.push_back({"owner written out", r, "mx1.example.org"});
  }
  {
    TBytes r = Response("Example.ORG", 2);
    AppendRecord(r, 15, MxData(20, "second.example.org"));
    AppendRecord(r, 15, MxData(5, "first.example.org"));
    rows.push_back({"the first record wins, whatever its preference", r, "second.example.org"});
  }
  {
    TBytes r = Response("example.org", 2);
    AppendRecord(r, 5, [] {
      TBytes d;
      AppendName(d, "alias.example.org");
      return d;
    }());
    AppendRecord(r, 15, MxData(10, "mail.example.org"));
    rows.push_back({"a CNAME before the MX is skipped", r, "mail.example.org"});
  }
  {
    TBytes r = Response("example.org", 1);
    const std::size_t mail = r.size() + 12 + 2;  // where the record data's name will start
    TBytes data = MxData(10, "mail.example.org");
    AppendRecord(r, 15, data);
    // A second answer whose exchange points into the first one's name.
    TBytes pointer;
    Append(pointer, {0, 10, 0xC0 | static_cast<int>(mail >> 8), static_cast<int>(mail & 0xFF)});
    r[7] = 2;
    AppendRecord(r, 15, pointer);
    rows.push_back({"a compressed exchange name", r, "mail.example.org"});
  }
  for (const TRow& row : rows) {
    EXPECT_EQ(MxAnswerHost(row.reply, "example.org"), row.host) << row.name;
  }
}

TEST(MxAnswerHost, AnswersThatGiveNoHost) {
  struct TRow {
    const char* name;
    TBytes reply;
  };
  std::vector<TRow> rows;
  const auto good = [] {
    TBytes r = Response("example.org", 1);
    AppendRecord(r, 15, MxData(10, "mail.example.org"));
    return r;
  };
  ASSERT_TRUE(MxAnswerHost(good(), "example.org"));
  rows.push_back({"empty", {}});
  {
    TBytes r = good();
    r.resize(12);
    rows.push_back({"a header only", r});
  }
  {
    TBytes r = good();
    r[1] = 0x42;
    rows.push_back({"another identifier", r});
  }
  {
    TBytes r = good();
    r[2] = 0x01;
    rows.push_back({"a query, not a response", r});
  }
  {
    TBytes r = good();
    r[3] = 0x83;
    rows.push_back({"name error (NXDOMAIN)", r});
  }
  {
    TBytes r = Response("example.com", 1);
    AppendRecord(r, 15, MxData(10, "mail.example.com"));
    rows.push_back({"the answer to another name", r});
  }
  {
    TBytes r = Response("example.org", 0);
    rows.push_back({"no answers", r});
  }
  {
    TBytes r = Response("example.org", 1);
    AppendRecord(r, 1, {192, 0, 2, 1});
    rows.push_back({"an address record only", r});
  }
  {
    TBytes r = good();
    r.resize(r.size() - 5);
    rows.push_back({"cut inside the exchange name", r});
  }
  {
    TBytes r = good();
    r[7] = 3;  // three answers announced, one there
    r.resize(r.size() - 1);
    rows.push_back({"truncated: records announced but missing", r});
  }
  {
    TBytes r = Response("example.org", 1);
    const std::size_t self = r.size() + 12 + 2;
    TBytes data;
    Append(data, {0, 10, 0xC0 | static_cast<int>(self >> 8), static_cast<int>(self & 0xFF)});
    AppendRecord(r, 15, data);
    rows.push_back({"a pointer to itself", r});
  }
  {
    TBytes r = Response("example.org", 1);
    TBytes data;
    Append(data, {0, 10, 0xC0, 0xFF});
    AppendRecord(r, 15, data);
    rows.push_back({"a pointer past the end", r});
  }
  {
    TBytes r = Response("example.org", 1);
    TBytes data;
    Append(data, {0, 10, 0x50, 'a', 'b'});
    AppendRecord(r, 15, data);
    rows.push_back({"a label length of 80", r});
  }
  {
    TBytes r = Response("example.org", 1);
    AppendRecord(r, 15, MxData(10, "mail.example.org"));
    r[r.size() - MxData(10, "mail.example.org").size() - 1] = 200;  // record length past the end
    rows.push_back({"a record longer than the message", r});
  }
  for (const TRow& row : rows) {
    EXPECT_EQ(MxAnswerHost(row.reply, "example.org"), std::nullopt) << row.name;
  }
}
