// A tracker page body from the network through every scanning helper the
// senders fill their forms with and read their links and tokens with.
// Before a NUL byte the input may name one more field and link marker to
// look for; the rest is the page, raw (line breaks and all) and flattened as
// the request engine keeps it.
#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "delivery/EWebToolsHtml.h"
#include "delivery/EWebToolsTrackersTexts.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// Every tag of one kind, walked as the helpers walk them.
void CheckScans(std::string_view text, std::string_view opening,
                const std::vector<std::string_view>& endMarks, bool utf8) {
  std::size_t position = 0;
  while (const auto tag = ScanTag(text, opening, endMarks, position, utf8)) {
    FUZZ_CHECK(tag->Begin >= opening.size());
    FUZZ_CHECK(EqualNoCase(text.substr(tag->Begin - opening.size(), opening.size()), opening));
    FUZZ_CHECK(tag->Begin <= tag->End && tag->End < text.size());
    FUZZ_CHECK(position == tag->End);
    // Trimming, "=" spacing and entities only ever shorten the text.
    FUZZ_CHECK(tag->Text.size() <= tag->End - tag->Begin);
    for (const char* attribute : {"name", "value"})
      if (const auto value = AttributeValue(tag->Text, attribute))
        FUZZ_CHECK(value->size() <= tag->Text.size());
    FUZZ_CHECK(OptionText(tag->Text).size() <= tag->Text.size());
    OptionSelected(tag->Text);
    position = tag->End + 1;
  }
}

// The value a "[v... - N]: ..." title must get from BumpedSummary.
void CheckBump(std::string_view title) {
  const std::optional<std::string> bumped = BumpedSummary(title);
  const std::size_t dash = title.find(" - ");
  const std::size_t close = dash == std::string_view::npos ? dash : title.find(']', dash + 3);
  if (close == std::string_view::npos) {
    FUZZ_CHECK(bumped == std::string(title));
    return;
  }
  const std::string_view number = title.substr(dash + 3, close - dash - 3);
  const bool digits = !number.empty() && std::all_of(number.begin(), number.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
  if (!digits) {
    FUZZ_CHECK(bumped == std::string(title));
    return;
  }
  unsigned long value = 0;
  for (const char c : number) value = std::min(value * 10 + (c - '0'), 100000ul);
  if (value >= 9999) {
    FUZZ_CHECK(!bumped);
    return;
  }
  FUZZ_CHECK(bumped == std::string(title.substr(0, dash + 3)) + std::to_string(value + 1) +
                           std::string(title.substr(close)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzInput input(data, size);
  std::string_view raw = input.Text();
  std::string_view extra;
  if (const std::size_t nul = raw.find('\0'); nul != std::string_view::npos && nul < 64) {
    extra = raw.substr(0, nul);
    raw.remove_prefix(nul + 1);
  }

  // The flattened body keeps every offset: only the controls change.
  const std::string flat = FlattenBody(raw);
  FUZZ_CHECK(flat.size() == raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i)
    FUZZ_CHECK(flat[i] == (static_cast<unsigned char>(raw[i]) < 32 ? ' ' : raw[i]));

  const bool utf8 = PageIsUtf8(raw, flat);
  for (const bool asUtf8 : {false, true}) {
    const std::string decoded = DecodeEntities(flat, asUtf8);
    FUZZ_CHECK(decoded.size() <= flat.size());
    if (flat.find('&') == std::string::npos) FUZZ_CHECK(decoded == flat);
  }

  CheckScans(flat, "<input ", {">", "/>"}, utf8);
  CheckScans(flat, "<textarea ", {"</textarea>", "/>"}, utf8);
  CheckScans(flat, "<select ", {"</select>"}, utf8);
  CheckScans(flat, "<option ", {"</option>"}, utf8);

  std::vector<std::string_view> names = {"summary", "description", "project_id", "severity",
                                         "status",  "bug_id",      "n",          ""};
  if (!extra.empty()) names.push_back(extra);
  for (const std::string_view name : names) {
    InputValue(flat, name, utf8);
    SelectedOptionValue(flat, name, utf8);
    OptionValueByText(flat, name, extra.empty() ? std::string_view("high") : extra, utf8);
    // A text area's content comes from the raw body at the offsets the
    // flattened scan found: the same text once flattened, and the raw
    // bytes themselves where no entity was decoded.
    const auto fromRaw = TextAreaValue(flat, raw, name, utf8);
    const auto fromFlat = TextAreaValue(flat, flat, name, utf8);
    FUZZ_CHECK(fromRaw.has_value() == fromFlat.has_value());
    if (fromRaw) {
      FUZZ_CHECK(FlattenBody(*fromRaw) == FlattenBody(*fromFlat));
      if (raw.find('&') == std::string_view::npos)
        FUZZ_CHECK(raw.find(*fromRaw) != std::string_view::npos);
    }
  }

  std::vector<std::string_view> markers = {
      "bug_update_page.php?bug_id=", "show_bug.cgi?id=", "ixBug=", "id="};
  if (!extra.empty()) markers.push_back(extra);
  for (const std::string_view marker : markers) {
    for (const int count : {1, 2}) {
      const std::string after = TextAfterMarker(flat, marker, count);
      FUZZ_CHECK(after.find_first_of(" \"&'<>\\") == std::string::npos);
      if (!after.empty()) FUZZ_CHECK(flat.find(after) != std::string::npos);
    }
  }

  for (const std::string_view marker : {"components[0] = \"", "sActionToken="}) {
    if (const auto value = TextUpToQuote(flat, marker)) {
      FUZZ_CHECK(value->find('"') == std::string::npos);
      FUZZ_CHECK(flat.find(*value) != std::string::npos);
    }
  }

  CheckBump(flat.substr(0, flat.find('\n')));
  if (const auto summary = InputValue(flat, "summary", utf8)) CheckBump(*summary);
  return 0;
}
