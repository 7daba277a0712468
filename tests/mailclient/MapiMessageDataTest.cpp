#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "delivery/EMailClientMapiMessage.h"

namespace {

TEST(MapiMessageData, RecipientsAndFiles_OneEntryEach) {
  std::vector<TDeliveryFile> files;
  for (int i = 0; i < 40; ++i)
    files.push_back({"C:\\Temp\\file" + std::to_string(i) + ".zip", "shown" + std::to_string(i)});
  files.push_back({"C:\\Temp\\Package.zip", ""});
  TMapiMessageData data({"a@x.it", "b@y.it"}, "Bug\r\n\t1F2A", "Body\r\ntext", files);
  const TMapiMessage& message = *data.Message();

  EXPECT_STREQ(message.Subject, "Bug 1F2A");
  EXPECT_STREQ(message.NoteText, "Body\r\ntext");
  EXPECT_EQ(message.Originator, nullptr);
  EXPECT_EQ(message.Flags, 0u);
  ASSERT_EQ(message.RecipientCount, 2u);
  EXPECT_EQ(message.Recipients[1].RecipientClass, kMapiTo);
  EXPECT_STREQ(message.Recipients[1].Name, "b@y.it");
  EXPECT_STREQ(message.Recipients[1].Address, "SMTP:b@y.it");
  EXPECT_EQ(message.Recipients[1].EntryIdSize, 0u);
  ASSERT_EQ(message.FileCount, 41u);
  for (std::uint32_t i = 0; i < 40; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(message.Files[i].Position, 0xFFFFFFFFu);
    EXPECT_EQ(message.Files[i].PathName, files[i].Path);
    EXPECT_EQ(message.Files[i].FileName, files[i].ShownName);
  }
  EXPECT_STREQ(message.Files[40].FileName, "Package.zip");
}

TEST(MapiMessageData, NoRecipientsNoFiles_NoTables) {
  TMapiMessageData data({}, "", "", {});
  EXPECT_EQ(data.Message()->RecipientCount, 0u);
  EXPECT_EQ(data.Message()->Recipients, nullptr);
  EXPECT_EQ(data.Message()->FileCount, 0u);
  EXPECT_EQ(data.Message()->Files, nullptr);
}

TEST(RecipientTooLongForMapi, AddressTextOver256Characters_Refused) {
  const std::string longest(kMapiLongestAddress, 'a');
  EXPECT_EQ(kMapiLongestAddress, 251u);
  EXPECT_FALSE(RecipientTooLongForMapi({"a@x.it", longest}));
  EXPECT_EQ(RecipientTooLongForMapi({"a@x.it", longest + "b", "c"}), longest + "b");
}

}  // namespace
