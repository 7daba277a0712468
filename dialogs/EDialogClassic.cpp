#include "dialogs/EDialogClassic.h"

#include <windows.h>

#include <string>

#include "dialogs/EDialogFrame.h"
#include "dialogs/EDialogResources.h"
#include "engine/ECoreOptionFlags.h"
#include "engine/ECoreOptions.h"
#include "engine/ECoreServices.h"
#include "platform/runtime/LineBreaks.h"
#include "platform/runtime/TextTrim.h"

namespace {

// Customizable texts of the classic dialog.
enum : int {
  kTextCaption = 3,
  kTextOk = 17,
  kTextHelp = 21,
  kTextHeader = 26,
  kTextRestart = 27,
  kTextTerminate = 28,
  kTextTell = 29,
  kTextReport = 30,
  kTextDetails = 31,
  kTextLink = 32,
  kTextQuestion = 33,
  kTextEmail = 34,
  kTextSend = 35,
  kTextDontSend = 36,
  kTextInvalidEmail = 157,
};
constexpr COLORREF kLinkColour = RGB(0, 0, 255);
constexpr int kMaximumMessageLines = 8;

std::string Trimmed(const std::string& text) {
  return std::string(TrimBlanks(text));
}

void Place(HWND dialog, int id, const TDialogRect& r) {
  SetWindowPos(GetDlgItem(dialog, id), nullptr, r.Left, r.Top, r.Width(), r.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

class TClassicDialog {
 public:
  TClassicDialog(int& kind, const TDialogException& exception, IDialogEvents& events,
                 TDialogChoices& choices, const TDialogRect& workArea, bool& shown)
      : kind_(kind),
        exception_(exception),
        options_(*exception.Options),
        events_(events),
        choices_(choices),
        workArea_(workArea),
        frame_(options_, shown) {}

  bool Terminate() const { return terminate_; }

  void Run() { RunModalDialog(EL_MS_DIALOG_NAME, *this, ended_); }
  TDialogFrame& Frame() { return frame_; }

  INT_PTR Message(HWND dialog, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
      case WM_INITDIALOG:
        return Open(dialog);
      case WM_COMMAND:
        Command(LOWORD(w), HIWORD(w));
        return TRUE;
      case WM_CLOSE:
        kind_ = dkNone;
        Finish();
        return TRUE;
      case WM_PAINT:
        PaintHeader();
        return TRUE;
      case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(l) == GetDlgItem(dialog, IDC_CLASSIC_HEADER)) {
          SetBkColor(reinterpret_cast<HDC>(w), GetSysColor(COLOR_WINDOW));
          return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
        }
        return FALSE;
      case WM_DRAWITEM:
        if (w == IDC_CLASSIC_DETAILS) DrawDetailsLine(*reinterpret_cast<DRAWITEMSTRUCT*>(l));
        return TRUE;
      case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(w) == GetDlgItem(dialog, IDC_CLASSIC_DETAILS) && OverLink()) {
          SetCursor(LoadCursor(nullptr, IDC_HAND));
          SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
          return TRUE;
        }
        return FALSE;
      case WM_DESTROY:
        if (bitmap_) DeleteObject(bitmap_);
        bitmap_ = nullptr;
        return FALSE;
      default:
        return FALSE;
    }
  }

 private:
  BOOL Open(HWND dialog) {
    dialog_ = dialog;
    frame_.Prepare(dialog, false, true);
    bitmap_ = static_cast<HBITMAP>(
        LoadImageA(DialogResourceModule(), EL_ERROR_NAME, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    offered_ = SendingOffered(options_, exception_.Duplicate);
    SetWindowTextA(dialog, options_.Text(kTextCaption).c_str());
    SetText(IDC_CLASSIC_HEADER, options_.Text(kTextHeader), fonts_.Bold);
    SetText(IDC_CLASSIC_MESSAGE, NormaliseLineBreaks(exception_.Message), fonts_.Message);
    SetText(IDC_CLASSIC_TERMINATE,
            options_.Text(options_.TerminateAction() == 1 ? kTextTerminate : kTextRestart),
            fonts_.Message);
    SetText(IDC_CLASSIC_TELL, options_.Text(kTextTell), fonts_.Bold);
    SetText(IDC_CLASSIC_REPORT, options_.Text(kTextReport), fonts_.Message);
    SetText(IDC_CLASSIC_DETAILS, options_.Text(kTextDetails) + " " + options_.Text(kTextLink),
            fonts_.Message);
    SetText(IDC_CLASSIC_QUESTION, options_.Text(kTextQuestion), fonts_.Message);
    SetText(IDC_CLASSIC_REPRODUCE, NormaliseLineBreaks(options_.ReproduceNote), fonts_.Fixed);
    SetText(IDC_CLASSIC_EMAIL_LABEL, options_.Text(kTextEmail), fonts_.Message);
    SetText(IDC_CLASSIC_EMAIL, IniRead(kDialogSettingsFile, kUserSection, kEmailKey, ""),
            fonts_.Message);
    SetText(IDC_CLASSIC_HELP, options_.Text(kTextHelp), fonts_.Message);
    SetText(IDC_CLASSIC_SEND, options_.Text(kTextSend), fonts_.Message);
    SetText(IDC_CLASSIC_DONT_SEND, options_.Text(offered_ ? kTextDontSend : kTextOk),
            fonts_.Message);
    LayOut();
    HWND focus = GetDlgItem(dialog, IDC_CLASSIC_SEND);
    if (!offered_) {
      EnableWindow(focus, FALSE);
      SendMessageA(focus, BM_SETSTYLE, BS_PUSHBUTTON, FALSE);
      focus = GetDlgItem(dialog, IDC_CLASSIC_DONT_SEND);
      SendMessageA(dialog, DM_SETDEFID, IDC_CLASSIC_DONT_SEND, 0);
      SendMessageA(focus, BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    }
    frame_.Show(focus);
    return FALSE;  // the focus is set
  }

  void SetText(int id, const std::string& text, HFONT font) {
    HWND control = GetDlgItem(dialog_, id);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextA(control, text.c_str());
  }

  int Wrapped(int id, HFONT font) {
    return WrappedTextHeight(dialog_, font, ControlText(dialog_, id).c_str(), kClassicTextWidth);
  }

  int Width(int id, HFONT font) {
    return TextWidth(dialog_, font, WithoutAccelerators(ControlText(dialog_, id)).c_str());
  }

  void LayOut() {
    const std::uint8_t delivery = options_.MailDelivery();
    TClassicLayoutInput in;
    in.LineHeight = LineHeight(dialog_, fonts_.Message);
    in.HeaderHeight = Wrapped(IDC_CLASSIC_HEADER, fonts_.Bold);
    in.MessageHeight = std::min(Wrapped(IDC_CLASSIC_MESSAGE, fonts_.Message),
                                kMaximumMessageLines * in.LineHeight);
    in.ShowTerminate = options_.TerminateAction() != 0 &&
                       exception_.HandledCount > options_.TerminateButtonAfter();
    in.SendingOffered = offered_;
    in.TellHeight = Wrapped(IDC_CLASSIC_TELL, fonts_.Bold);
    in.ReportHeight = Wrapped(IDC_CLASSIC_REPORT, fonts_.Message);
    in.ShowDetails =
        (options_.DialogFlags() & DlgShowDetailsButton) && events_.DetailedDialogAvailable();
    in.DetailsHeight = Wrapped(IDC_CLASSIC_DETAILS, fonts_.Message);
    in.ShowReproduce = options_.LogFlags() & LogAddReproduceText;
    in.QuestionHeight = Wrapped(IDC_CLASSIC_QUESTION, fonts_.Message);
    in.FixedLineHeight = LineHeight(dialog_, fonts_.Fixed);
    in.ShowEmail = offered_ && (delivery != 1 || options_.WebDelivery() != 0);
    in.EmailLabelWidth = TextWidth(dialog_, fonts_.Message, options_.Text(kTextEmail).c_str());
    in.ShowHelp = options_.DialogFlags() & DlgShowHelpButton;
    in.SendTextWidth = Width(IDC_CLASSIC_SEND, fonts_.Message);
    in.DontSendTextWidth = Width(IDC_CLASSIC_DONT_SEND, fonts_.Message);
    in.HelpTextWidth = Width(IDC_CLASSIC_HELP, fonts_.Message);
    in.BorderWidth = GetSystemMetrics(SM_CXBORDER);
    const TClassicLayout layout = LayOutClassicDialog(in);
    static constexpr int kControls[] = {
        IDC_CLASSIC_HEADER,      IDC_CLASSIC_MESSAGE, IDC_CLASSIC_TERMINATE, IDC_CLASSIC_TELL,
        IDC_CLASSIC_REPORT,      IDC_CLASSIC_DETAILS, IDC_CLASSIC_QUESTION,  IDC_CLASSIC_REPRODUCE,
        IDC_CLASSIC_EMAIL_LABEL, IDC_CLASSIC_EMAIL,   IDC_CLASSIC_HELP,      IDC_CLASSIC_SEND,
        IDC_CLASSIC_DONT_SEND};
    for (int id : kControls) {
      const auto at = layout.Controls.find(id);
      if (at == layout.Controls.end()) {
        ShowWindow(GetDlgItem(dialog_, id), SW_HIDE);
        continue;
      }
      Place(dialog_, id, at->second);
      ShowWindow(GetDlgItem(dialog_, id), SW_SHOWNA);
    }
    RECT window{};
    RECT client{};
    GetWindowRect(dialog_, &window);
    GetClientRect(dialog_, &client);
    const int frameHeight = (window.bottom - window.top) - client.bottom;
    CenterInWorkArea(dialog_, workArea_, kClassicDialogWidth, layout.ClientHeight + frameHeight);
  }

  void PaintHeader() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog_, &paint);
    RECT client{};
    GetClientRect(dialog_, &client);
    RECT band{0, 0, client.right, kClassicHeaderBand};
    FillRect(dc, &band, GetSysColorBrush(COLOR_WINDOW));
    RECT line{0, kClassicHeaderBand, client.right, kClassicHeaderBand + 2};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    if (bitmap_) {
      BITMAP info{};
      GetObjectA(bitmap_, sizeof info, &info);
      HDC memory = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(memory, bitmap_);
      BitBlt(dc, kClassicButtonsRight - info.bmWidth, (kClassicHeaderBand - info.bmHeight) / 2,
             info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteDC(memory);
    }
    EndPaint(dialog_, &paint);
  }

  // Text 31 and a space in the window's colour, then the link text in blue
  // with the underlined font.
  void DrawDetailsLine(const DRAWITEMSTRUCT& item) {
    const std::string lead = options_.Text(kTextDetails) + " ";
    const std::string link = options_.Text(kTextLink);
    HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, fonts_.Message);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    TextOutA(dc, item.rcItem.left, item.rcItem.top, lead.c_str(), static_cast<int>(lead.size()));
    SIZE leadSize{};
    GetTextExtentPoint32A(dc, lead.c_str(), static_cast<int>(lead.size()), &leadSize);
    SelectObject(dc, fonts_.Underlined);
    SetTextColor(dc, kLinkColour);
    TextOutA(dc, item.rcItem.left + leadSize.cx, item.rcItem.top, link.c_str(),
             static_cast<int>(link.size()));
    SIZE linkSize{};
    GetTextExtentPoint32A(dc, link.c_str(), static_cast<int>(link.size()), &linkSize);
    SelectObject(dc, old);
    link_ = {item.rcItem.left + leadSize.cx, item.rcItem.top,
             item.rcItem.left + leadSize.cx + linkSize.cx, item.rcItem.top + linkSize.cy};
  }

  bool OverLink() const {
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(GetDlgItem(dialog_, IDC_CLASSIC_DETAILS), &point);
    return PtInRect(&link_, point) != FALSE;
  }

  void Command(int id, int code) {
    switch (id) {
      case IDC_CLASSIC_SEND:
        if (code != BN_CLICKED) return;
        choices_.SendChosen = true;
        return Finish();
      case IDC_CLASSIC_DONT_SEND:
        if (code != BN_CLICKED) return;
        if (offered_) choices_.SendChosen = false;
        return Finish();
      case IDC_CLASSIC_HELP:
        if (code == BN_CLICKED && events_.CustomButtonClick()) Finish();
        return;
      case IDCANCEL:
        return Cancel();
      case IDC_CLASSIC_MESSAGE:
      case IDC_CLASSIC_REPRODUCE:
        // A multi-line edit box keeps the Escape key: leaving it with the key
        // down cancels as the key does elsewhere.
        if (code == EN_KILLFOCUS && GetKeyState(VK_ESCAPE) < 0) Cancel();
        return;
      case IDC_CLASSIC_DETAILS:
        if (code == STN_CLICKED && OverLink()) {
          kind_ = dkDetailed;
          Finish();
        }
        return;
      default:
        return;
    }
  }

  void Cancel() {
    if (ended_) return;
    choices_.SendChosen = false;
    cancelled_ = true;
    SendMessageA(dialog_, WM_CLOSE, 0, 0);
  }

  void Finish() {
    if (ended_) return;
    const std::string email = Trimmed(ControlText(dialog_, IDC_CLASSIC_EMAIL));
    if (email.find('@') != std::string::npos && email.find('.') != std::string::npos) {
      try {
        IniWrite(kDialogSettingsFile, kUserSection, kEmailKey, email);
      } catch (const std::exception&) {
        // The address still goes into this report; it is only not offered next time.
      }
      events_.UserEmailTyped(email);
    } else if (!email.empty()) {
      frame_.StopAutoClose();
      ShowErrorBox(dialog_, options_, kTextInvalidEmail);
      frame_.StartAutoClose();
      if (kind_ == dkNone) kind_ = dkClassic;  // a close request is withdrawn with it
      return;
    }
    options_.ReproduceNote = Trimmed(ControlText(dialog_, IDC_CLASSIC_REPRODUCE));
    const bool checked = IsWindowVisible(GetDlgItem(dialog_, IDC_CLASSIC_TERMINATE)) &&
                         IsDlgButtonChecked(dialog_, IDC_CLASSIC_TERMINATE) == BST_CHECKED;
    terminate_ = (exception_.TerminateRequested || checked) &&
                 !(cancelled_ && options_.RequestedTerminateAction == 0);
    ended_ = true;
  }

  int& kind_;
  const TDialogException& exception_;
  TDovaroModuleOptions& options_;
  IDialogEvents& events_;
  TDialogChoices& choices_;
  const TDialogRect& workArea_;
  TDialogFrame frame_;
  TDialogFonts fonts_;
  HWND dialog_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  RECT link_{};
  bool offered_ = false;
  bool cancelled_ = false;
  bool terminate_ = false;
  bool ended_ = false;
};

}  // namespace

bool SendingOffered(const TDovaroModuleOptions& options, bool duplicate) {
  return (options.MailDelivery() != 0 || options.WebDelivery() != 0) &&
         (options.DialogFlags() & DlgOfferSending) && !duplicate;
}

void RunClassicDialog(int& kind, const TDialogException& exception, IDialogEvents& events,
                      TDialogChoices& choices, const TDialogRect& workArea, bool& shown,
                      bool& terminate) {
  TClassicDialog dialog(kind, exception, events, choices, workArea, shown);
  dialog.Run();
  terminate = dialog.Terminate();
}
