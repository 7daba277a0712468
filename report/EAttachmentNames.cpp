#include "report/EAttachmentNames.h"

#include <algorithm>
#include <cstdio>

#include "debuginfo/ESnapshotTexts.h"

namespace {

std::size_t ExtensionStart(std::string_view name) {
  const std::size_t slash = name.find_last_of("\\/");
  const std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot < base ? name.size() : dot;
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

std::string WithBackslash(std::string_view folder) {
  std::string text(folder);
  if (!text.empty() && text.back() != '\\') text += '\\';
  return text;
}

std::string Hex8(std::uintptr_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.8X", static_cast<unsigned>(value));
  return digits;
}

}  // namespace

std::string FileNamePart(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ReplaceExtension(std::string_view name, std::string_view extension) {
  return std::string(name.substr(0, ExtensionStart(name))) + std::string(extension);
}

std::string InsertBeforeExtension(std::string_view name, std::string_view text) {
  const std::size_t at = ExtensionStart(name);
  return std::string(name.substr(0, at)) + std::string(text) + std::string(name.substr(at));
}

std::string ShownAttachmentName(std::string_view path, bool withComputer,
                                std::string_view computerName, bool withTimestamp,
                                std::string_view timestamp) {
  std::string name = FileNamePart(path);
  if (withComputer) name = InsertBeforeExtension(name, "__" + std::string(computerName));
  if (withTimestamp) name = InsertBeforeExtension(name, "__" + std::string(timestamp));
  return name;
}

std::string AttachmentTimestamp(double localDateTime) {
  const TDateTimeParts parts = DecodeDateTime(localDateTime);
  char text[32];
  std::snprintf(text, sizeof text, "%.4d%.2u%.2u%.2u%.2u%.2u", parts.Year, parts.Month, parts.Day,
                parts.Hour, parts.Minute, parts.Second);
  return text;
}

std::string TZipEntryNames::Candidate(std::string_view path) const {
  const std::string base = FileNamePart(path);
  std::string name = base;
  for (int copy = 2; std::find(used_.begin(), used_.end(), Upper(name)) != used_.end(); ++copy) {
    name = InsertBeforeExtension(base, " (" + std::to_string(copy) + ")");
  }
  return name;
}

void TZipEntryNames::Use(std::string_view name) {
  used_.push_back(Upper(name));
}

std::string ScratchFileName(std::string_view temporaryFolder, std::uint32_t processId,
                            std::uintptr_t moduleHandle) {
  return WithBackslash(temporaryFolder) + Hex8(processId) + Hex8(moduleHandle) + ".bin";
}

std::string ProcessAttachmentFolder(std::string_view systemTemporaryFolder, std::uint32_t processId,
                                    std::uintptr_t moduleHandle) {
  return WithBackslash(systemTemporaryFolder) + "ZuderaDod_" + Hex8(processId) +
         Hex8(moduleHandle) + "\\";
}

std::string ExceptionAttachmentFolder(std::string_view processFolder,
                                      std::uint32_t exceptionNumber) {
  return WithBackslash(processFolder) + "Exception" + std::to_string(exceptionNumber) + "\\";
}
