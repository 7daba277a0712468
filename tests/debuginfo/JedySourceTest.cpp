#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>

#include "DebugBlockWriter.h"
#include "FakeModuleAccess.h"
#include "LocationExpectations.h"
#include "debuginfo/EDebugByteCursor.h"
#include "debuginfo/EDebugLocate.h"
#include "debuginfo/EDebugJedy.h"

namespace {

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

std::uint32_t PackedCode(char c) {
  if (c >= '0' && c <= '9') return c - '0' + 1;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 11;
  if (c >= 'a' && c <= 'z') return c - 'a' + 37;
  return 63;
}

// Four 6-bit codes in every three bytes, least significant first, code 0 ends.
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

struct JdbgWriter {
  bool CheckSumPresent = true;

  std::string Data() const {
    std::string names;
    auto add = [&](const std::string& encoded) {
      const auto index = static_cast<std::uint32_t>(names.size() + 1);
      names += encoded;
      return index;
    };
    const std::uint32_t jUnit = add(PackedName("JUnit")), jOther = add(PackedName("JOther"));
    const std::uint32_t jUnitPas = add(XorName("JUnit.pas")),
                        jOtherPas = add(XorName("JOther.pas"));
    const std::uint32_t tj = add(PackedName("TJ")), run = add(PackedName("Run"));
    const std::uint32_t helper = add(PackedName("Helper")),
                        start = add("\x02" + PackedName("Start"));

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
};

bool Valid(const std::string& data) {
  return TELBinDebugScanner(std::vector<std::uint8_t>(data.begin(), data.end())).IsValid();
}

}  // namespace

TEST(JedySource, Names_DecodeAllThreeKinds) {
  const std::string packed = PackedName("Abc_09xyz");
  EXPECT_EQ(DecodeJdbgName(AsBytes(packed)), "Abc_09xyz");
  EXPECT_EQ(DecodeJdbgName(AsBytes("\x02" + PackedName("Start"))), "@Start");
  const std::string withKey = std::string("a") + static_cast<char>(kJdbgNameKey) + "b.pas";
  EXPECT_EQ(DecodeJdbgName(AsBytes(XorName(withKey))), withKey);
  const std::string longName(300, 'n');
  EXPECT_EQ(DecodeJdbgName(AsBytes(PackedName(longName))).size(), 255u);
}

TEST(JedySource, Format_SizeSignatureAndCheckSum) {
  const std::string good = JdbgWriter{}.Data();
  EXPECT_TRUE(Valid(good));
  JdbgWriter unsummed;
  unsummed.CheckSumPresent = false;
  std::string changed = unsummed.Data();
  changed[changed.size() - 1] ^= 0x40;
  EXPECT_TRUE(Valid(changed));  // no checksum: nothing to compare
  std::string damaged = good;
  damaged[damaged.size() - 1] ^= 0x40;
  EXPECT_FALSE(Valid(damaged));
  EXPECT_FALSE(Valid(good.substr(0, 34)));           // no more than the header
  EXPECT_FALSE(Valid(good + std::string(2, '\0')));  // not a multiple of 4
  EXPECT_FALSE(Valid("JDBX" + good.substr(4)));      // signature
}

TEST(JedySource, JdbgFileBesideTheModule_ResolvesUnitsRoutinesAndLines) {
  FakeModuleAccess access;
  access.Files["C:\\fixture\\Module.jdbg"] = JdbgWriter{}.Data();
  auto source = CreateOtherDebugSource(FakeModuleAccess::kHandle, access);
  ASSERT_TRUE(source);
  ASSERT_NE(dynamic_cast<TELDebugInfoJedy*>(source.get()), nullptr);
  struct Row {
    std::uint32_t offset;
    TLocationPrecision precision;
    ExpectedLocation expected;
  } rows[] = {
      {0x125, lpLine, {"JUnit.pas", "TJ", "Run", 21, 1}},
      {0x205, lpLine, {"JUnit.pas", "", "Helper", 30, 0}},
      {0x425, lpLine, {"JOther.pas", "", "_Start", 3, 0}},  // a line before the routine's first
      {0x105, lpModule, {"", "", "", 0, 0}},                // a unit, but no routine yet
      {0x50, lpModule, {"", "", "", 0, 0}},                 // before every unit
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "offset 0x" << std::hex << row.offset);
    const TCodeLocation location =
        LocateWithOtherSource(*source, FakeModuleAccess::kCodeBase + row.offset);
    EXPECT_EQ(location.Precision, row.precision);
    ExpectLocation(location, row.expected);
  }
}

TEST(JedySource, SectionInTheLoadedImage_IsPreferredToTheFile) {
  // A fabricated image: DOS header, PE header with no directories, one
  // "JCLDEBUG" section at RVA 0x2000.
  const std::string data = JdbgWriter{}.Data();
  std::string image(0x2000, '\0');
  image[0] = 'M', image[1] = 'Z';
  image.replace(0x3C, 4, U32Bytes(0x80));
  std::string pe = std::string("PE\0\0", 4) + U16Bytes(0x14C) + U16Bytes(1) +
                   std::string(12, '\0') + U16Bytes(224) + U16Bytes(0x2102);
  std::string optional(224, '\0');
  optional.replace(0, 2, U16Bytes(0x10B));
  optional.replace(92, 4, U32Bytes(16));
  std::string section = "JCLDEBUG" + U32Bytes(data.size()) + U32Bytes(0x2000) +
                        U32Bytes(data.size() + 0x200) + std::string(24, '\0');
  image.replace(0x80, pe.size() + optional.size() + section.size(), pe + optional + section);
  image += data;
  FakeModuleAccess access;
  access.SetImage(image);
  access.Files["C:\\fixture\\Module.jdbg"] = "not JDBG data, never read";
  auto source = CreateOtherDebugSource(FakeModuleAccess::kHandle, access);
  ASSERT_TRUE(source);
  TELLocationInfo info;
  ASSERT_TRUE(source->GetLocation(FakeModuleAccess::kCodeBase + 0x125, info));
  EXPECT_EQ(info.UnitName, "JUnit");
  EXPECT_EQ(info.ProcedureName, "TJ.Run");
  EXPECT_EQ(info.SourceName, "JUnit.pas");
}
