#include "dialogs/EDialogLayout.h"

#include <algorithm>

#include "dialogs/EDialogResources.h"

namespace {
constexpr int kRowGap = 8;         // between the rows of the classic dialog
constexpr int kLabelGap = 4;       // between a label and what it introduces
constexpr int kButtonGap = 8;      // between two buttons of the row
constexpr int kCheckBoxExtra = 4;  // a check box is a text line plus its box's margin
constexpr int kEditExtra = 8;      // an edit box's borders and margins
constexpr int kBottomMargin = 8;

TDialogRect At(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}
}  // namespace

int ButtonWidth(int textWidth, int borderWidth) {
  return std::max(kMinimumButtonWidth, textWidth + 4 * borderWidth + 16);
}

std::string WithoutAccelerators(std::string_view text) {
  std::string out;
  for (std::string_view::size_type i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && ++i == text.size()) break;  // "&&" stands for one "&"
    out += text[i];
  }
  return out;
}

TClassicLayout LayOutClassicDialog(const TClassicLayoutInput& in) {
  TClassicLayout out;
  auto& c = out.Controls;
  const int x = kClassicTextLeft;
  const int w = kClassicTextWidth;
  c[IDC_CLASSIC_HEADER] =
      At(x, std::max(0, (kClassicHeaderBand - in.HeaderHeight) / 2), w, in.HeaderHeight);
  int y = kClassicMessageTop;
  c[IDC_CLASSIC_MESSAGE] = At(x, y, w, in.MessageHeight);
  y += in.MessageHeight + kRowGap;
  if (in.ShowTerminate) {
    c[IDC_CLASSIC_TERMINATE] = At(x, y, w, in.LineHeight + kCheckBoxExtra);
    y += in.LineHeight + kCheckBoxExtra + kRowGap;
  }
  if (in.SendingOffered) {
    c[IDC_CLASSIC_TELL] = At(x, y, w, in.TellHeight);
    y += in.TellHeight + kLabelGap;
    c[IDC_CLASSIC_REPORT] = At(x, y, w, in.ReportHeight);
    y += in.ReportHeight + kRowGap;
    if (in.ShowDetails) {
      c[IDC_CLASSIC_DETAILS] = At(x, y, w, in.DetailsHeight);
      y += in.DetailsHeight + kRowGap;
    }
  }
  if (in.ShowReproduce) {
    c[IDC_CLASSIC_QUESTION] = At(x, y, w, in.QuestionHeight);
    y += in.QuestionHeight + kLabelGap;
    const int editHeight = 4 * in.FixedLineHeight + kEditExtra;
    c[IDC_CLASSIC_REPRODUCE] = At(x, y, w, editHeight);
    y += editHeight + kRowGap;
  }
  if (in.ShowEmail) {
    const int editHeight = in.LineHeight + kEditExtra;
    c[IDC_CLASSIC_EMAIL_LABEL] =
        At(x, y + (editHeight - in.LineHeight) / 2, in.EmailLabelWidth, in.LineHeight);
    const int editLeft = x + in.EmailLabelWidth + kRowGap;
    c[IDC_CLASSIC_EMAIL] = At(editLeft, y, x + w - editLeft, editHeight);
    y += editHeight + kRowGap;
  }
  y += kLabelGap;  // the button row stands a little apart
  const int dontSendWidth = ButtonWidth(in.DontSendTextWidth, in.BorderWidth);
  const int dontSendLeft = kClassicButtonsRight - dontSendWidth;
  c[IDC_CLASSIC_DONT_SEND] = At(dontSendLeft, y, dontSendWidth, kButtonHeight);
  if (in.SendingOffered) {
    const int sendWidth = ButtonWidth(in.SendTextWidth, in.BorderWidth);
    c[IDC_CLASSIC_SEND] = At(dontSendLeft - kButtonGap - sendWidth, y, sendWidth, kButtonHeight);
  }
  if (in.ShowHelp) {
    c[IDC_CLASSIC_HELP] = At(x, y, ButtonWidth(in.HelpTextWidth, in.BorderWidth), kButtonHeight);
  }
  out.ClientHeight = y + kButtonHeight + kBottomMargin;
  return out;
}

int RequestLabelWidth(int windowWidth) {
  return windowWidth - 27;
}

TRequestLayout LayOutRequest(int windowWidth, int windowHeight, int labelHeight) {
  TRequestLayout out;
  const int w = RequestLabelWidth(windowWidth);
  out.WindowHeight = windowHeight + labelHeight - 10;
  out.Label = At(10, 10, w, labelHeight);
  const int editHeight = out.WindowHeight - labelHeight - 83;
  out.Edit = At(10, labelHeight + 14, w, editHeight);
  out.Button = At(w - 65, labelHeight + editHeight + 20, 75, kButtonHeight);
  return out;
}

TDialogRect CentredIn(const TDialogRect& area, int width, int height) {
  const int left = area.Left + (area.Width() - width) / 2;
  const int top = area.Top + (area.Height() - height) / 2;
  return At(left, top, width, height);
}
