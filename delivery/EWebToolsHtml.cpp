#include "delivery/EWebToolsHtml.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/runtime/TextTrim.h"

namespace {

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string Lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), Lower);
  return out;
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
  if (at > text.size() || text.size() - at < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (Lower(text[at + i]) != Lower(prefix[i])) return false;
  return true;
}

std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from = 0) {
  if (what.empty()) return from <= text.size() ? from : std::string_view::npos;
  if (what.size() > text.size()) return std::string_view::npos;
  // Pages are long and openings rare: look for the first letter in both cases first.
  const char lower = Lower(what[0]);
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(what[0])));
  const std::size_t last = text.size() - what.size();
  for (std::size_t i = from; i <= last; ++i) {
    const char c = text[i];
    if ((c == lower || c == upper) && StartsWithNoCase(text, i, what)) return i;
  }
  return std::string_view::npos;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, 0, b);
}

void AppendUtf8(std::string& out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// A numeric reference "&#N;" or "&#xN;" at `at`: its code and length.
bool ReadNumericReference(std::string_view text, std::size_t at, unsigned long& code,
                          std::size_t& length) {
  std::size_t i = at + 2;
  const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
  if (hex) ++i;
  const std::size_t digitsBegin = i;
  unsigned long value = 0;
  while (i < text.size() && i - digitsBegin < 8) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int digit = -1;
    if (std::isdigit(c))
      digit = c - '0';
    else if (hex && std::isxdigit(c))
      digit = std::tolower(c) - 'a' + 10;
    if (digit < 0) break;
    value = value * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
    ++i;
  }
  if (i == digitsBegin || i >= text.size() || text[i] != ';') return false;
  code = value;
  length = i + 1 - at;
  return true;
}

// The text with the spaces around every "=" removed.
std::string WithoutSpacesAroundEquals(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=') {
      while (!out.empty() && out.back() == ' ') out.pop_back();
      out += '=';
      while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Where the first of `marks` starts at `at`, if one does.
std::size_t MarkLengthAt(std::string_view text, std::size_t at,
                         const std::vector<std::string_view>& marks) {
  for (const std::string_view mark : marks)
    if (!mark.empty() && StartsWithNoCase(text, at, mark)) return mark.size();
  return 0;
}

// The raw scan of one tag: offsets of the text after the opening, of the
// tag's own ">" (npos when the end mark came first) and of the end mark.
struct TTagSpan {
  std::size_t Begin = 0;
  std::size_t TagClose = std::string_view::npos;
  std::size_t End = 0;
};

std::optional<TTagSpan> FindTagSpan(std::string_view text, std::string_view opening,
                                    const std::vector<std::string_view>& endMarks,
                                    std::size_t& position) {
  const std::size_t found = FindNoCase(text, opening, position);
  if (found == std::string_view::npos) return std::nullopt;
  TTagSpan span;
  span.Begin = found + opening.size();
  char quote = 0;
  // A quote opens a value only right after "=" (spaces between allowed), so
  // an apostrophe inside an unquoted value cannot swallow the rest.
  bool afterEquals = opening.back() == '=';
  for (std::size_t i = span.Begin; i < text.size(); ++i) {
    const char c = text[i];
    const bool inTag = span.TagClose == std::string_view::npos;
    if (inTag && quote) {
      if (c == quote) quote = 0;
      continue;
    }
    // "/>" closes an empty element's own tag; inside an element's content
    // (a text area quoting "<br/>") it is text, or the content would be cut
    // and sent back shortened.
    if (MarkLengthAt(text, i, endMarks) && (inTag || !StartsWithNoCase(text, i, "/>"))) {
      span.End = i;
      if (inTag && c == '>') span.TagClose = i;
      position = i;
      return span;
    }
    if (!inTag) continue;
    if ((c == '"' || c == '\'') && afterEquals) {
      quote = c;
      afterEquals = false;
    } else if (c == '>') {
      span.TagClose = i;
    } else if (c != ' ') {
      afterEquals = c == '=';
    }
  }
  return std::nullopt;
}

// The tag text as ScanTag gives it, before entity decoding.
std::string RawTagText(std::string_view text, const TTagSpan& span) {
  return WithoutSpacesAroundEquals(TrimBlanks(text.substr(span.Begin, span.End - span.Begin)));
}

std::string WithoutFinalSlash(std::string text) {
  if (!text.empty() && text.back() == '/')
    text = std::string(TrimBlanks(text.substr(0, text.size() - 1)));
  return text;
}

// The opening tag's part of a raw tag text (up to its own ">").
std::string_view OpeningPart(std::string_view rawTagText) {
  return rawTagText.substr(0, rawTagText.find('>'));
}

bool NameIs(std::string_view rawTagText, std::string_view name) {
  const auto value = AttributeValue(OpeningPart(rawTagText), "name");
  return value && DecodeEntities(*value) == name;
}

// The content of the select element called `name`, or none.
std::optional<std::string> SelectContent(std::string_view body, std::string_view name) {
  std::size_t position = 0;
  while (const auto span = FindTagSpan(body, "<select ", {"</select>"}, position)) {
    const std::string raw = RawTagText(body, *span);
    if (NameIs(raw, name)) {
      if (span->TagClose == std::string_view::npos) return std::string();
      return std::string(body.substr(span->TagClose + 1, span->End - span->TagClose - 1));
    }
    position = span->End + 1;
  }
  return std::nullopt;
}

struct TOption {
  std::string Value;  // decoded; empty without a value attribute
  std::string Text;
  bool Selected = false;
};

std::vector<TOption> Options(std::string_view selectContent, bool utf8) {
  std::vector<TOption> options;
  std::size_t position = 0;
  while (const auto span = FindTagSpan(selectContent, "<option ", {"</option>"}, position)) {
    const std::string raw = RawTagText(selectContent, *span);
    TOption option;
    if (const auto value = AttributeValue(OpeningPart(raw), "value"))
      option.Value = DecodeEntities(*value, utf8);
    const std::string decoded = DecodeEntities(raw, utf8);
    option.Text = OptionText(decoded);
    option.Selected = OptionSelected(decoded);
    options.push_back(std::move(option));
    position = span->End + 1;
  }
  return options;
}

}  // namespace

std::string FlattenBody(std::string_view raw) {
  std::string out(raw);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  return out;
}

bool PageIsUtf8(std::string_view headers, std::string_view body) {
  auto charsetIsUtf8 = [](std::string_view lowered, std::size_t at) {
    at += 8;  // "charset="
    while (at < lowered.size() && (lowered[at] == '"' || lowered[at] == '\'' || lowered[at] == ' '))
      ++at;
    return lowered.substr(at, 5) == "utf-8" || lowered.substr(at, 4) == "utf8";
  };
  const std::string loweredHeaders = Lowered(headers);
  for (std::size_t line = loweredHeaders.find("content-type:"); line != std::string::npos;
       line = loweredHeaders.find("content-type:", line + 1)) {
    const std::size_t end = loweredHeaders.find('\n', line);
    const std::string_view value = std::string_view(loweredHeaders).substr(line, end - line);
    const std::size_t charset = value.find("charset=");
    if (charset != std::string_view::npos) return charsetIsUtf8(value, charset);
  }
  const std::string loweredBody = Lowered(body);
  for (std::size_t meta = loweredBody.find("<meta"); meta != std::string::npos;
       meta = loweredBody.find("<meta", meta + 1)) {
    const std::size_t end = loweredBody.find('>', meta);
    const std::string_view tag = std::string_view(loweredBody).substr(meta, end - meta);
    const std::size_t charset = tag.find("charset=");
    if (charset != std::string_view::npos) return charsetIsUtf8(tag, charset);
  }
  return false;
}

std::string DecodeEntities(std::string_view text, bool utf8) {
  static constexpr std::pair<std::string_view, char> kNamed[] = {
      {"&amp;", '&'}, {"&quot;", '"'}, {"&lt;", '<'},
      {"&gt;", '>'},  {"&nbsp;", ' '}, {"&apos;", '\''},
  };
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '&') {
      out += text[i++];
      continue;
    }
    bool replaced = false;
    for (const auto& [name, character] : kNamed) {
      if (text.substr(i, name.size()) == name) {
        out += character;
        i += name.size();
        replaced = true;
        break;
      }
    }
    if (replaced) continue;
    unsigned long code = 0;
    std::size_t length = 0;
    if (i + 1 < text.size() && text[i + 1] == '#' && ReadNumericReference(text, i, code, length)) {
      if (code == 0 || code > 0x10FFFF || (!utf8 && code > 255))
        out += '?';
      else if (utf8 && code >= 0x80)
        AppendUtf8(out, code);
      else
        out += static_cast<char>(code);
      i += length;
      continue;
    }
    out += text[i++];
  }
  return out;
}

std::optional<TScannedTag> ScanTag(std::string_view text, std::string_view opening,
                                   const std::vector<std::string_view>& endMarks,
                                   std::size_t& position, bool utf8) {
  const auto span = FindTagSpan(text, opening, endMarks, position);
  if (!span) return std::nullopt;
  return TScannedTag{DecodeEntities(RawTagText(text, *span), utf8), span->Begin, span->End};
}

std::optional<std::string> AttributeValue(std::string_view tagText, std::string_view attribute) {
  const std::string opening = std::string(attribute) + "=";
  std::size_t position = 0;
  const std::size_t found = FindNoCase(tagText, opening);
  if (found == std::string_view::npos) return std::nullopt;
  std::string value;
  if (const auto span = FindTagSpan(tagText, opening, {" ", ">", "/>"}, position)) {
    value = std::string(tagText.substr(span->Begin, span->End - span->Begin));
  } else {
    value = std::string(tagText.substr(found + opening.size()));
  }
  if (!value.empty() && (value.front() == '"' || value.front() == '\'')) value.erase(0, 1);
  if (!value.empty() && (value.back() == '"' || value.back() == '\'')) value.pop_back();
  return value;
}

std::string OptionText(std::string_view optionTagText) {
  const std::size_t close = optionTagText.find('>');
  if (close == std::string_view::npos) return {};
  std::string text;
  const std::string_view shown = optionTagText.substr(close + 1);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == '&') {
      const std::size_t space = shown.find(' ', i);
      if (space == std::string_view::npos) break;
      i = space - 1;
      continue;
    }
    text += shown[i];
  }
  return std::string(TrimBlanks(text));
}

bool OptionSelected(std::string_view optionTagText) {
  return FindNoCase(optionTagText, "selected") != std::string_view::npos;
}

std::optional<std::string> InputValue(std::string_view body, std::string_view name, bool utf8) {
  std::size_t position = 0;
  while (const auto span = FindTagSpan(body, "<input ", {">", "/>"}, position)) {
    const std::string raw = WithoutFinalSlash(RawTagText(body, *span));
    if (NameIs(raw, name)) return DecodeEntities(AttributeValue(raw, "value").value_or(""), utf8);
    position = span->End + 1;
  }
  return std::nullopt;
}

std::optional<std::string> TextAreaValue(std::string_view body, std::string_view rawBody,
                                         std::string_view name, bool utf8) {
  std::size_t position = 0;
  while (const auto span = FindTagSpan(body, "<textarea ", {"</textarea>", "/>"}, position)) {
    const std::string raw = WithoutFinalSlash(RawTagText(body, *span));
    if (NameIs(raw, name)) {
      if (span->TagClose == std::string_view::npos) return std::string();
      // The content at the same offsets of the raw body, line breaks and all.
      const std::string_view source = rawBody.size() == body.size() ? rawBody : body;
      const std::string_view content =
          source.substr(span->TagClose + 1, span->End - span->TagClose - 1);
      return DecodeEntities(TrimBlanks(content), utf8);
    }
    position = span->End + 1;
  }
  return std::nullopt;
}

std::optional<std::string> SelectedOptionValue(std::string_view body, std::string_view name,
                                               bool utf8) {
  const auto content = SelectContent(body, name);
  if (!content) return std::nullopt;
  for (const TOption& option : Options(*content, utf8))
    if (option.Selected) return option.Value;
  return std::nullopt;
}

std::optional<std::string> OptionValueByText(std::string_view body, std::string_view name,
                                             std::string_view text, bool utf8) {
  const auto content = SelectContent(body, name);
  if (!content) return std::nullopt;
  const std::vector<TOption> options = Options(*content, utf8);
  for (const TOption& option : options)
    if (EqualNoCase(option.Text, text)) return option.Value;
  for (const TOption& option : options)
    if (option.Selected) return option.Value;
  return std::nullopt;
}

std::string TextAfterMarker(std::string_view text, std::string_view marker, int count) {
  if (marker.empty() || count < 1) return {};
  std::size_t at = 0;
  for (int i = 0; i < count; ++i) {
    const std::size_t found = FindNoCase(text, marker, at);
    if (found == std::string_view::npos) return {};
    at = found + marker.size();
  }
  const std::size_t end = text.find_first_of(" \"&'<>\\", at);
  return std::string(text.substr(at, end == std::string_view::npos ? end : end - at));
}

std::optional<std::string> BumpedSummary(std::string_view title) {
  const std::size_t dash = title.find(" - ");
  if (dash == std::string_view::npos) return std::string(title);
  const std::size_t close = title.find(']', dash + 3);
  if (close == std::string_view::npos) return std::string(title);
  const std::string_view number = title.substr(dash + 3, close - dash - 3);
  const bool digits = !number.empty() && std::all_of(number.begin(), number.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
  if (!digits) return std::string(title);
  // Leading zeros add no size: "00012" is 12, below the limit.
  const std::string_view significant =
      number.substr(std::min(number.find_first_not_of('0'), number.size()));
  if (significant.size() > 4) return std::nullopt;
  const long counter = std::strtol(std::string(significant).c_str(), nullptr, 10);
  if (counter >= 9999) return std::nullopt;
  return std::string(title.substr(0, dash + 3)) + std::to_string(counter + 1) +
         std::string(title.substr(close));
}
