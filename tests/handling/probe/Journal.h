// The journal the handling tests read: one line per event a test module or
// host saw, appended to the file named by VIPC_HANDLING_JOURNAL.
#pragma once

#include <string>

void JournalLine(const std::string& line);
