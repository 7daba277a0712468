// The parts of the bug report, each a pure function of its inputs: the
// general text (title and numbered general sections), the call stack, modules
// and processes tables, the assembler section and the CPU block. Labels and
// titles are the customizable texts of the options in effect; customised
// texts change the labels and so the column widths, never the layout.
//
// Allocate; never raise except by running out of memory. Unreadable memory
// never faults them: what cannot be read is left out or shown as "????".
#pragma once

#include <string>
#include <vector>

#include "report/EReportInput.h"

// The report's title line.
inline constexpr const char* kReportTitle = "ZuderaDod 6.1.05 RC 6";

// The title, an empty line and the general sections (ending with CR LF).
// Items are shown by their GeneralFieldsShown bits; collectors are asked
// only for the items shown.
std::string GeneralReportText(const TReportException& exception, const TReportSources& sources,
                              const std::string& bugId);

// The table blocks: "Title:", the rule, the column titles, the rule, the
// rows, the rule and an empty line.
std::string CallStackBlock(const TDovaroStackList& stack, const TDovaroModuleOptions& options,
                           IStackThreadFacts& threads);
std::string ModulesBlock(const std::vector<TModuleRow>& modules,
                         const TDovaroModuleOptions& options);
std::string ProcessesBlock(const std::vector<TDovaroProcessInfo>& processes,
                           const TDovaroModuleOptions& options);
// "Title:", a dash line one longer than the title and an empty line: the form
// of a block the options leave out.
std::string EmptyBlock(const std::string& title);

// The assembler title and dash line, CR LF, the listing around `address`
// (each line ending in CR LF; none without LogAssemblerAndCpu), CR LF.
std::string AssemblerSection(TAddress address, const TDovaroModuleOptions& options,
                             const TListingSources& listing);
// The registers and the stack and memory dump (or the empty form without
// LogAssemblerAndCpu).
std::string CpuBlock(const TReportException& exception, const TDovaroModuleOptions& options,
                     const TMemoryReader& memory);
