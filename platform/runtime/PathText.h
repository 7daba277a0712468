// File-name text helpers (pure): folder and name parts of Windows paths.
#pragma once

#include <string>
#include <string_view>

// The folder part including its final "\" (or ":" of a bare drive), or empty.
std::string ExtractFilePath(std::string_view path);
// The part after the last "\", "/" or ":".
std::string ExtractFileName(std::string_view path);
// The path without one final "\" (a root such as "C:\" keeps it).
std::string ExcludeTrailingPathDelimiter(std::string_view path);
std::string IncludeTrailingPathDelimiter(std::string_view path);
// The extension including its ".", or empty when the name part has none.
std::string ExtractFileExt(std::string_view path);
// The path with its extension (if any) replaced by `extension` (which may be empty).
std::string ChangeFileExt(std::string_view path, std::string_view extension);
