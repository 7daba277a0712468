// The object layout of our compiler (the Itanium C++ ABI on i686): an
// object starts with its table pointer, the table's slot before the first
// function holds the class's type record, and a type record is its own table
// pointer followed by a pointer to the mangled name.
#include "debuginfo/ESnapshotObjectClass.h"

#include <cctype>

#include "debuginfo/EDebugModules.h"
#include "platform/memory/LiveMemory.h"

namespace {

constexpr std::size_t kLongestName = 255;

// One <length><identifier> of a mangled name, advancing `text` past it.
std::optional<std::string_view> SourceName(std::string_view& text) {
  std::size_t length = 0, digits = 0;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
    length = length * 10 + static_cast<std::size_t>(text[digits] - '0');
    if (length > kLongestName) return std::nullopt;
    ++digits;
  }
  if (digits == 0 || length == 0 || text.size() - digits < length) return std::nullopt;
  const std::string_view name = text.substr(digits, length);
  text.remove_prefix(digits + length);
  return name;
}

// The class name a mangled type name stands for, when it is a plain or a
// nested class name.
std::optional<std::string> ClassName(std::string_view mangled) {
  if (!mangled.empty() && mangled.front() == '*') mangled.remove_prefix(1);  // a local type
  const bool nested = !mangled.empty() && mangled.front() == 'N';
  if (nested) mangled.remove_prefix(1);
  std::string name;
  do {
    const auto part = SourceName(mangled);
    if (!part) return std::nullopt;
    if (!name.empty()) name += "::";
    name += *part;
  } while (nested && !mangled.empty() && mangled.front() != 'E');
  if (nested) {
    if (mangled.empty()) return std::nullopt;
    mangled.remove_prefix(1);
  }
  if (!mangled.empty()) return std::nullopt;
  return name;
}

// A pointer stored at `address` that leads into a loaded image.
std::optional<TAddress> ImagePointerAt(const TMemoryReader& memory, TAddress address,
                                       TInsideImageTest insideImage) {
  const auto value = memory.ReadU32(address);
  if (!value || !insideImage(*value)) return std::nullopt;
  return TAddress{*value};
}

// The zero-terminated text at `address` of printable characters, or none.
std::optional<std::string> PrintableText(const TMemoryReader& memory, TAddress address) {
  char text[kLongestName + 1];
  const std::size_t read = memory.Read(address, text, sizeof text);
  for (std::size_t i = 0; i < read; ++i) {
    if (text[i] == '\0') {
      if (i == 0) return std::nullopt;
      return std::string(text, i);
    }
    if (text[i] <= ' ' || text[i] > '~') return std::nullopt;
  }
  return std::nullopt;
}

bool LiveImageHolds(TAddress address) {
  return ModuleHandleOfAddress(address) != 0;
}

}  // namespace

std::string ReadableTypeName(std::string_view mangled) {
  return ClassName(mangled).value_or(std::string(mangled));
}

std::optional<TObjectClass> ReadObjectClass(const TMemoryReader& memory, TAddress object,
                                            TInsideImageTest insideImage) {
  if (object == 0) return std::nullopt;
  const auto table = ImagePointerAt(memory, object, insideImage);
  if (!table || *table < 4 || !insideImage(*table - 4)) return std::nullopt;
  const auto typeInfo = ImagePointerAt(memory, *table - 4, insideImage);
  if (!typeInfo || !ImagePointerAt(memory, *typeInfo, insideImage)) return std::nullopt;
  const auto nameAddress = ImagePointerAt(memory, *typeInfo + 4, insideImage);
  if (!nameAddress) return std::nullopt;
  const auto mangled = PrintableText(memory, *nameAddress);
  if (!mangled) return std::nullopt;
  auto name = ClassName(*mangled);
  if (!name) return std::nullopt;
  return TObjectClass{*typeInfo, std::move(*name)};
}

std::string LiveObjectClassName(const void* object) {
  const auto found = ReadObjectClass(LiveMemory(), AddressOf(object), LiveImageHolds);
  return found ? found->Name : std::string();
}
