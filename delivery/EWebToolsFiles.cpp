#include "delivery/EWebToolsFiles.h"

#include <fstream>
#include <iterator>

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::optional<std::uint64_t> FileSizeOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return std::nullopt;
  const auto size = file.tellg();
  if (size < 0) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}
