// Numbered items of a stored report, read and changed by their layout
// (pure; no windows.h).
//
// An item line is two spaces, the item number ("2.7"), a space, the label,
// padding and ": ", then the value. A value of several lines is a block: its
// ": " written as ":_", an empty line as ".", and every continuation line
// indented to the value column. Item numbers are fixed identifiers, so a
// stored report is searched for CR LF + two spaces + number + space; a
// report's first item therefore needs the line break before it, which every
// report has after its title. Nothing here raises except std::bad_alloc.
#pragma once

#include <string>
#include <string_view>

// The value of item `item` in `report`, with the block form undone and blanks
// trimmed at both ends; empty when the item is absent.
std::string ReportItemValue(std::string_view report, std::string_view item);

// Replaces the value of item `item` by `value` (taken as it is). When the
// item is absent (hidden when the report was made) and `item` has a section
// prefix ("2." of "2.8"), the line "  <item> <label>: <value>" is added as the
// last line of that section, its ": " aligned with the section's last item;
// a report without such a section is left alone. True when the report changed.
bool SetReportItemValue(std::string& report, std::string_view item, std::string_view value,
                        std::string_view label);

// True when `report` holds item `item` with exactly `value` (compared in the
// stored form, so block values match across their continuation lines).
bool ReportItemIs(std::string_view report, std::string_view item, std::string_view value);

// The block form of a value as a report writes it, with continuation lines
// starting at column `valueColumn` (0-based); a one-line value unchanged.
std::string StoredItemValue(std::string_view value, std::size_t valueColumn);

// The first line of a stored report that is not empty (stored reports after
// the first begin with an empty line); empty when there is none.
std::string ReportFirstLine(std::string_view report);
