// The bug report of one exception: built once per handled exception (the
// report stage of the handling flow, on the handling thread, after the call
// stacks and the snapshot lists exist), then kept as the engine's current
// report. Later steps of the handling add the custom information and the
// reproduction request as numbered sections after the general text, and
// write the user's e-mail address into item 3.3; they change the three texts
// together.
//
// Pure over the sources (report/EReportInput.h). A failure inside is not
// caught here: it ends the handling of the exception, which reports it as an
// internal error. Unreadable memory never faults it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "report/EReportInput.h"

struct TBugReport {
  std::string GeneralText;  // the title and the general sections, ending with CR LF
  std::string Text;         // the full report (TDovaroExceptionRecord::ReportText)
  std::string SendingText;  // the copy kept for sending
  // Customizable text 4 and an empty line: what the console channel and the
  // web answer put before the report.
  std::string LeadIn;
  std::string BugId;  // item 2.7
};

// The general text, CR LF, the call stack block, the modules and processes
// blocks (or their empty forms without LogModulesAndProcesses), the
// assembler section and the CPU block. The bug identifier is the
// exception's ExceptionId, else computed from sources.Stack.
TBugReport BuildBugReport(const TReportException& exception, const TReportSources& sources);

// One label and value of an inserted section.
using TReportSectionItems = std::vector<std::pair<std::string, std::string>>;
// Adds a numbered section (number firstSectionMinusOne + 1) of visible items
// right after the general text of the full report and of the sending copy,
// and extends the general text over it, so that a second one lands after
// the first.
void InsertReportSection(TBugReport& report, int firstSectionMinusOne, std::string_view title,
                         const TReportSectionItems& items);
// The custom data event's "name=value" lines as section 8, "Custom
// Information" (text 91): only for a non-empty list with the "Custom
// Data|All" bit shown. False when nothing was added.
bool AddCustomInformation(TBugReport& report, const TDovaroModuleOptions& options,
                          const std::vector<std::string>& lines);
// The user's steps to reproduce as section 8, "Request" (text 123), one item
// with an empty label: only with LogAddReproduceText and a non-empty note.
bool AddReproduceRequest(TBugReport& report, const TDovaroModuleOptions& options,
                         std::string_view note);

// Writes `email` as the value of item 3.3 in place; nothing when the text has
// no item 3.3 (hidden, or the User section is empty).
void SetReportUserEmail(std::string& text, std::string_view email);
// The same in the three texts of the report.
void SetReportUserEmail(TBugReport& report, std::string_view email);
