#include "debuginfo/EObjectClass.h"

#include <cxxabi.h>

#include <cctype>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::size_t kMaxEncodedName = 256;

// The name of a class type: a length-prefixed identifier or a nested name.
bool LooksLikeClassName(const std::string& encoded) {
  if (encoded.empty()) return false;
  const unsigned char first = static_cast<unsigned char>(encoded[0]);
  return std::isdigit(first) || first == 'N' || first == 'S';
}

std::optional<std::string> ReadText(const TMemoryReader& memory, TAddress at) {
  std::string text;
  char c = 0;
  for (; text.size() < kMaxEncodedName; ++at) {
    if (!memory.ReadRecord(at, c)) return std::nullopt;
    if (c == 0) return text;
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
      return std::nullopt;
    }
    text += c;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> DecodedTypeName(const std::string& encoded) {
  if (!LooksLikeClassName(encoded)) return std::nullopt;
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> plain(
      abi::__cxa_demangle(encoded.c_str(), nullptr, nullptr, &status), &std::free);
  if (status != 0 || !plain) return std::nullopt;
  return std::string(plain.get());
}

std::optional<std::string> ObjectClassName(const TMemoryReader& memory, TAddress object,
                                           TImageAddressTest insideImage) {
  if (!insideImage) return std::nullopt;
  const auto methodTable = memory.ReadU32(object);
  if (!methodTable || *methodTable < 4 || !insideImage(*methodTable)) return std::nullopt;
  const auto typeInfo = memory.ReadU32(*methodTable - 4);
  if (!typeInfo || !insideImage(*typeInfo)) return std::nullopt;
  // The type information starts with its own method table, then the name.
  const auto ownTable = memory.ReadU32(*typeInfo);
  const auto name = memory.ReadU32(*typeInfo + 4);
  if (!ownTable || !insideImage(*ownTable) || !name || !insideImage(*name)) return std::nullopt;
  const auto encoded = ReadText(memory, *name);
  if (!encoded) return std::nullopt;
  return DecodedTypeName(*encoded);
}
