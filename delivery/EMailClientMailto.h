// The "mailto" address of a report mail and the command line that carries
// it: the encoding, the body cut to keep the address within what a command
// line carries, and the "%1" replacement.
//
// Pure: no windows.h. MailtoAddress itself is declared in EMailClient.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "delivery/EMailClient.h"

// The longest address handed to the mail program; a longer body is cut.
inline constexpr std::size_t kMailtoAddressLimit = 2000;

// Letters, digits, "-" and every byte of 128 and above stay; every other
// byte becomes "%" and two upper-case hexadecimal digits.
std::string MailtoEncode(std::string_view text);

// The note that ends a cut body: "\r\n[...] The whole report is in <log
// file name>." (without a name: "... is in the log file.").
std::string MailtoCutNote(std::string_view logFileName);

// The address of a shell mail: its body is Body + "\r\n\r\n\r\n" +
// ReportText; when the address would be longer than `limit` the body is cut
// (never between CR and LF) and MailtoCutNote follows, so the address stays
// within `limit` unless recipients, subject and note alone exceed it.
std::string ShellMailAddress(const TShellMail& mail, std::size_t limit = kMailtoAddressLimit);

// The command with every "%1" replaced by `address`.
std::string MailtoCommandLine(std::string_view command, std::string_view address);
