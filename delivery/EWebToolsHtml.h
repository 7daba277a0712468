// Reading the trackers' web pages the way the form helpers need it: tags
// and their attribute values, entities, option texts, the text after a
// link marker, and the occurrence counter of a bug title.
//
// Pure: no windows.h; never raises.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The body as the scanners see it: every character below 32 becomes a
// space, so offsets stay those of the raw body.
std::string FlattenBody(std::string_view raw);

// Whether a page declares UTF-8: the Content-Type header's charset, else a
// meta charset in the body.
bool PageIsUtf8(std::string_view headers, std::string_view body);

// Replaces the named entities (&amp; &quot; &lt; &gt; &nbsp; &apos;) and the
// numeric references (&#N; and &#xN;) in one pass, so "&amp;lt;" becomes
// "&lt;". A code above 255 is UTF-8 on a UTF-8 page, else "?".
std::string DecodeEntities(std::string_view text, bool utf8 = false);

// One tag found by ScanTag: its text, and where it lies in the scanned text.
struct TScannedTag {
  std::string Text;       // trimmed, no spaces around "=", entities decoded
  std::size_t Begin = 0;  // offset of the text right after the opening
  std::size_t End = 0;    // offset of the end mark that ended it
};

// Searches `opening` (e.g. "<input ") from `position`, letter case ignored,
// and takes the text up to the first of `endMarks` met outside a quoted
// attribute value of the opening tag (after the tag's own ">" quotes no
// longer matter). `position` moves to the end mark. None when the opening
// or an end mark is missing.
std::optional<TScannedTag> ScanTag(std::string_view text, std::string_view opening,
                                   const std::vector<std::string_view>& endMarks,
                                   std::size_t& position, bool utf8 = false);

// The value of `attribute` ("name", "value") in a tag text: up to a space,
// ">" or "/>", one leading and one trailing quote removed; none when the
// tag has no such attribute.
std::optional<std::string> AttributeValue(std::string_view tagText, std::string_view attribute);

// An option's displayed text: after the tag's ">", every run from "&" up to
// the next space removed, trimmed.
std::string OptionText(std::string_view optionTagText);

// Whether an option tag text holds "selected" in any letter case.
bool OptionSelected(std::string_view optionTagText);

// The form values the helpers read out of a page (the flattened body for
// the scan, the raw body for text area contents). None when not found.
std::optional<std::string> InputValue(std::string_view body, std::string_view name,
                                      bool utf8 = false);
std::optional<std::string> TextAreaValue(std::string_view body, std::string_view rawBody,
                                         std::string_view name, bool utf8 = false);
// The selected option's value of the select element with that name; an
// empty text when the element has no selected option; none without it.
std::optional<std::string> SelectedOptionValue(std::string_view body, std::string_view name,
                                               bool utf8 = false);
// The value of the option shown as `text` (letter case ignored), else of
// the selected one.
std::optional<std::string> OptionValueByText(std::string_view body, std::string_view name,
                                             std::string_view text, bool utf8 = false);

// After the count-th occurrence of `marker` (letter case ignored), the run
// of characters up to a space, double quote, "&", "'", "<", ">", backslash
// or the end; empty when the marker does not occur that often.
std::string TextAfterMarker(std::string_view text, std::string_view marker, int count);

// The occurrence counter of a title "[v%s - N]: %s (%s)": the title with N
// raised by one; the title unchanged when there is no " - ... ]" number;
// none when N is 9999 or more.
std::optional<std::string> BumpedSummary(std::string_view title);
