// Where the dialogs put things, in pixels: the classic dialog's rows, the
// steps-to-reproduce request, button widths and centring. Pure: the window
// code measures the texts and hands the measures in.
#pragma once

#include <map>
#include <string>
#include <string_view>

struct TDialogRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TDialogRect&) const = default;
};

// The fixed measures of the classic dialog.
inline constexpr int kClassicTextLeft = 8;
inline constexpr int kClassicTextWidth = 356;
inline constexpr int kClassicDialogWidth = 419;
inline constexpr int kClassicButtonsRight = 405;
inline constexpr int kClassicHeaderBand = 52;
inline constexpr int kClassicMessageTop = 59;
inline constexpr int kMinimumButtonWidth = 75;
inline constexpr int kButtonHeight = 23;

// A button as wide as its text without "&" (the measured width) plus four
// border widths and 16 pixels, at least 75.
int ButtonWidth(int textWidth, int borderWidth);
// A caption without its "&" marks ("&&" stays one "&"), as it is measured.
std::string WithoutAccelerators(std::string_view text);

// What the classic dialog shows and how high its texts are (each wrapped to
// kClassicTextWidth in its font).
struct TClassicLayoutInput {
  int HeaderHeight = 0;   // text 26, bold
  int MessageHeight = 0;  // the exception message
  int LineHeight = 0;     // one line of the message font
  bool ShowTerminate = false;
  bool SendingOffered = false;
  int TellHeight = 0;    // text 29, bold
  int ReportHeight = 0;  // text 30
  bool ShowDetails = false;
  int DetailsHeight = 0;  // text 31, a space and the link text 32
  bool ShowReproduce = false;
  int QuestionHeight = 0;   // text 33
  int FixedLineHeight = 0;  // one line of the fixed font (the reproduce box holds four)
  bool ShowEmail = false;
  int EmailLabelWidth = 0;  // text 34 in one line
  bool ShowHelp = false;
  int SendTextWidth = 0;      // text 35 without "&"
  int DontSendTextWidth = 0;  // text 36 (or 17) without "&"
  int HelpTextWidth = 0;      // text 21 without "&"
  int BorderWidth = 1;
};

struct TClassicLayout {
  std::map<int, TDialogRect> Controls;  // by control id; hidden controls are absent
  int ClientHeight = 0;
};

TClassicLayout LayOutClassicDialog(const TClassicLayoutInput& input);

// The steps-to-reproduce request: the window of `windowWidth` x
// `windowHeight` (as its template made it) grows by labelHeight - 10.
struct TRequestLayout {
  TDialogRect Label;
  TDialogRect Edit;
  TDialogRect Button;
  int WindowHeight = 0;
};
// The label's width: windowWidth - 27.
int RequestLabelWidth(int windowWidth);
TRequestLayout LayOutRequest(int windowWidth, int windowHeight, int labelHeight);

// A window of `width` x `height` centred in `area`, the halves truncated
// towards zero.
TDialogRect CentredIn(const TDialogRect& area, int width, int height);
