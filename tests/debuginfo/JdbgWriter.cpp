#include "JdbgWriter.h"

#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "debuginfo/EDebugJedy.h"

namespace {

std::uint32_t PackedCode(char c) {
  if (c >= '0' && c <= '9') return c - '0' + 1;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 11;
  if (c >= 'a' && c <= 'z') return c - 'a' + 37;
  return 63;
}

}  // namespace

std::string VarUInt(std::uint32_t value) {
  std::string bytes;
  do {
    std::uint8_t group = value & 0x7F;
    value >>= 7;
    if (value != 0) group |= 0x80;
    bytes += static_cast<char>(group);
  } while (value != 0);
  return bytes;
}

std::string PackedName(const std::string& text) {
  std::string bytes;
  std::uint32_t bits = 0;
  int count = 0;
  auto put = [&](std::uint32_t code) {
    bits |= code << count;
    count += 6;
    while (count >= 8) {
      bytes += static_cast<char>(bits & 0xFF);
      bits >>= 8;
      count -= 8;
    }
  };
  for (char c : text) put(PackedCode(c));
  put(0);
  if (count > 0) bytes += static_cast<char>(bits & 0xFF);
  return bytes;
}

std::string XorName(const std::string& text) {
  std::string bytes = "\x01";
  for (char c : text) {
    const auto b = static_cast<std::uint8_t>(c);
    bytes += static_cast<char>(b == kJdbgNameKey ? b : b ^ kJdbgNameKey);
  }
  return bytes + '\0';
}

std::string JdbgWriter::Data() const {
  std::string names;
  auto add = [&](const std::string& encoded) {
    const auto index = static_cast<std::uint32_t>(names.size() + 1);
    names += encoded;
    return index;
  };
  const std::uint32_t jUnit = add(PackedName("JUnit")), jOther = add(PackedName("JOther"));
  const std::uint32_t jUnitPas = add(XorName("JUnit.pas")), jOtherPas = add(XorName("JOther.pas"));
  const std::uint32_t tj = add(PackedName("TJ")), run = add(PackedName("Run"));
  const std::uint32_t helper = add(PackedName("Helper")), start = add("\x02" + PackedName("Start"));

  auto pairs = [](std::vector<std::pair<std::uint32_t, std::uint32_t>> rows) {
    std::string bytes;
    std::uint32_t a = 0, b = 0;
    for (auto [x, y] : rows) {
      bytes += VarUInt(x - a) + VarUInt(y - b);
      a = x;
      b = y;
    }
    return bytes + VarUInt(kJdbgTableEnd);
  };
  const std::string units = pairs({{0x100, jUnit}, {0x400, jOther}});
  const std::string sources = pairs({{0x100, jUnitPas}, {0x400, jOtherPas}});
  const std::string lines =
      pairs({{0x110, 20}, {0x120, 21}, {0x200, 30}, {0x410, 5}, {0x420, 3}});  // 3: a step back
  std::string symbols;
  std::uint32_t a = 0, f = 0, s = 0;
  for (auto [x, y, z] : std::vector<std::array<std::uint32_t, 3>>{
           {0x110, tj, run}, {0x200, helper, 0}, {0x410, start, 0}}) {
    symbols += VarUInt(x - a) + VarUInt(y - f) + VarUInt(z - s);
    a = x, f = y, s = z;
  }
  symbols += VarUInt(kJdbgTableEnd);

  TJdbgHeader header{};
  std::memcpy(header.Signature, "JDBG", 4);
  header.Version = 1;
  std::string body;
  auto place = [&](const std::string& part) {
    const auto at = static_cast<std::uint32_t>(sizeof(header) + body.size());
    body += part;
    return at;
  };
  header.Units = place(units);
  header.SourceNames = place(sources);
  header.Symbols = place(symbols);
  header.LineNumbers = place(lines);
  header.Words = place(names);
  header.CheckSumPresent = CheckSumPresent ? 1 : 0;
  std::string data(reinterpret_cast<const char*>(&header), sizeof(header));
  data += body;
  data.resize((data.size() + 3) / 4 * 4, '\0');
  if (CheckSumPresent) {
    // The stored sum makes "sum of all words minus itself, rotated right by
    // 8" come out as itself: it is the sum of the words without it.
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < data.size(); i += 4) {
      std::uint32_t word;
      std::memcpy(&word, data.data() + i, 4);
      sum += word;
    }
    std::memcpy(data.data() + offsetof(TJdbgHeader, CheckSum), &sum, 4);
  }
  return data;
}
