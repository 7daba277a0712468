// Which files travel with a report, in order: the developer's extra files,
// the log copy, the screenshot, the last web page and the XML copy; then the
// attached-files event may change the list, and files that do not exist are
// dropped. Also the places of the exception's own files and the log copy's
// text. Pure; no windows.h; never raises except std::bad_alloc.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct TAttachmentListInput {
  std::string ExtraAttachments;  // the option: files separated by ";"
  bool ForMail = false;          // the mail route (else the web route)
  bool ReportInMessageBody = false;
  std::string LogCopyName;     // always given
  std::string ScreenshotName;  // empty: no screenshot
  std::string WebPageName;     // empty: no page file
  std::string XmlCopyName;     // empty: no XML copy
};

struct TAttachmentListServices {
  std::function<std::string(std::string_view)> ExpandVariables;  // %NAME% variables
  std::function<void(std::vector<std::string>&)> AttachedFilesEvent;
  std::function<bool(const std::string&)> FileExists;
};

// The files named in the option, split at ";" and trimmed of blanks; an
// empty last part is dropped.
std::vector<std::string> SplitExtraAttachments(std::string_view option);

std::vector<std::string> BuildAttachmentList(const TAttachmentListInput& input,
                                             const TAttachmentListServices& services);

// The exception's files in its folder (which ends with "\").
std::string LogCopyFileName(std::string_view folder, std::string_view logFileName);
// Empty unless the screenshot is sent (SendScreenshotImage) and the user
// left the dialog's screenshot option on.
std::string ScreenshotFileName(std::string_view folder, std::uint16_t sendFlags,
                               bool screenshotChosen);
// Empty unless SendXmlCopy.
std::string XmlCopyFileName(std::string_view folder, std::string_view logFileName,
                            std::uint16_t sendFlags);
std::string ZipPackageFileName(std::string_view folder);

// The log copy's content: the text to send followed by three CR LF pairs
// unless it already ends with them.
std::string LogCopyText(std::string_view textToSend);
