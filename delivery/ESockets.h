// Mail delivery without a mail program: the report goes by SMTP to the
// configured server, or straight to each recipient's mail exchanger found
// by a DNS query of our own.
//
// Used by one thread at a time (the report-sending thread or the handling
// thread). The senders never raise: every failure becomes a warning.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "delivery/ESendProgress.h"
#include "delivery/ESocketsClient.h"
#include "delivery/ESocketsErrors.h"

// Asked after the computer's own name servers.
inline constexpr std::string_view kFallbackNameServer = "8.8.8.8";

struct TSmtpMail {
  bool Direct = false;  // to each recipient's mail exchanger, port 25, no login
  std::string Sender, Server;
  std::vector<TDeliveryFile> Attachments;
  std::string Body, Subject, Recipients, Password, User;
  unsigned Port = 25;
  unsigned TimeoutMs = 30000;            // reply wait (seam for tests)
  std::vector<std::string> NameServers;  // empty: ListNameServers() (seam for tests)
  unsigned short DnsPort = 53;           // seam for tests
};

// Subject and body arrive with their variables already expanded. Returns
// true when one recipient was served; each failure goes to `warn` as
// "[SMTP] <message>", the credentials' lines masked; progress may be null.
// The recipients are tried one after the other: a refused one, one that
// cannot stand in "RCPT TO:<...>", or one whose mail exchanger is not found
// leaves the next one its turn.
bool SendMailBySmtp(const TSmtpMail& mail, ISendProgress* progress, const TWarningSink& warn);

// One session with `mail.Server`: the message to `recipient`; true when
// the server accepted it. A failure is a warning.
bool SendMailToRecipient(const TSmtpMail& mail, const std::string& recipient,
                         ISendProgress* progress, const TWarningSink& warn);

// The host of the first MX record that a name server gives for the domain
// of `address`: each server of `nameServers` (empty: ListNameServers) is
// asked up to three times, each try waiting (timeoutMs + 150) / 3 ms plus
// 100 ms more per try. Raises EDovaroSocketError "Cannot resolve the
// \"<domain>\" MX record." when none names one, or the failure to open a
// socket to a server.
std::string FindMailExchanger(std::string_view address, unsigned timeoutMs,
                              const std::vector<std::string>& nameServers = {},
                              unsigned short port = 53);

// The name servers of the computer's network parameters (IP Helper), in
// order, "0.0.0.0" left out, then kFallbackNameServer; the fallback alone
// when they cannot be read.
std::vector<std::string> ListNameServers();

// The name in the From header of a plain sender address: the machine's
// registered owner ("RegisteredOwner" of the Windows NT version key, else of
// the Windows version key, else "DefName" of the old setup's user
// information; on Windows Vista and later the owner "Microsoft" counts as
// none), else the logged-on user's name.
std::string SenderDisplayName();
