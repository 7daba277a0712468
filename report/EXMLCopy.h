// The XML copy of a log: every stored report read back by the report's
// layout (the general sections, the call stack, modules and processes
// tables, the assembler listing and the CPU block) into elements. Pure; no
// windows.h; never raises except std::bad_alloc, whatever the text holds.
#pragma once

#include <string>
#include <string_view>

#include "report/ELogManagerFormat.h"

// The document for the stored reports: "<Doc>", one "Log" element per
// report, "</Doc>", CR LF line ends, no declaration. Names that the report
// shows in protected form are turned back with `password` when it is not
// empty and every resulting name is a plain name.
std::string XmlCopyOfReports(const TStoredReports& reports, std::string_view password);
// The same for a log file's text.
std::string XmlCopyOfLogText(std::string_view logText, std::string_view password);
// Whether the report version (e.g. "6.1.05 RC 6") is at least major.minor.
bool ReportVersionAtLeast(std::string_view version, int major, int minor);
