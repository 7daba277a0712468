// The names of the files that travel with a report: their places in the
// exception's own temporary folder, the names they are sent under, the
// entry names of the zip package and the per-module scratch file. Pure; no
// windows.h; never raises except std::bad_alloc.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kScreenshotFileName = "Screenshot.png";
inline constexpr std::string_view kZipPackageFileName = "BugReport.zip";

// The text after the last "\" or "/" (the whole text when there is none).
std::string FileNamePart(std::string_view path);
// `name` with its extension (from the last "." of the file name part on)
// replaced by `extension`, or `extension` appended when it has none.
std::string ReplaceExtension(std::string_view name, std::string_view extension);
// `text` inserted before the extension of `name` (at the end when none).
std::string InsertBeforeExtension(std::string_view name, std::string_view text);

// The name a file is sent under: its file name part, with "__" and the
// computer name, then "__" and the exception time ("yyyymmddhhnnss"),
// before the extension as the flags ask.
std::string ShownAttachmentName(std::string_view path, bool withComputer,
                                std::string_view computerName, bool withTimestamp,
                                std::string_view timestamp);
// The exception time as "yyyymmddhhnnss" from a date-time in days since
// 30 December 1899.
std::string AttachmentTimestamp(double localDateTime);

// Entry names for the package: each file's name part; a name already used
// (letters compared without case) gets " (2)", " (3)", ... before its
// extension, so that every entry survives unpacking.
class TZipEntryNames {
 public:
  // The name the file would get now.
  std::string Candidate(std::string_view path) const;
  // Marks a name as taken.
  void Use(std::string_view name);

 private:
  std::vector<std::string> used_;  // upper-cased
};

// The scratch file that carries a module's options from the engine's
// shutdown to the leak report: temporary folder + process id and module
// handle as 8 upper-case hexadecimal digits each + ".bin".
std::string ScratchFileName(std::string_view temporaryFolder, std::uint32_t processId,
                            std::uintptr_t moduleHandle);

// The name of a process's own temporary folder (inside the system's), and of
// the exception's folder inside that one; both end with "\". Files of
// different processes and exceptions never share a folder.
std::string ProcessAttachmentFolder(std::string_view systemTemporaryFolder, std::uint32_t processId,
                                    std::uintptr_t moduleHandle);
std::string ExceptionAttachmentFolder(std::string_view processFolder,
                                      std::uint32_t exceptionNumber);
