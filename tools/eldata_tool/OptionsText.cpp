#include "tools/eldata_tool/OptionsText.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

#include "tools/eldata_tool/OptionsTextNames.h"

namespace {

[[noreturn]] void Fail(const std::string& message) {
  throw TOptionsTextError(message);
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

// A value that is not a quoted text: up to a trailing comment.
std::string_view PlainValue(std::string_view raw) {
  return Trim(raw.substr(0, raw.find('#')));
}

std::uint64_t ParseNumber(std::string_view text, std::string_view field) {
  text = Trim(text);
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    Fail(std::string(field) + ": \"" + std::string(text) + "\" is not a number");
  return value;
}

template <class T>
T InRange(std::uint64_t value, std::string_view field) {
  if (value > std::numeric_limits<T>::max()) Fail(std::string(field) + ": value out of range");
  return static_cast<T>(value);
}

// A number, or bit names of the field joined by "|".
std::uint64_t ParseFlags(std::string_view text, std::string_view field) {
  std::uint64_t value = 0;
  for (std::string_view rest = text; !rest.empty();) {
    const auto bar = rest.find('|');
    const std::string_view part = Trim(rest.substr(0, bar));
    rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
    if (!part.empty() && std::isdigit(static_cast<unsigned char>(part[0]))) {
      value |= ParseNumber(part, field);
      continue;
    }
    bool known = false;
    for (const TValueName& name : FlagNames(field))
      if (part == name.Name) value |= name.Value, known = true;
    if (!known) Fail(std::string(field) + ": unknown flag \"" + std::string(part) + "\"");
  }
  return value;
}

template <class T>
T ParseBool(std::string_view raw, std::string_view field) {
  const std::string_view text = PlainValue(raw);
  if (text == "true" || text == "1") return true;
  if (text == "false" || text == "0") return false;
  Fail(std::string(field) + ": expected true or false");
}

template <class T>
T ParseDec(std::string_view raw, std::string_view field) {
  return InRange<T>(ParseNumber(PlainValue(raw), field), field);
}

template <class T>
T ParseHex(std::string_view raw, std::string_view field) {
  return InRange<T>(ParseFlags(PlainValue(raw), field), field);
}

template <class T>
T ParseText(std::string_view raw, std::string_view field) {
  std::string_view rest;
  std::string text;
  try {
    text = UnquoteText(Trim(raw), &rest);
  } catch (const TOptionsTextError& error) {
    Fail(std::string(field) + ": " + error.what());
  }
  rest = Trim(rest);
  if (!rest.empty() && rest[0] != '#') Fail(std::string(field) + ": text after the closing quote");
  return text;
}

std::string Comment(std::string_view field, std::uint64_t value) {
  std::string names;
  for (const TValueName& flag : FlagNames(field))
    if (value & flag.Value) names += (names.empty() ? "" : " | ") + std::string(flag.Name);
  if (!FlagNames(field).empty()) return names.empty() ? std::string() : "  # " + names;
  for (const TValueName& meaning : ValueMeanings(field))
    if (meaning.Value == value) return "  # " + std::string(meaning.Name);
  return {};
}

std::string FormatBool(bool value, std::string_view) {
  return value ? "true" : "false";
}

template <class T>
std::string FormatDec(T value, std::string_view field) {
  return std::to_string(static_cast<std::uint64_t>(value)) + Comment(field, value);
}

template <class T>
std::string FormatHex(T value, std::string_view field) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX",
                static_cast<int>(sizeof(T) == 8 ? 12 : 2 * sizeof(T)),
                static_cast<unsigned long long>(value));
  return text + Comment(field, value);
}

std::string FormatText(const std::string& value, std::string_view) {
  return QuoteText(value);
}

bool SetOption(TDovaroModuleOptions& options, std::string_view key, std::string_view raw) {
#define DOVARO_OPTION(type, name, initial, form, setter) \
  if (key == #name) {                                    \
    options.Set##name(Parse##form<type>(raw, #name));    \
    return true;                                         \
  }
#include "engine/ECoreOptionFields.inc"
#undef DOVARO_OPTION
  return false;
}

void FormatOptions(const TDovaroModuleOptions& options, std::string& out) {
#define DOVARO_OPTION(type, name, initial, form, setter) \
  out += #name " = " + Format##form(options.name(), #name) + "\n";
#include "engine/ECoreOptionFields.inc"
#undef DOVARO_OPTION
}

// The fields of a filter record in their stored order: (type, name, text form).
#define DOVARO_FILTER_FIELDS(FIELD)         \
  FIELD(bool, FilterEnabled, Bool)          \
  FIELD(std::string, FilterClassName, Text) \
  FIELD(std::string, FilterMessage, Text)   \
  FIELD(std::uint8_t, FilterScope, Dec)     \
  FIELD(std::uint8_t, FilterDialog, Dec)    \
  FIELD(std::uint8_t, FilterHandler, Dec)   \
  FIELD(std::uint8_t, FilterAfterAction, Dec)

void SetFilterField(TDovaroExceptionFilter& filter, std::string_view key, std::string_view raw) {
#define SET_FILTER_FIELD(type, name, form)       \
  if (key == #name) {                            \
    filter.name = Parse##form<type>(raw, #name); \
    return;                                      \
  }
  DOVARO_FILTER_FIELDS(SET_FILTER_FIELD)
#undef SET_FILTER_FIELD
  Fail("unknown filter field \"" + std::string(key) + "\"");
}

void FormatFilter(const TDovaroExceptionFilter& filter, std::string& out) {
  out += "\n[Filter]\n";
#define FORMAT_FILTER_FIELD(type, name, form) \
  out += #name " = " + Format##form(filter.name, #name) + "\n";
  DOVARO_FILTER_FIELDS(FORMAT_FILTER_FIELD)
#undef FORMAT_FILTER_FIELD
}

TSymbolSpec ParseSymbol(std::string_view key, std::string_view raw) {
  TSymbolSpec symbol;
  symbol.SymbolID = InRange<std::uint8_t>(ParseNumber(key, "SymbolID"), "SymbolID");
  symbol.Entry.SymbolID = symbol.SymbolID;
  if (Trim(raw).starts_with('"')) {
    symbol.RoutineName = ParseText<std::string>(raw, "SymbolTable");
    if (symbol.RoutineName.empty()) Fail("SymbolTable: empty routine name");
    return symbol;
  }
  const std::string_view value = PlainValue(raw);
  const auto comma = value.find(',');
  if (comma == std::string_view::npos) Fail("SymbolTable: expected \"routine\" or offset, size");
  symbol.Entry.Offset =
      InRange<std::uint32_t>(ParseNumber(value.substr(0, comma), "offset"), "offset");
  symbol.Entry.Size = InRange<std::uint32_t>(ParseNumber(value.substr(comma + 1), "size"), "size");
  return symbol;
}

enum class TSection { None, Options, Filter, Texts, Debug, SymbolTable };

TSection SectionNamed(std::string_view name) {
  if (name == "Options") return TSection::Options;
  if (name == "Filter") return TSection::Filter;
  if (name == "Texts") return TSection::Texts;
  if (name == "Debug") return TSection::Debug;
  if (name == "SymbolTable") return TSection::SymbolTable;
  Fail("unknown section [" + std::string(name) + "]");
}

void ParseLine(TOptionsFile& file, TSection section, std::vector<TDovaroExceptionFilter>& filters,
               std::string_view key, std::string_view raw) {
  switch (section) {
    case TSection::None:
      Fail("a value before the first section");
    case TSection::Options:
      if (!SetOption(*file.Options, key, raw)) Fail("unknown option \"" + std::string(key) + "\"");
      return;
    case TSection::Filter:
      SetFilterField(filters.back(), key, raw);
      return;
    case TSection::Texts:
      if (key == "TextsLanguage") {
        file.Options->SetTextsLanguage(ParseText<std::string>(raw, key));
      } else {
        const auto index = ParseNumber(key, "text index");
        if (index >= kCustomizedTextCount) Fail("text index out of range");
        file.Options->SetText(static_cast<int>(index), ParseText<std::string>(raw, "text"));
      }
      return;
    case TSection::Debug:
      if (key != "DebugPassword") Fail("unknown debug setting \"" + std::string(key) + "\"");
      file.DebugPassword = ParseText<std::string>(raw, key);
      return;
    case TSection::SymbolTable:
      file.Symbols.push_back(ParseSymbol(key, raw));
      return;
  }
}

}  // namespace

std::string QuoteText(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\')
      quoted += std::string("\\") + c;
    else if (c == '\r')
      quoted += "\\r";
    else if (c == '\n')
      quoted += "\\n";
    else if (c == '\t')
      quoted += "\\t";
    else if (byte < 0x20 || byte >= 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string UnquoteText(std::string_view quoted, std::string_view* rest) {
  if (quoted.empty() || quoted[0] != '"') Fail("expected a text in double quotes");
  std::string text;
  for (std::size_t at = 1; at < quoted.size(); ++at) {
    const char c = quoted[at];
    if (c == '"') {
      if (rest) *rest = quoted.substr(at + 1);
      return text;
    }
    if (c != '\\') {
      text += c;
      continue;
    }
    if (++at >= quoted.size()) break;
    switch (quoted[at]) {
      case 'r':
        text += '\r';
        break;
      case 'n':
        text += '\n';
        break;
      case 't':
        text += '\t';
        break;
      case '"':
        text += '"';
        break;
      case '\\':
        text += '\\';
        break;
      case 'x': {
        unsigned value = 0;
        const char* first = quoted.data() + at + 1;
        const auto [end, error] = std::from_chars(
            first, first + std::min<std::size_t>(2, quoted.size() - at - 1), value, 16);
        if (error != std::errc() || end != first + 2) Fail("\\x needs two hexadecimal digits");
        text += static_cast<char>(value);
        at += 2;
        break;
      }
      default:
        Fail(std::string("unknown escape \\") + quoted[at]);
    }
  }
  Fail("missing closing quote");
}

TOptionsFile ParseOptionsText(std::string_view text) {
  TOptionsFile file;
  std::vector<TDovaroExceptionFilter> filters;
  TSection section = TSection::None;
  int lineNumber = 0;
  file.Options->BeginUpdate();
  for (std::string_view rest = text; !rest.empty();) {
    const auto end = rest.find('\n');
    const std::string_view line = Trim(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    ++lineNumber;
    try {
      if (line.empty() || line[0] == '#' || line[0] == ';') continue;
      if (line.front() == '[') {
        if (line.back() != ']') Fail("a section name needs a closing \"]\"");
        section = SectionNamed(line.substr(1, line.size() - 2));
        if (section == TSection::Filter) filters.emplace_back();
        continue;
      }
      const auto equals = line.find('=');
      if (equals == std::string_view::npos) Fail("expected \"Key = value\"");
      ParseLine(file, section, filters, Trim(line.substr(0, equals)), line.substr(equals + 1));
    } catch (const TOptionsTextError& error) {
      throw TOptionsTextError("line " + std::to_string(lineNumber) + ": " + error.what());
    }
  }
  for (TDovaroExceptionFilter& filter : filters) file.Options->Filters().Add(std::move(filter));
  file.Options->EndUpdate();
  return file;
}

std::string FormatOptionsText(const TDovaroModuleOptions& options, const TDumpFacts& facts) {
  std::string out;
  for (const std::string& line : facts.HeaderComments) out += "# " + line + "\n";
  out += "\n[Options]\n";
  FormatOptions(options, out);
  for (int i = 0; i < options.Filters().Count(); ++i) FormatFilter(options.Filters().Item(i), out);
  out += "\n[Texts]\nTextsLanguage = " + QuoteText(options.TextsLanguage()) + "\n";
  for (int i = 0; i < kCustomizedTextCount; ++i)
    out += std::to_string(i) + " = " + QuoteText(options.StoredText(i)) + "\n";
  out += "\n[Debug]\n";
  if (facts.DebugPassword)
    out += "DebugPassword = " + QuoteText(*facts.DebugPassword) + "\n";
  else
    out += "# DebugPassword: unknown (the password probe matches no password given)\n";
  out += "\n[SymbolTable]\n";
  for (const TSymbolTableEntry& entry : facts.SymbolTable) {
    char line[64];
    std::snprintf(line, sizeof line, "%u = 0x%08X, 0x%X", entry.SymbolID,
                  static_cast<unsigned>(entry.Offset), static_cast<unsigned>(entry.Size));
    out += line;
    if (const auto name = facts.RoutineNames.find(entry.Offset); name != facts.RoutineNames.end())
      out += "  # " + name->second;
    out += "\n";
  }
  return out;
}
