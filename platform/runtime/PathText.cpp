#include "platform/runtime/PathText.h"

namespace {

std::string_view::size_type LastDelimiter(std::string_view path) {
  return path.find_last_of("\\/:");
}

}  // namespace

std::string ExtractFilePath(std::string_view path) {
  const auto at = LastDelimiter(path);
  return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string ExtractFileName(std::string_view path) {
  const auto at = LastDelimiter(path);
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string result(path);
  const bool isRoot = result.size() == 3 && result[1] == ':';
  if (!result.empty() && (result.back() == '\\' || result.back() == '/') && !isRoot)
    result.pop_back();
  return result;
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string result(path);
  if (result.empty() || (result.back() != '\\' && result.back() != '/')) result += '\\';
  return result;
}

std::string ExtractFileExt(std::string_view path) {
  const auto dot = path.find_last_of('.');
  const auto delimiter = LastDelimiter(path);
  if (dot == std::string_view::npos || (delimiter != std::string_view::npos && dot < delimiter))
    return {};
  return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
  const std::size_t stemLength = path.size() - ExtractFileExt(path).size();
  return std::string(path.substr(0, stemLength)) + std::string(extension);
}
