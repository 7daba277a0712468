#include "report/EAttachmentList.h"

#include "engine/ECoreOptionFlags.h"
#include "report/EAttachmentNames.h"

namespace {

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::vector<std::string> SplitExtraAttachments(std::string_view option) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = option.find(';', start);
    parts.emplace_back(
        TrimBlanks(option.substr(start, end == std::string_view::npos ? end : end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (!parts.empty() && parts.back().empty()) parts.pop_back();
  return parts;
}

std::vector<std::string> BuildAttachmentList(const TAttachmentListInput& input,
                                             const TAttachmentListServices& services) {
  std::vector<std::string> list = SplitExtraAttachments(input.ExtraAttachments);
  if (!input.ForMail || !input.ReportInMessageBody) list.push_back(input.LogCopyName);
  for (const std::string* name : {&input.ScreenshotName, &input.WebPageName, &input.XmlCopyName}) {
    if (!name->empty()) list.push_back(*name);
  }
  if (services.ExpandVariables) {
    for (std::string& path : list) path = services.ExpandVariables(path);
  }
  if (services.AttachedFilesEvent) services.AttachedFilesEvent(list);
  std::vector<std::string> existing;
  for (std::string& path : list) {
    if (!path.empty() && (!services.FileExists || services.FileExists(path)))
      existing.push_back(std::move(path));
  }
  return existing;
}

std::string LogCopyFileName(std::string_view folder, std::string_view logFileName) {
  return std::string(folder) + FileNamePart(logFileName);
}

std::string ScreenshotFileName(std::string_view folder, std::uint16_t sendFlags,
                               bool screenshotChosen) {
  if (!(sendFlags & SendScreenshotImage) || !screenshotChosen) return {};
  return std::string(folder) + std::string(kScreenshotFileName);
}

std::string XmlCopyFileName(std::string_view folder, std::string_view logFileName,
                            std::uint16_t sendFlags) {
  if (!(sendFlags & SendXmlCopy)) return {};
  return std::string(folder) + ReplaceExtension(FileNamePart(logFileName), ".xml");
}

std::string ZipPackageFileName(std::string_view folder) {
  return std::string(folder) + std::string(kZipPackageFileName);
}

std::string LogCopyText(std::string_view textToSend) {
  std::string text(textToSend);
  if (!text.ends_with("\r\n\r\n\r\n")) text += "\r\n\r\n\r\n";
  return text;
}
