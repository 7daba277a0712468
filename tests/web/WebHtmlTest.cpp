// Reading tracker pages: tags, attribute values, entities, option texts,
// text areas with their line breaks, link markers and the title counter.
#include <gtest/gtest.h>

#include "delivery/EWebToolsHtml.h"

TEST(WebEntities, DecodedInOnePass) {
  struct TRow {
    const char* text;
    bool utf8;
    const char* decoded;
  };
  const TRow rows[] = {
      {"a &amp; b &quot;c&quot; &lt;d&gt;&nbsp;&apos;e&apos;", false, "a & b \"c\" <d> 'e'"},
      {"&amp;lt;b&amp;gt;", false, "&lt;b&gt;"},  // no second decoding
      {"&amp;#65;", false, "&#65;"},
      {"&#65;&#x42;&#233;", false, "AB\xE9"},
      {"&#233;&#8364;", true, "\xC3\xA9\xE2\x82\xAC"},
      {"&#8364; &#x1F600;", false, "? ?"},
      {"&#x1F600;", true, "\xF0\x9F\x98\x80"},
      {"&#; &#12 &unknown; & alone", false, "&#; &#12 &unknown; & alone"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(DecodeEntities(row.text, row.utf8), row.decoded);
  }
}

TEST(WebEntities, Utf8PagesByHeaderOrMeta) {
  EXPECT_TRUE(PageIsUtf8("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n", ""));
  EXPECT_FALSE(
      PageIsUtf8("Content-Type: text/html; charset=iso-8859-1\r\n", "<meta charset=\"utf-8\">"));
  EXPECT_TRUE(PageIsUtf8("Content-Type: text/html\r\n", "<head><meta charset=\"utf-8\">"));
  EXPECT_TRUE(PageIsUtf8("",
                         "<META http-equiv=\"Content-Type\" content=\"text/html; "
                         "charset=utf-8\">"));
  EXPECT_FALSE(PageIsUtf8("", "<p>charset=utf-8 is only text here</p>"));
}

TEST(WebScanTag, QuotesHideEndMarksUntilTheTagCloses) {
  const std::string page =
      "<INPUT name = \"a\" value=\"x > y\" /> <input name='b' value='it''s'> tail";
  std::size_t position = 0;
  const auto first = ScanTag(page, "<input ", {">", "/>"}, position);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Text, "name=\"a\" value=\"x > y\"");
  EXPECT_EQ(page.substr(position, 2), "/>");
  const auto second = ScanTag(page, "<input ", {">", "/>"}, position);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Text, "name='b' value='it''s'");
  EXPECT_FALSE(ScanTag(page, "<input ", {">", "/>"}, position));
}

TEST(WebScanTag, AttributeValues) {
  struct TRow {
    const char* tag;
    const char* attribute;
    const char* value;
  };
  const TRow rows[] = {
      {"name=\"summary\" value=\"[v1 - 2]: E (AB)\"", "value", "[v1 - 2]: E (AB)"},
      {"type=text name=bug_id value=42", "name", "bug_id"},
      {"name='x' value=''", "value", ""},
      {"NAME=x>", "name", "x"},
      {"value=O'Brien name=n", "value", "O'Brien"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.tag);
    EXPECT_EQ(AttributeValue(row.tag, row.attribute).value_or("<none>"), row.value);
  }
  EXPECT_FALSE(AttributeValue("name=x", "value"));
}

TEST(WebScanTag, OptionTextsAndSelection) {
  EXPECT_EQ(OptionText("value=\"3\">  &nbsp;&nbsp; Project A "), "Project A");
  EXPECT_EQ(OptionText("value=\"3\">R&D dept"), "R dept");
  EXPECT_TRUE(OptionSelected("value=2 SELECTED>bob"));
  EXPECT_FALSE(OptionSelected("value=1>ann"));
}

const char kPage[] =
    "<form><input type=\"hidden\" name=\"bug_id\" value=\"42\"/>\r\n"
    "<input name=\"summary\" value=\"[v1.0 - 7]: EAccessViolation (0A1B)\">\r\n"
    "<input name=\"note\" value=\"say &quot;hi&quot; &amp;lt;b&amp;gt;\">\r\n"
    "<textarea name=\"description\" rows=\"4\">\r\nFirst line\r\n  a = b &amp; c\r\nlast "
    "</textarea>\r\n"
    "<textarea name=\"notes\">a line<br/>and <img src=x /> more</textarea>\r\n"
    "<textarea name=\"closed\" />\r\n"
    "<select name=\"handler_id\"><option value=\"1\">ann</option>\r\n"
    "<option value=\"2\" selected=\"selected\">bob</option></select>\r\n"
    "<select name=\"priority\"><option value=\"10\">low</option>"
    "<option value=\"30\">&nbsp;High</option></select>\r\n"
    "<select name=\"empty\"><option value=\"\" selected>(none)</option></select>\r\n"
    "<select name=\"unset\"><option value=\"5\">five</option></select>\r\n"
    "</form>";

TEST(WebFormValues, InputsTextAreasAndSelects) {
  const std::string raw = kPage;
  const std::string body = FlattenBody(raw);
  ASSERT_EQ(body.find('\r'), std::string::npos);
  EXPECT_EQ(InputValue(body, "bug_id").value_or("<none>"), "42");
  EXPECT_EQ(InputValue(body, "summary").value_or("<none>"), "[v1.0 - 7]: EAccessViolation (0A1B)");
  EXPECT_EQ(InputValue(body, "note").value_or("<none>"), "say \"hi\" &lt;b&gt;");
  EXPECT_FALSE(InputValue(body, "missing"));
  // The text area keeps its line breaks and its spaces around "=".
  EXPECT_EQ(TextAreaValue(body, raw, "description").value_or("<none>"),
            "First line\r\n  a = b & c\r\nlast");
  // Markup quoted in a text area is its text, not its end.
  EXPECT_EQ(TextAreaValue(body, raw, "notes").value_or("<none>"),
            "a line<br/>and <img src=x /> more");
  EXPECT_EQ(TextAreaValue(body, raw, "closed").value_or("<none>"), "");
  EXPECT_EQ(SelectedOptionValue(body, "handler_id").value_or("<none>"), "2");
  EXPECT_EQ(SelectedOptionValue(body, "empty").value_or("<none>"), "");
  EXPECT_FALSE(SelectedOptionValue(body, "unset"));
  EXPECT_FALSE(SelectedOptionValue(body, "missing"));
  EXPECT_EQ(OptionValueByText(body, "priority", "HIGH").value_or("<none>"), "30");
  EXPECT_EQ(OptionValueByText(body, "handler_id", "carl").value_or("<none>"), "2");
  EXPECT_FALSE(OptionValueByText(body, "unset", "six"));
}

TEST(WebFormValues, TextAfterMarker) {
  const std::string body =
      "<a href=\"view.php?id=1\">x</a> <a href=\"VIEW.PHP?id=77&x\">y</a> view.php?id=9";
  EXPECT_EQ(TextAfterMarker(body, "view.php?id=", 1), "1");
  EXPECT_EQ(TextAfterMarker(body, "view.php?id=", 2), "77");
  EXPECT_EQ(TextAfterMarker(body, "view.php?id=", 3), "9");
  EXPECT_EQ(TextAfterMarker(body, "view.php?id=", 4), "");
  EXPECT_EQ(TextAfterMarker("ixBug=12'", "ixbug=", 1), "12");
}

TEST(WebFormValues, OccurrenceCounterOfATitle) {
  struct TRow {
    const char* title;
    const char* bumped;  // nullptr: at the limit
  };
  const TRow rows[] = {
      {"[v1.0 - 1]: EAccessViolation (0A1B)", "[v1.0 - 2]: EAccessViolation (0A1B)"},
      {"[v1.0 - 9998]: E (1)", "[v1.0 - 9999]: E (1)"},
      {"[v1.0 - 9999]: E (1)", nullptr},
      {"[v1.0 - 123456789012]: E (1)", nullptr},
      {"[v1.0 - 00012]: E (1)", "[v1.0 - 13]: E (1)"},
      {"[v1.0 - 0000009999]: E (1)", nullptr},
      {"[v1.0 - x]: E (1)", "[v1.0 - x]: E (1)"},
      {"no counter here", "no counter here"},
      {"", ""},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.title);
    const auto bumped = BumpedSummary(row.title);
    if (row.bumped) {
      ASSERT_TRUE(bumped);
      EXPECT_EQ(*bumped, row.bumped);
    } else {
      EXPECT_FALSE(bumped);
    }
  }
}
