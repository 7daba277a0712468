#include "tests/debuginfo/ObjdumpNormalization.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return std::string(text);
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsHexDigit(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// One operand: its size qualifier and its text with numbers as values.
struct Piece {
  std::string text;
  std::optional<std::uint32_t> number;
  int digits = 0;  // as written by the disassembler ("$FF": 2); 0 for objdump
};

struct Operand {
  std::string qualifier;  // "dword", "byte", ... or empty
  std::vector<Piece> pieces;
};

struct Instruction {
  std::string prefixes;  // "lock ", "rep ", "repne "
  bool data16 = false;   // objdump named an operand-size prefix it did not apply
  std::string mnemonic;
  std::vector<Operand> operands;
};

const std::map<std::string, std::string, std::less<>>& ConditionSpellings() {
  static const std::map<std::string, std::string, std::less<>> spellings = {
      {"e", "z"},   {"ne", "nz"}, {"ae", "nb"}, {"nae", "b"}, {"c", "b"},
      {"nc", "nb"}, {"a", "nbe"}, {"na", "be"}, {"ge", "nl"}, {"nge", "l"},
      {"g", "nle"}, {"ng", "le"}, {"pe", "p"},  {"po", "np"}};
  return spellings;
}

std::string CanonicalMnemonic(std::string mnemonic) {
  static const std::map<std::string, std::string, std::less<>> aliases = {
      {"pusha", "pushad"}, {"popa", "popad"}, {"pushf", "pushfd"}, {"popf", "popfd"},
      {"iret", "iretd"},   {"fwait", "wait"}, {"sal", "shl"},      {"lgdtd", "lgdt"},
      {"lidtd", "lidt"},   {"sgdtd", "sgdt"}, {"sidtd", "sidt"}};
  if (auto alias = aliases.find(mnemonic); alias != aliases.end()) return alias->second;
  for (std::string_view family : {"cmov", "set", "j"}) {
    if (!StartsWith(mnemonic, family)) continue;
    const auto spelling = ConditionSpellings().find(mnemonic.substr(family.size()));
    if (spelling != ConditionSpellings().end()) return std::string(family) + spelling->second;
  }
  return mnemonic;
}

bool IsBranch(std::string_view mnemonic) {
  return mnemonic == "call" || StartsWith(mnemonic, "j") || StartsWith(mnemonic, "loop");
}

// Splits "text with $hex / 0xhex numbers" into pieces.
std::vector<Piece> SplitNumbers(std::string_view text, bool ours) {
  std::vector<Piece> pieces;
  auto appendText = [&](char c) {
    if (pieces.empty() || pieces.back().number) pieces.push_back(Piece{});
    pieces.back().text += c;
  };
  for (std::size_t i = 0; i < text.size();) {
    std::size_t digitsAt = std::string_view::npos;
    if (ours && text[i] == '$') digitsAt = i + 1;
    if (!ours && StartsWith(text.substr(i), "0x")) digitsAt = i + 2;
    if (digitsAt != std::string_view::npos && digitsAt < text.size() &&
        IsHexDigit(text[digitsAt])) {
      std::size_t end = digitsAt;
      std::uint32_t value = 0;
      while (end < text.size() && IsHexDigit(text[end])) {
        const char c = text[end++];
        value = value * 16 + static_cast<std::uint32_t>(std::isdigit(c) ? c - '0' : c - 'a' + 10);
      }
      Piece piece;
      piece.number = value;
      piece.digits = ours ? static_cast<int>(end - digitsAt) : 0;
      pieces.push_back(piece);
      i = end;
    } else {
      appendText(text[i++]);
    }
  }
  // A 32-bit displacement above 7FFFFFFF is the negative one objdump prints.
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    std::string& before = pieces[i - 1].text;
    if (pieces[i].number && *pieces[i].number > 0x7FFFFFFF && !before.empty() &&
        before.back() == '+' && before.find('[') != std::string::npos) {
      before.back() = '-';
      pieces[i].number = 0u - *pieces[i].number;
      pieces[i].digits = 0;
    }
  }
  return pieces;
}

Operand ParseOperand(std::string text, bool ours, std::string_view mnemonic) {
  Operand operand;
  static const std::array<std::string_view, 8> kSizes = {"byte",  "word",  "dword",  "qword",
                                                         "tbyte", "fword", "mmword", "xmmword"};
  for (std::string_view size : kSizes) {
    const std::string prefix = std::string(size) + " ptr ";
    if (StartsWith(text, prefix)) {
      operand.qualifier = size;
      text.erase(0, prefix.size());
      break;
    }
  }
  // objdump's absolute memory "seg:0x1234" has no brackets.
  if (!ours && text.size() > 3 && text[2] == ':' && text[3] != '[') {
    text = text.substr(0, 3) + "[" + text.substr(3) + "]";
  }
  ReplaceAll(text, "ds:", "");
  for (std::string_view scale : {"*1", "*2", "*4", "*8"}) {
    ReplaceAll(text, "+eiz" + std::string(scale), "");
    ReplaceAll(text, "eiz" + std::string(scale) + "+", "");
    ReplaceAll(text, "eiz" + std::string(scale) + "-", "-");
  }
  // A displacement alone (a SIB byte without index or base) that objdump shows
  // as negative is the address we print.
  if (!ours && StartsWith(text, "[-0x") && text.back() == ']') {
    const std::uint32_t value = std::stoul(text.substr(4, text.size() - 5), nullptr, 16);
    char address[16];
    std::snprintf(address, sizeof address, "[0x%x]", 0u - value);
    text = address;
  }
  ReplaceAll(text, "*1", "");
  ReplaceAll(text, "st(0)", "st");
  if (ours && text.size() == 2 && (text[0] == 'c' || text[0] == 'd' || text[0] == 't') &&
      std::isdigit(static_cast<unsigned char>(text[1]))) {
    text.insert(1, "r");
  }
  if (!ours && IsBranch(mnemonic) && !text.empty() &&
      std::all_of(text.begin(), text.end(), IsHexDigit)) {
    text = "0x" + text;  // objdump's branch target
  }
  operand.pieces = SplitNumbers(text, ours);
  return operand;
}

Instruction Parse(std::string_view rawText, bool ours) {
  std::string text = Lower(rawText);
  if (!ours) {
    text = text.substr(0, text.find(" <"));
    text = text.substr(0, text.find(" #"));
  }
  Instruction instruction;
  std::string_view rest = text;
  std::string mnemonic;
  while (true) {
    rest = rest.substr(std::min(rest.size(), rest.find_first_not_of(' ')));
    const std::size_t end = std::min(rest.size(), rest.find(' '));
    const std::string word(rest.substr(0, end));
    rest.remove_prefix(end);
    if (word == "lock") {
      instruction.prefixes += "lock ";
    } else if (word == "rep" || word == "repe" || word == "repz") {
      instruction.prefixes += "rep ";
    } else if (word == "repne" || word == "repnz" || word == "bnd") {
      instruction.prefixes += "repne ";
    } else if (word == "data16") {
      instruction.data16 = true;
    } else if (word == "cs" || word == "ds" || word == "es" || word == "ss" || word == "fs" ||
               word == "gs" || word == "addr16" || word == "notrack") {
      continue;
    } else {
      mnemonic = word;
      break;
    }
  }
  std::vector<std::string> operandTexts;
  const std::string operandsText = Trim(rest);
  for (std::size_t start = 0; !operandsText.empty();) {
    const std::size_t comma = operandsText.find(',', start);
    operandTexts.push_back(Trim(operandsText.substr(start, comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }

  // objdump names the 16-bit forms of these with a "w"; the operands show the size.
  static const std::array<std::string_view, 12> kSizedForms = {
      "pushw", "popw",  "enterw",  "retw",    "retfw",    "leavew",
      "jmpw",  "callw", "fldenvw", "frstorw", "fnstenvw", "fnsavew"};
  if (!ours && std::find(kSizedForms.begin(), kSizedForms.end(), mnemonic) != kSizedForms.end()) {
    mnemonic.pop_back();
  }
  // A segment register number 6 or 7 does not exist: objdump prints "?".
  for (auto& operand : operandTexts) {
    if (!ours && operand == "?") operand.clear();
  }
  // The Ew operand of these, when a register, may be named by its 16-bit part.
  const int wordOperand = mnemonic == "lar" || mnemonic == "lsl"                          ? 1
                          : mnemonic == "sldt" || mnemonic == "str" || mnemonic == "smsw" ? 0
                                                                                          : -1;
  if (!ours && wordOperand >= 0 && wordOperand < static_cast<int>(operandTexts.size())) {
    std::string& operand = operandTexts[wordOperand];
    if (operand.size() == 3 && operand[0] == 'e') operand.erase(0, 1);
  }

  if (mnemonic == "pause") {
    instruction.prefixes += "rep ";
    mnemonic = "nop";
  }
  if (mnemonic == "xchg" && operandTexts == std::vector<std::string>{"ax", "ax"}) {
    mnemonic = "nop";
    operandTexts.clear();
  }
  if (mnemonic == "int3") {
    mnemonic = "int";
    operandTexts = {"3"};
  }
  static const std::array<std::string_view, 7> kStringOps = {"movs", "cmps", "stos", "lods",
                                                             "scas", "ins",  "outs"};
  if (!ours && std::find(kStringOps.begin(), kStringOps.end(), mnemonic) != kStringOps.end()) {
    const std::string joined = [&] {
      std::string all;
      for (const auto& operand : operandTexts) all += operand + " ";
      return all;
    }();
    const char letter = joined.find("dword ptr") != std::string::npos  ? 'd'
                        : joined.find("word ptr") != std::string::npos ? 'w'
                                                                       : 'b';
    mnemonic += letter;
    operandTexts.clear();
  }
  if (mnemonic == "xlat") operandTexts.clear();

  instruction.mnemonic = CanonicalMnemonic(mnemonic);
  for (auto& operandText : operandTexts) {
    instruction.operands.push_back(ParseOperand(operandText, ours, instruction.mnemonic));
  }
  return instruction;
}

std::string Describe(const Instruction& instruction) {
  std::string text = instruction.prefixes + instruction.mnemonic;
  for (std::size_t i = 0; i < instruction.operands.size(); ++i) {
    text += i == 0 ? " " : ",";
    const Operand& operand = instruction.operands[i];
    if (!operand.qualifier.empty()) text += operand.qualifier + " ptr ";
    for (const Piece& piece : operand.pieces) {
      if (!piece.number) {
        text += piece.text;
        continue;
      }
      static constexpr char kDigits[] = "0123456789abcdef";
      std::string hex;
      std::uint32_t value = *piece.number;
      do {
        hex.insert(hex.begin(), kDigits[value & 15]);
        value >>= 4;
      } while (value != 0);
      text += "0x" + hex;
    }
  }
  return text;
}

bool SameNumber(const Piece& ours, const Piece& theirs) {
  if (*ours.number == *theirs.number) return true;
  if (ours.digits != 2) return false;
  const auto extended = static_cast<std::uint32_t>(static_cast<std::int8_t>(*ours.number));
  return extended == *theirs.number || (extended & 0xFFFF) == *theirs.number;
}

bool SameOperand(const Operand& ours, const Operand& theirs) {
  if (!ours.qualifier.empty() && ours.qualifier != theirs.qualifier) return false;
  if (ours.pieces.size() != theirs.pieces.size()) return false;
  for (std::size_t i = 0; i < ours.pieces.size(); ++i) {
    const Piece& a = ours.pieces[i];
    const Piece& b = theirs.pieces[i];
    if (a.number.has_value() != b.number.has_value()) return false;
    if (a.number ? !SameNumber(a, b) : a.text != b.text) return false;
  }
  return true;
}

}  // namespace

bool ObjdumpRowIsCovered(std::string_view objdumpText, std::span<const std::uint8_t> bytes) {
  // By encoding: the prefetch and hint space 0F 18-1E, the three-byte maps
  // 0F 38 and 0F 3A, and VEX/EVEX (C4, C5, 62 before a register-form byte).
  std::size_t at = 0;
  static constexpr std::array<std::uint8_t, 11> kPrefixes = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65,
                                                             0x66, 0x67, 0xF0, 0xF2, 0xF3};
  while (at < bytes.size() &&
         std::find(kPrefixes.begin(), kPrefixes.end(), bytes[at]) != kPrefixes.end()) {
    ++at;
  }
  if (at + 1 < bytes.size()) {
    const std::uint8_t first = bytes[at], second = bytes[at + 1];
    if (first == 0x0F && ((second >= 0x18 && second <= 0x1E) || second == 0x38 || second == 0x3A)) {
      return false;
    }
    if ((first == 0xC4 || first == 0xC5 || first == 0x62) && second >= 0xC0) return false;
  }

  const std::string text = Lower(objdumpText);
  if (text.find("xmm") != std::string::npos || text.find("(bad)") != std::string::npos ||
      StartsWith(text, ".byte")) {
    return false;
  }
  const Instruction instruction = Parse(text, false);
  static const std::array<std::string_view, 89> kOutside = {
      "endbr32", "popcnt", "lzcnt", "tzcnt", "lfence", "mfence", "sfence", "clflush", "fxsave",
      "fxrstor", "ldmxcsr", "stmxcsr", "movnti", "maskmovq", "movntq", "pshufw", "pminub", "pmaxub",
      "pavgb", "pavgw", "pmulhuw", "psadbw", "pextrw", "pinsrw", "pmovmskb", "pminsw", "pmaxsw",
      "paddq", "psubq", "pmuludq", "ud0", "ud1", "syscall", "sysret", "femms", "fisttp", "ffreep",
      "rdrand", "rdseed", "int1", "salc", "getsec", "palignr", "pshufb", "phaddw", "phaddd",
      "phaddsw", "pmaddubsw", "phsubw", "phsubd", "phsubsw", "psignb", "psignw", "psignd",
      "pmulhrsw", "pabsb", "pabsw", "pabsd", "cvtps2pi", "cvttps2pi", "cvtpi2ps", "wbnoinvd",
      "movdiri",
      // The register forms of 0F 01 that later processors gave meanings.
      "pconfig", "encls", "enclu", "enclv", "xend", "xtest", "clac", "stac", "swapgs", "rdpkru",
      "wrpkru", "serialize", "clzero", "rdpru", "mcommit", "invlpgb", "tlbsync", "mwait", "mwaitx",
      "monitorx", "uiret", "clui", "stui", "testui", "xsusldtrk", "xresldtrk"};
  static const std::array<std::string_view, 14> kOutsidePrefixes = {
      "prefetch", "pf", "fneni", "fnsetpm", "fndisi",  "frstpm", "rdtscp",
      "xgetbv",   "vm", "movbe", "crc32",   "monitor", "xsave",  "xrstor"};
  const std::string& mnemonic = instruction.mnemonic;
  if (std::find(kOutside.begin(), kOutside.end(), mnemonic) != kOutside.end()) return false;
  for (std::string_view prefix : kOutsidePrefixes) {
    if (StartsWith(mnemonic, prefix)) return false;
  }
  return true;
}

NormalizedComparison CompareWithObjdump(std::string_view ourText, std::string_view objdumpText) {
  const Instruction ours = Parse(ourText, true);
  Instruction theirs = Parse(objdumpText, false);
  NormalizedComparison comparison;
  comparison.ours = Describe(ours);
  comparison.theirs = Describe(theirs);
  if (theirs.data16 && IsBranch(theirs.mnemonic)) {
    for (Operand& operand : theirs.operands) {
      for (Piece& piece : operand.pieces) {
        if (piece.number) *piece.number &= 0xFFFF;
      }
    }
  }
  auto sameOperands = [&](bool swapped) {
    for (std::size_t i = 0; i < ours.operands.size(); ++i) {
      const std::size_t j = swapped ? ours.operands.size() - 1 - i : i;
      if (!SameOperand(ours.operands[i], theirs.operands[j])) return false;
    }
    return true;
  };
  comparison.equal = ours.prefixes == theirs.prefixes && ours.mnemonic == theirs.mnemonic &&
                     ours.operands.size() == theirs.operands.size() &&
                     (sameOperands(false) || (ours.mnemonic == "xchg" && sameOperands(true)));
  return comparison;
}
