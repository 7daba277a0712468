// The sender each web delivery value makes, and the project texts turned
// from the ANSI code page into UTF-8: the Windows side of the senders' texts.
#include <windows.h>

#include <gtest/gtest.h>

#include "delivery/EWebToolsTrackers.h"
#include "delivery/EWebToolsTrackersCodePage.h"

namespace {

TEST(TrackerTexts, SenderOfEachWebDelivery) {
  EXPECT_NE(dynamic_cast<THTTPBugzillaSendReport*>(MakeTrackerSender(4).get()), nullptr);
  EXPECT_NE(dynamic_cast<THTTPFogBugzSendReport*>(MakeTrackerSender(5).get()), nullptr);
  EXPECT_NE(dynamic_cast<THTTPMantisSendReport*>(MakeTrackerSender(6).get()), nullptr);
  for (int other : {0, 1, 2, 3, 7}) EXPECT_EQ(MakeTrackerSender(other), nullptr) << other;
}

TEST(TrackerTexts, AnsiToUtf8) {
  EXPECT_EQ(AnsiToUtf8("Brisole"), "Brisole");
  EXPECT_EQ(AnsiToUtf8(""), "");
  if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 1252";
  EXPECT_EQ(AnsiToUtf8("Caff\xe8 \x80"), "Caff\xc3\xa8 \xe2\x82\xac");
}

}  // namespace
