// Mail delivery on loopback: small mails per second to aiosmtpd, what one
// reply costs (so the mails' own work can be told from their waits), and a
// 5 MB package: composed alone, then sent. Needs the mail peers:
//
//   /usr/bin/python3 tests/mail/run_mail_tests.py build/wine-run.sh build/bin/mail_bench.exe
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchMachine.h"
#include "delivery/ESockets.h"
#include "delivery/ESocketsMail.h"
#include "tests/support/TempFolder.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr int kRoundTrips = 200;
constexpr int kSmallMails = 40;
constexpr int kPackageRuns = 3;
constexpr std::size_t kPackageBytes = 5 * 1024 * 1024;
// Replies a mail waits for: the greeting, HELO, RSET, MAIL FROM, RCPT TO,
// DATA and the message's.
constexpr int kRepliesPerMail = 7;

double Seconds(TClock::time_point since) {
  return std::chrono::duration<double>(TClock::now() - since).count();
}

// The median of timings: one busy moment of the machine does not move it.
double Median(std::vector<double> seconds) {
  std::sort(seconds.begin(), seconds.end());
  return seconds[seconds.size() / 2];
}

double Megabytes(std::size_t bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

std::string RandomBytes(std::size_t size) {
  std::mt19937 random(7);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

TSmtpMail SmallMail(std::uint16_t port) {
  TSmtpMail mail;
  mail.Sender = "bench@example.org";
  mail.Server = "127.0.0.1";
  mail.Port = port;
  mail.Recipients = "support@example.test";
  mail.Subject = "Bug report";
  mail.Body = std::string(2000, 'r');
  return mail;
}

// Notes when the bar last moved: the moment the message's last piece left.
class TLastPieceClock : public ISendProgress {
 public:
  void ShowText(int) override {}
  void SetCounter(int, int) override {}
  void ResetBar() override {}
  void SetBar(int) override { LastPiece = TClock::now(); }
  void Close() override {}
  TClock::time_point LastPiece;
};

bool Send(const TSmtpMail& mail, ISendProgress* progress = nullptr) {
  return SendMailBySmtp(mail, progress, [](const std::string& warning) {
    std::printf("warning: %s\n", warning.c_str());
  });
}

}  // namespace

int main() {
  PrintExecutionLine();
  const char* portText = std::getenv("VIPC_SMTP_SINK_PORT");
  if (!portText) {
    std::printf("no SMTP server: run through tests/mail/run_mail_tests.py\n");
    return 1;
  }
  const auto port = static_cast<std::uint16_t>(std::atoi(portText));

  // One reply's cost: a command and its answer on an open session.
  TDovaroClientSMTP smtp("127.0.0.1", port);
  smtp.Connect();
  std::vector<double> trips;
  for (int i = 0; i < kRoundTrips; ++i) {
    const auto start = TClock::now();
    smtp.SendCommand("NOOP", {250});
    trips.push_back(Seconds(start));
  }
  const double replySeconds = Median(trips);
  smtp.Disconnect();
  std::printf("command and reply (median): %.2f ms\n", replySeconds * 1000);

  // A session's opening: the connection and the greeting.
  auto start = TClock::now();
  for (int i = 0; i < kSmallMails; ++i) {
    TDovaroClientSMTP session("127.0.0.1", port);
    session.Connect();
  }
  const double connectSeconds = Seconds(start) / kSmallMails;
  std::printf("connection and greeting: %.2f ms\n", connectSeconds * 1000);
  start = TClock::now();
  for (int i = 0; i < kSmallMails; ++i) SenderDisplayName();
  std::printf("sender's display name: %.2f ms\n", Seconds(start) / kSmallMails * 1000);

  int served = 0;
  std::vector<double> mails;
  for (int i = 0; i < kSmallMails; ++i) {
    const auto mailStart = TClock::now();
    served += Send(SmallMail(port)) ? 1 : 0;
    mails.push_back(Seconds(mailStart));
  }
  const double mailSeconds = Median(mails);
  // The waits at one measured round trip each; the rest is the mail's own work.
  const double waitSeconds = kRepliesPerMail * replySeconds;
  std::printf(
      "small mails (2 KB text, %d sent, %d served): %.1f mails/s, median %.1f ms; "
      "%d reply waits about %.1f ms of it, %.1f mails/s without them\n",
      kSmallMails, served, 1 / mailSeconds, mailSeconds * 1000, kRepliesPerMail, waitSeconds * 1000,
      mailSeconds > waitSeconds ? 1 / (mailSeconds - waitSeconds) : 0.0);

  const std::string package = RandomBytes(kPackageBytes);
  start = TClock::now();
  const std::string body = MimeBody("Report attached.", {{"report.zip", package}}, "windows-1252");
  const std::string message =
      MailMessageText({"Thu, 10 Dec 2026 12:00:00 +0000", "\"Bench\" <bench@example.org>",
                       "Bug report", "support@example.test", 1, "windows-1252"},
                      body);
  const double composeSeconds = Seconds(start);
  std::printf("5 MB package composed (Base64, MIME, dot check): %.1f MB/s, %.2f MB on the wire\n",
              Megabytes(kPackageBytes) / composeSeconds, Megabytes(message.size()));

  TempFolder folder;
  WriteFileBytes(folder.Path() + "report.zip", package);
  TSmtpMail mail = SmallMail(port);
  mail.Attachments = {{folder.Path() + "report.zip", "PC1_report.zip"}};
  double best = 0;
  for (int run = 0; run < kPackageRuns; ++run) {
    TLastPieceClock clock;
    start = TClock::now();
    const bool ok = Send(mail, &clock);
    const double seconds = Seconds(start);
    const double serverSeconds =
        std::chrono::duration<double>(TClock::now() - clock.LastPiece).count();
    std::printf(
        "5 MB package sent%s: %.2f s, %.1f MB/s of package, %.1f MB/s on the wire; "
        "the server's acceptance after the last piece %.2f s of it\n",
        ok ? "" : " (refused)", seconds, Megabytes(kPackageBytes) / seconds,
        Megabytes(message.size()) / seconds, serverSeconds);
    if (ok && (best == 0 || seconds < best)) best = seconds;
  }
  if (best > 0) std::printf("5 MB package, best run: %.1f MB/s\n", Megabytes(kPackageBytes) / best);
  return 0;
}
