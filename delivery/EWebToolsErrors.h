// The texts of the Internet library's error codes, as the module's own table
// holds them (76 rows, each "NNNNN text").
//
// Pure: no windows.h; never raises.
#pragma once

#include <string_view>

// The text of `code` from the table (without the code); empty when the
// table has no row for it.
std::string_view InternetErrorTableText(unsigned long code);

// The table's rows in order, "12001 No more handles ...".
struct TInternetErrorRows {
  const std::string_view* Rows;
  unsigned Count;
};
TInternetErrorRows InternetErrorRows();
