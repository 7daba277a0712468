// What a mail takes from the system it is sent on: the date of the Date
// header, the number of the Message-ID and the charset of 8-bit texts.
// (SenderDisplayName of ESockets.h reads the registry beside them.)
#pragma once

#include <cstdint>
#include <string>

// The current local time in the mail date form.
std::string MailDateNow();
// The system tick count: the Message-ID's number.
std::uint32_t MailTickCount();
// The charset of the ANSI code page.
std::string AnsiCharset();
