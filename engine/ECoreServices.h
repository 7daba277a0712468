// The small services of the options unit that other parts of the engine use:
// variable expansion in texts and paths, version comparison, the engine's
// settings folder and the writable-place fallback, INI access, text files,
// registry strings, file dates, the computer name for file names and the UTC
// offset. The memory readability test and the jump follower live in
// engine/ECoreMemory.h.
//
// The pure text helpers come first; the rest asks the operating system. None
// of them may run where heap use is forbidden.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// --- pure ---

// Characters allowed in a %NAME% variable name: letters, digits and "_-.()$#@{}[]!~".
bool IsVariableNameCharacter(char c);
using TVariableReader = std::function<std::string(std::string_view name)>;
// Replaces every %NAME% (a non-empty run of name characters closed by "%")
// with readVariable(NAME), without rescanning the inserted value; a "%" that
// opens no such name stays as it is.
std::string ExpandVariables(std::string_view text, const TVariableReader& readVariable);
// Each dotted part left-padded with "0" to 5 characters (a last part holding a
// blank is padded before the blank), then ".00000" until there are 4 parts.
std::string NormaliseVersionText(std::string_view version);
// True when version `b` is greater than version `a`; false when either is empty.
bool CompareVersions(std::string_view a, std::string_view b);
// Lines split at CR LF, LF or CR; a final line break adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text);
// Characters of a computer name that may stand in a file name; others become "_".
std::string FileNameSafeText(std::string_view text);

// --- operating system ---

// ExpandVariables with ReadVariable.
std::string ExpandVariables(std::string_view text);
// The environment variable; when empty or missing, "date" and "time" (any
// case) give the current date or time in the user's short format and "cd"
// the current folder; otherwise empty.
std::string ReadVariable(std::string_view name);
// The per-user application data folder followed by "\ZuderaDod" (not created).
std::string EngineFolder();
// `fileName` (variables expanded) when it can be opened there (for reading
// when `readOnly`, else for reading and writing, created and removed again
// when it did not exist); otherwise the same name in EngineFolder (plus a
// folder named after the program when `useSubfolder`), folders created.
// Raises EInOutError when neither place works.
std::string WritableLocation(const std::string& fileName, bool useSubfolder = false,
                             bool readOnly = false);
// Values of "ZuderaDod.ini"-style settings files (a name without folder lives
// in EngineFolder); up to 2048 characters are read. IniWrite raises
// EInOutError when no writable place exists or the system refuses the write.
std::string IniRead(const std::string& fileName, const std::string& section, const std::string& key,
                    const std::string& defaultValue);
void IniWrite(const std::string& fileName, const std::string& section, const std::string& key,
              const std::string& value);
// The lines of a text file: a byte-order mark FF FE (UTF-16 LE), FE FF
// (UTF-16 BE) or EF BB BF (UTF-8) is honoured and the text converted to the
// ANSI code page; without one the bytes are ANSI text. False when the file
// cannot be opened for reading (others may read but not write meanwhile).
bool ReadTextFile(const std::string& fileName, std::vector<std::string>& lines);
// A REG_SZ or REG_EXPAND_SZ value (not expanded), or empty. `root` is an HKEY.
std::string ReadRegistryString(void* root, const std::string& key, const std::string& value);
// The last-write time as a local date-time (days since 30 December 1899), or 0.
double FileDate(const std::string& fileName);
// The computer name with every character outside the file-name set as "_".
std::string ComputerNameForFiles();
// Local time minus UTC, in whole hours (rounded).
int UtcOffsetHours();
// The current local time (days since 30 December 1899).
double LocalDateTimeNow();
