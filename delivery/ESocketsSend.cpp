#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>

#include "delivery/ESockets.h"
#include "delivery/ESocketsMail.h"
#include "delivery/ESocketsSmtp.h"
#include "delivery/ESocketsSystem.h"
#include "delivery/EWinSock.h"

namespace {

// Progress texts (customizable texts of the options).
constexpr int kResolvingDns = 112;
constexpr int kConnecting = 114;
constexpr int kConnected = 115;
constexpr int kSendingMessage = 116;

constexpr unsigned kDirectPort = 25;

void Show(ISendProgress* progress, int textNumber) {
  if (progress) progress->ShowText(textNumber);
}

void Warn(const TWarningSink& warn, std::string_view message) {
  if (warn) warn("[SMTP] " + std::string(message));
}

std::optional<std::string> FileBytes(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<TMailAttachment> MailAttachments(const std::vector<TDeliveryFile>& files) {
  std::vector<TMailAttachment> attachments;
  for (const TDeliveryFile& file : files) {
    if (!file.ShownName.empty()) attachments.push_back({file.ShownName, FileBytes(file.Path)});
  }
  return attachments;
}

bool OffersNoLogin(const TDovaroClientSMTP& smtp) {
  const auto code = smtp.LastReplyCode();
  return code && std::find(std::begin(kSmtpNoLoginCodes), std::end(kSmtpNoLoginCodes), *code) !=
                     std::end(kSmtpNoLoginCodes);
}

// Greeting, RSET, the login and MAIL FROM. A server that answers AUTH LOGIN
// with 500 or 502 offers no login: the user and password are not sent.
void OpenSession(TDovaroClientSMTP& smtp, const TSmtpSession& session) {
  bool noLogin = false;
  for (const TSmtpCommand& command : SmtpOpeningCommands(session)) {
    if (command.Credential && noLogin) continue;
    smtp.SendCommand(command.Line, command.Accepted);
    if (command.LoginStep) noLogin = OffersNoLogin(smtp);
  }
}

}  // namespace

bool SendMailToRecipient(const TSmtpMail& mail, const std::string& recipient,
                         ISendProgress* progress, const TWarningSink& warn) {
  const TSmtpSession credentials{{}, mail.User, mail.Password, {}};
  try {
    if (!ValidRecipient(recipient)) {
      Warn(warn, "Invalid recipient \"" + CleanHeaderText(recipient) + "\".");
      return false;
    }
    Show(progress, kConnecting);
    TDovaroClientSMTP smtp(mail.Server, static_cast<std::uint16_t>(mail.Port), mail.TimeoutMs);
    smtp.HideCredentials(mail.User, mail.Password);
    smtp.Connect();

    const std::string from = FromHeaderValue(mail.Sender, SenderDisplayName());
    const std::string charset = AnsiCharset();
    const std::string body = MimeBody(mail.Body, MailAttachments(mail.Attachments), charset);

    Show(progress, kConnected);
    OpenSession(smtp, {LocalHostName(), mail.User, mail.Password, EnvelopeSender(from)});

    Show(progress, kSendingMessage);
    const TMailHeaders headers{MailDateNow(),   from,   mail.Subject, recipient,
                               MailTickCount(), charset};
    const std::string message = MailMessageText(headers, body);
    smtp.SendCommand("RCPT TO:<" + recipient + ">", {250, 251});
    smtp.SendCommand("DATA", {354});
    if (progress) {
      smtp.SetProgressCallback(
          [progress](TDovaroClientSocket&, std::size_t position, std::size_t total) {
            progress->SetBar(static_cast<int>(std::min<std::size_t>(100, position * 100 / total)));
          });
    }
    smtp.SendCommand(message, {250});
    smtp.SetProgressCallback(nullptr);
    return true;  // the session ends with the socket: no QUIT
  } catch (const std::exception& failure) {
    Warn(warn, MaskedConversation(failure.what(), credentials));
    return false;
  }
}

bool SendMailBySmtp(const TSmtpMail& mail, ISendProgress* progress, const TWarningSink& warn) {
  bool served = false;
  try {
    TSmtpMail session = mail;
    if (session.Direct) session.Port = kDirectPort;
    const std::vector<std::string> recipients = SplitRecipients(mail.Recipients);
    for (std::size_t i = 0; i < recipients.size(); ++i) {
      if (progress) {
        progress->ResetBar();
        progress->SetCounter(static_cast<int>(i + 1), static_cast<int>(recipients.size()));
      }
      if (session.Direct) {
        Show(progress, kResolvingDns);
        // Mail exchangers take no login: it stays off for every recipient.
        session.User.clear();
        session.Password.clear();
        try {
          session.Server = FindMailExchanger(recipients[i], session.TimeoutMs, session.NameServers,
                                             session.DnsPort);
        } catch (const EDovaroSocketError& failure) {
          Warn(warn, failure.what());
          continue;
        }
      }
      if (SendMailToRecipient(session, recipients[i], progress, warn)) served = true;
    }
  } catch (const std::exception& failure) {
    Warn(warn, failure.what());
    served = false;
  }
  if (progress) progress->Close();
  return served;
}
