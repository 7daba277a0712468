// The per-module shared options area: one module publishes, others refresh.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine/ECore.h"
#include "tests/engine/support/EngineTestModules.h"

namespace {

// A handle no module of this process has: areas of it belong to this test.
TModuleHandle FakeModule(int n) {
  return reinterpret_cast<TModuleHandle>(0x7E000000 + 0x10000 * n);
}

std::vector<std::uint8_t> Payload(const TDovaroModuleOptions& options) {
  std::vector<std::uint8_t> payload{1};
  const auto stream = SaveOptionsToBytes(options);
  payload.insert(payload.end(), stream.begin(), stream.end());
  return payload;
}

}  // namespace

TEST(SharedArea, Name_IsProcessIdAndModuleHandleInHexadecimal) {
  EXPECT_EQ(SharedOptionsAreaName(0x1A2B, reinterpret_cast<TModuleHandle>(0x10000000)),
            "00001A2B10000000");
  EXPECT_EQ(SharedOptionsAreaName(0xFFFFFFFF, reinterpret_cast<TModuleHandle>(0xABCDEF00)),
            "FFFFFFFFABCDEF00");
}

TEST(SharedArea, ModulePublishes_SecondReaderRefreshesAndSeesTheChange) {
  TLoadedModule probe(BesideTests("eldata_probe_resource.dll"));
  const auto record = LoadModuleRecord(probe.Handle(), "", true);
  ASSERT_TRUE(record->EngineDataLoaded);
  EXPECT_EQ(record->Options->MaxLoggedErrors(), 12u);

  // The probe changes its own option; its engine publishes at once.
  ASSERT_EQ(probe.Export<int (*)(unsigned)>("ProbeSetMaxLoggedErrors")(77), 1);
  EXPECT_EQ(record->Options->MaxLoggedErrors(), 12u) << "not seen before a refresh";
  record->Options->Refresh();
  EXPECT_EQ(record->Options->MaxLoggedErrors(), 77u);
  EXPECT_EQ(record->Options->StoredText(0), "Probe information.");

  // A record made now refreshes while it loads.
  EXPECT_EQ(LoadModuleRecord(probe.Handle(), "", true)->Options->MaxLoggedErrors(), 77u);
}

TEST(SharedArea, RefreshWithoutOptions_KeepsTheCurrentValues) {
  TDovaroModuleOptionsEx options("fake.dll", FakeModule(1));
  options.SetWebDelivery(3);
  options.Refresh();  // no area at all
  EXPECT_EQ(options.WebDelivery(), 3);

  ASSERT_TRUE(EnsureSharedOptionsArea(FakeModule(1)));  // payload 0: no options yet
  options.Refresh();
  EXPECT_EQ(options.WebDelivery(), 3);

  ASSERT_TRUE(PublishSharedOptionsArea(FakeModule(1), std::vector<std::uint8_t>{1, 0, 1, 2, 3}));
  options.Refresh();  // damaged stream
  EXPECT_EQ(options.WebDelivery(), 3);
  TDovaroModuleOptions expected;
  expected.SetWebDelivery(3);
  EXPECT_TRUE(options.SameStoredValues(expected));
  ReleaseSharedOptionsArea(FakeModule(1));
}

TEST(SharedArea, PublishThenRefresh_CarriesEveryStoredValue) {
  TDovaroModuleOptions source;
  source.SetWebAddress("http://tracker.example/");
  source.Filters().Add({true, "EOne", "", 2, 3, 1, 0});
  source.SetText(157, "Bad address.");
  ASSERT_TRUE(PublishSharedOptionsArea(FakeModule(2), Payload(source)));
  TDovaroModuleOptionsEx reader("fake.dll", FakeModule(2));
  reader.Refresh();
  EXPECT_TRUE(reader.SameStoredValues(source));
  ReleaseSharedOptionsArea(FakeModule(2));
  EXPECT_FALSE(ReadSharedOptionsArea(FakeModule(2), GetCurrentProcessId()).has_value());
}

TEST(SharedArea, ReaderHoldingTheArea_DoesNotBreakALaterPublication) {
  const std::vector<std::uint8_t> first = {1, 'a'};
  ASSERT_TRUE(PublishSharedOptionsArea(FakeModule(3), first));
  const auto held = TSharedOptionsArea::Open(FakeModule(3), 0, GetCurrentProcessId());
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->Payload().size(), 2u);

  // The section lives on in the reader's view: a larger payload that fits its
  // room is written into it.
  const std::vector<std::uint8_t> larger(20000, 7);
  ASSERT_TRUE(PublishSharedOptionsArea(FakeModule(3), larger));
  EXPECT_EQ(ReadSharedOptionsArea(FakeModule(3), GetCurrentProcessId()), larger);

  // One that does not fit is refused rather than written past the end.
  const std::vector<std::uint8_t> huge(200000, 9);
  EXPECT_FALSE(PublishSharedOptionsArea(FakeModule(3), huge));
  ReleaseSharedOptionsArea(FakeModule(3));
}

TEST(SharedArea, OpeningWithoutPayload_NeedsAnExistingArea) {
  EXPECT_EQ(TSharedOptionsArea::Open(FakeModule(4), 0, GetCurrentProcessId()), nullptr);
  EXPECT_FALSE(ReadSharedOptionsArea(FakeModule(4), GetCurrentProcessId()).has_value());
}
