// The texts the tracker senders write into a tracker and the codes they
// end with: the bug title with its occurrence counter, the search text, the
// description, the custom field lines, and the customizable text shown for
// each result code.
//
// Pure: no windows.h; never raises except for memory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What SendReport ends with.
enum TTrackerResult {
  trFiled = 0,         // a new bug filed, or this occurrence added to the bug
  trBugClosed = 1,     // the matching bug is closed; nothing was changed
  trUnknownError = 2,  // never produced by the senders themselves
  trLoginRefused = 3,
  trProjectRefused = 4,
  trSearchRefused = 5,
  trInsertRefused = 6,
  trModifyRefused = 7,
};

// "[v<version> - 1]: <class name> (<bug id>)": the counter after " - " is
// raised by later occurrences.
std::string TrackerBugTitle(std::string_view version, std::string_view className,
                            std::string_view bugId);
// "<class name> (<bug id>)": the part of the title that stays the same.
std::string TrackerSearchText(std::string_view className, std::string_view bugId);
// The message, and after "\r\n\r\n---\r\n\r\n" the reproduce text when there is one.
std::string TrackerDescription(std::string_view message, std::string_view reproduceText);

// The names of the four fixed lines that end every custom field list: the
// senders read them by name and never send them as fields.
inline constexpr std::string_view kTrialIdField = "FogBugzTrialID";
inline constexpr std::string_view kOsTypeField = "EL_OSType";
inline constexpr std::string_view kOsBuildField = "EL_OSBuild";
inline constexpr std::string_view kReproduceTextField = "EL_ReproduceText";

// The subscribers' name=value lines followed by the four fixed lines.
std::vector<std::string> TrackerCustomFields(std::vector<std::string> subscriberLines,
                                             std::string_view trialAccount, std::string_view osType,
                                             std::string_view osBuild,
                                             std::string_view reproduceNote);
// The value of the last line "name=..." of the list; empty when there is none.
std::string CustomFieldValue(const std::vector<std::string>& lines, std::string_view name);

// The customizable text shown for a result code: 146 for a closed bug, 147
// unknown error, 148 login, 150 project, 149 search, 151 insert, 152 modify;
// -1 for 0 (nothing to show). A code outside 0..7 counts as unknown (147).
int TrackerResultTextNumber(int resultCode);

// The text that follows `marker` (letter case ignored) up to the next
// double quote or the end; none without the marker. The senders read
// script values and the action token of a form with it.
std::optional<std::string> TextUpToQuote(std::string_view text, std::string_view marker);
