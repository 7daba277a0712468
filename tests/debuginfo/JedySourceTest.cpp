#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>

#include "DebugBlockWriter.h"
#include "FakeModuleAccess.h"
#include "JdbgWriter.h"
#include "LocationExpectations.h"
#include "debuginfo/EDebugByteCursor.h"
#include "debuginfo/EDebugLocate.h"
#include "debuginfo/EDebugJedy.h"

namespace {

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
