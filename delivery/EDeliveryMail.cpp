// SendMail: the mail step of a delivery, by SMTP (through the configured
// server, or straight to each recipient's mail exchanger) or through the
// user's mail program (MAPI, then the "mailto" hand-off), repeated while an
// error subscriber asks for a retry.
#include <windows.h>

#include "delivery/EDeliveryRun.h"
#include "delivery/EMailClient.h"
#include "delivery/ESockets.h"
#include "engine/ECoreOptionFlags.h"
#include "engine/ECoreOptionsEx.h"
#include "engine/ECoreServices.h"
#include "engine/ExceptionLogEngine.h"

namespace {

enum TMailMode { kNoMail = 0, kMailClient = 1, kSmtpServer = 2, kSmtpDirect = 3 };

// The log file, which stays; empty (a note without a name) when there is no
// writable place for it.
std::string LogFileOf(const TDovaroModuleOptions& options) {
  try {
    return options.LogFileName();
  } catch (...) {
    return std::string();
  }
}

bool SendBySmtp(TDeliveryRun& run, bool direct) {
  const TDovaroModuleOptions& o = run.Options;
  TSmtpMail mail;
  mail.Direct = direct;
  mail.Sender = o.SmtpSender();
  mail.Server = o.SmtpServer();
  mail.Attachments = run.DeliveryList;
  mail.Body = BodyWithReport(o.MailBodyText(), o.ReportInMessageBody(), run.Job.Record.ReportText);
  mail.Subject = o.MailSubjectText();
  mail.Recipients = o.MailRecipients();
  mail.Password = o.SmtpAuthPassword();
  mail.User = o.SmtpLogin();
  mail.Port = direct ? 25 : o.SmtpServerPort();
  const bool sent = SendMailBySmtp(mail, &run.Progress, run.WarningSink(eeEmailSMTPError));
  run.Progress.Close();
  return sent;
}

// The user's mail program: MAPI first; the "mailto" hand-off when that
// failed. A user who cancelled in the mail program gets no hand-off.
TDeliveryOutcome SendByMailClient(TDeliveryRun& run) {
  const TDovaroModuleOptions& o = run.Options;
  TMapiMail mail;
  mail.Recipients = o.MailRecipients();
  mail.Subject = ExpandVariables(o.MailSubjectText());
  mail.Body = ExpandVariables(
      BodyWithReport(o.MailBodyText(), o.ReportInMessageBody(), run.Job.Record.ReportText));
  mail.Files = run.DeliveryList;
  mail.ShowClientWindow = o.SendFlags() & SendShowProgress;
  mail.ParentWindow = nullptr;
  if (GetCurrentThreadId() == run.Engine.MainThreadId) {
    mail.ParentWindow = GetActiveWindow();
  }
  switch (SendMailByMapi(mail, run.WarningSink(eeEmailMAPIError))) {
    case TMailClientOutcome::Sent:
      return TDeliveryOutcome::Sent;
    case TMailClientOutcome::UserAborted:
      return TDeliveryOutcome::Withdrawn;
    case TMailClientOutcome::Failed:
      break;
  }
  TShellMail shell;
  shell.Recipients = o.MailRecipients();
  shell.Subject = ExpandVariables(o.MailSubjectText());
  shell.Body = ExpandVariables(o.MailBodyText());
  shell.ReportText = run.Job.Record.ReportText;
  // A body cut to fit the address points to the log, not to the report
  // copy that the delivery deletes.
  shell.LogFileName = LogFileOf(o);
  return SendMailByShell(shell, run.WarningSink(eeEmailShellError)) ? TDeliveryOutcome::Sent
                                                                    : TDeliveryOutcome::Failed;
}

}  // namespace

TDeliveryOutcome SendMail(TDeliveryRun& run) {
  run.Continue = true;
  run.FireAction(ActBeforeMail, run.Continue);
  if (!run.Continue) return TDeliveryOutcome::Failed;
  TDeliveryOutcome outcome = TDeliveryOutcome::Failed;
  for (bool retry = true; retry;) {
    retry = false;
    run.Continue = false;
    const int mode = run.Options.MailDelivery();
    if (mode == kSmtpServer || mode == kSmtpDirect) {
      run.ShowProgress();
      outcome =
          SendBySmtp(run, mode == kSmtpDirect) ? TDeliveryOutcome::Sent : TDeliveryOutcome::Failed;
    } else {
      outcome = SendByMailClient(run);
    }
    run.Continue = outcome == TDeliveryOutcome::Sent;
    if (outcome == TDeliveryOutcome::Failed) retry = run.FireErrorRetry(ActAfterMail);
  }
  bool after = run.Continue;
  run.FireAction(ActAfterMail, after);
  return outcome;
}
