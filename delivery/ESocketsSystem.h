// What a mail takes from the system it is sent on: the sender's display
// name, the date of the Date header, the number of the Message-ID and the
// charset of 8-bit texts.
#pragma once

#include <cstdint>
#include <string>

// The machine's registered owner: the value "RegisteredOwner" of the
// machine's Windows NT version key, else of its Windows version key, else
// "DefName" of the old setup's user information (on Windows Vista and later
// the owner "Microsoft" counts as none); else the logged-on user's name.
std::string SenderDisplayName();

// The current local time in the mail date form.
std::string MailDateNow();
// The system tick count: the Message-ID's number.
std::uint32_t MailTickCount();
// The charset of the ANSI code page.
std::string AnsiCharset();
