// The layout rules of the dialogs as numbers: rows, button widths and
// right alignment, the request's growth, the centring.
#include <gtest/gtest.h>

#include "dialogs/EDialogLayout.h"
#include "dialogs/EDialogResources.h"

namespace {

TClassicLayoutInput EverythingShown() {
  TClassicLayoutInput in;
  in.HeaderHeight = 26;
  in.MessageHeight = 13;
  in.LineHeight = 13;
  in.ShowTerminate = true;
  in.SendingOffered = true;
  in.TellHeight = 13;
  in.ReportHeight = 26;
  in.ShowDetails = true;
  in.DetailsHeight = 13;
  in.ShowReproduce = true;
  in.QuestionHeight = 13;
  in.FixedLineHeight = 11;
  in.ShowEmail = true;
  in.EmailLabelWidth = 120;
  in.ShowHelp = true;
  in.SendTextWidth = 100;
  in.DontSendTextWidth = 50;
  in.HelpTextWidth = 20;
  in.BorderWidth = 1;
  return in;
}

}  // namespace

TEST(ClassicLayout, TextAreas_At8And356WideTheMessageFrom59) {
  const TClassicLayout layout = LayOutClassicDialog(EverythingShown());
  for (int id :
       {IDC_CLASSIC_HEADER, IDC_CLASSIC_MESSAGE, IDC_CLASSIC_TERMINATE, IDC_CLASSIC_TELL,
        IDC_CLASSIC_REPORT, IDC_CLASSIC_DETAILS, IDC_CLASSIC_QUESTION, IDC_CLASSIC_REPRODUCE}) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(layout.Controls.count(id));
    EXPECT_EQ(layout.Controls.at(id).Left, 8);
    EXPECT_EQ(layout.Controls.at(id).Width(), 356);
  }
  EXPECT_EQ(layout.Controls.at(IDC_CLASSIC_HEADER).Top, (52 - 26) / 2);
  EXPECT_EQ(layout.Controls.at(IDC_CLASSIC_MESSAGE).Top, 59);
  EXPECT_EQ(layout.Controls.at(IDC_CLASSIC_REPRODUCE).Height(), 4 * 11 + 8);
  // Top to bottom, none overlapping the next.
  const int order[] = {IDC_CLASSIC_MESSAGE,   IDC_CLASSIC_TERMINATE, IDC_CLASSIC_TELL,
                       IDC_CLASSIC_REPORT,    IDC_CLASSIC_DETAILS,   IDC_CLASSIC_QUESTION,
                       IDC_CLASSIC_REPRODUCE, IDC_CLASSIC_EMAIL,     IDC_CLASSIC_SEND};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    EXPECT_LE(layout.Controls.at(order[i - 1]).Bottom, layout.Controls.at(order[i]).Top) << i;
  }
  const TDialogRect email = layout.Controls.at(IDC_CLASSIC_EMAIL);
  EXPECT_GT(email.Left, 8 + 120);
  EXPECT_EQ(email.Right, 8 + 356) << "the e-mail box ends with the text areas";
}

TEST(ClassicLayout, Buttons_RightAlignedTo405AtLeast75Wide) {
  struct TRow {
    int sendText, dontSendText, sendWidth, dontSendWidth;
  };
  // text + 4 borders + 16, at least 75.
  const TRow rows[] = {
      {100, 50, 120, 75}, {40, 40, 75, 75}, {55, 56, 75, 76}, {200, 150, 220, 170}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.sendText);
    TClassicLayoutInput in = EverythingShown();
    in.SendTextWidth = row.sendText;
    in.DontSendTextWidth = row.dontSendText;
    const TClassicLayout layout = LayOutClassicDialog(in);
    const TDialogRect send = layout.Controls.at(IDC_CLASSIC_SEND);
    const TDialogRect dontSend = layout.Controls.at(IDC_CLASSIC_DONT_SEND);
    EXPECT_EQ(dontSend.Right, 405);
    EXPECT_EQ(dontSend.Width(), row.dontSendWidth);
    EXPECT_EQ(send.Width(), row.sendWidth);
    EXPECT_LT(send.Right, dontSend.Left) << "send stands left of Don't Send";
    EXPECT_EQ(send.Top, dontSend.Top);
    EXPECT_EQ(send.Height(), 23);
  }
  EXPECT_EQ(LayOutClassicDialog(EverythingShown()).Controls.at(IDC_CLASSIC_HELP).Left, 8);
  EXPECT_EQ(ButtonWidth(60, 2), 84);
}

TEST(ClassicLayout, HiddenRows_TakeNoPlace) {
  TClassicLayoutInput in = EverythingShown();
  const int full = LayOutClassicDialog(in).ClientHeight;
  in.SendingOffered = false;
  in.ShowEmail = false;
  in.ShowReproduce = false;
  in.ShowTerminate = false;
  in.ShowHelp = false;
  const TClassicLayout small = LayOutClassicDialog(in);
  EXPECT_LT(small.ClientHeight, full);
  for (int id : {IDC_CLASSIC_TERMINATE, IDC_CLASSIC_TELL, IDC_CLASSIC_REPORT, IDC_CLASSIC_DETAILS,
                 IDC_CLASSIC_QUESTION, IDC_CLASSIC_REPRODUCE, IDC_CLASSIC_EMAIL_LABEL,
                 IDC_CLASSIC_EMAIL, IDC_CLASSIC_SEND, IDC_CLASSIC_HELP}) {
    EXPECT_FALSE(small.Controls.count(id)) << id;
  }
  EXPECT_EQ(small.Controls.at(IDC_CLASSIC_DONT_SEND).Top, 59 + 13 + 8 + 4)
      << "the button row follows the message";
}

TEST(DialogPlacement, CentredIn_HalvesTruncatedTowardsZero) {
  struct TRow {
    TDialogRect area;
    int width, height, left, top;
  };
  const TRow rows[] = {
      {{0, 0, 1280, 1024}, 419, 400, 430, 312},
      {{0, 0, 1280, 994}, 419, 401, 430, 296},   // 296.5 truncated
      {{100, 50, 300, 150}, 419, 300, -9, -50},  // larger than the area: -9.5 goes to -9
      {{-1280, 0, 0, 1024}, 420, 400, -850, 312},
  };
  for (const TRow& row : rows) {
    const TDialogRect at = CentredIn(row.area, row.width, row.height);
    EXPECT_EQ(at.Left, row.left);
    EXPECT_EQ(at.Top, row.top);
    EXPECT_EQ(at.Width(), row.width);
    EXPECT_EQ(at.Height(), row.height);
  }
}

TEST(RequestLayout, GrowsByTheLabelAndPlacesEditAndButton) {
  const TRequestLayout layout = LayOutRequest(339, 220, 26);
  EXPECT_EQ(layout.WindowHeight, 236);
  EXPECT_EQ(layout.Label, (TDialogRect{10, 10, 10 + 312, 10 + 26}));
  EXPECT_EQ(layout.Edit, (TDialogRect{10, 40, 10 + 312, 40 + 236 - 26 - 83}));
  EXPECT_EQ(layout.Button.Left, 312 - 65);
  EXPECT_EQ(layout.Button.Top, 26 + (236 - 26 - 83) + 20);
  EXPECT_EQ(layout.Button.Width(), 75);
  EXPECT_EQ(layout.Button.Height(), 23);
}

TEST(ButtonTexts, WithoutAccelerators_MeasuresWhatIsShown) {
  EXPECT_EQ(WithoutAccelerators("&Send Error Report"), "Send Error Report");
  EXPECT_EQ(WithoutAccelerators("Fish && &Chips"), "Fish & Chips");
  EXPECT_EQ(WithoutAccelerators("trailing&"), "trailing");
}
