// Text of the system's ANSI code page as UTF-8, for trackers whose pages
// are UTF-8.
#pragma once

#include <string>
#include <string_view>

// The text unchanged when it is pure ASCII or cannot be converted.
std::string AnsiToUtf8(std::string_view ansi);
