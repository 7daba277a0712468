// The type records of our compiler (the Itanium C++ ABI): a class without
// bases, a class with one public base at offset 0 (the record names it after
// the name), and a class with several or offset bases (a count and pairs of
// base record and offset). Which kind a record is, its own table's type
// record tells by name.
#include "engine/ExceptionLogClasses.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <exception>

#include "debuginfo/EDebugModules.h"
#include "debuginfo/ESnapshotObjectClass.h"
#include "platform/memory/LiveMemory.h"
#include "platform/runtime/SehGuard.h"

namespace {

constexpr int kMaxDepth = 32;
constexpr std::size_t kLongestMessage = 65536;
constexpr std::uint32_t kVmiBaseCountLimit = 64;
constexpr std::uint32_t kVmiOffsetShift = 8;

bool InsideImage(TAddress address) {
  return ModuleHandleOfAddress(address) != 0;
}

std::optional<TAddress> ImagePointer(TAddress at) {
  const auto value = LiveMemory().ReadU32(at);
  if (!value || !InsideImage(*value)) return std::nullopt;
  return TAddress{*value};
}

// The zero-terminated text at `at`, of at most `limit` characters.
std::optional<std::string> Text(TAddress at, std::size_t limit = 255) {
  std::string text;
  char chunk[256];
  while (text.size() <= limit) {
    const std::size_t read = LiveMemory().Read(at + text.size(), chunk, sizeof chunk);
    for (std::size_t i = 0; i < read; ++i) {
      if (chunk[i] == '\0') return text.append(chunk, i);
    }
    if (read < sizeof chunk) return std::nullopt;
    text.append(chunk, read);
  }
  return std::nullopt;
}

// The mangled name of a type record.
std::optional<std::string> MangledName(TAddress record) {
  const auto name = ImagePointer(record + 4);
  if (!name) return std::nullopt;
  return Text(*name);
}

// "St9exception" and other names of the standard namespace, readable; a
// class of an anonymous namespace is shown by its own name.
std::string Readable(const std::string& mangled) {
  if (mangled.size() > 2 && mangled[0] == 'S' && mangled[1] == 't') {
    return "std::" + ReadableTypeName(mangled.substr(2));
  }
  std::string name = ReadableTypeName(mangled);
  constexpr std::string_view kAnonymous = "_GLOBAL__N_1::";
  for (auto at = name.find(kAnonymous); at != std::string::npos; at = name.find(kAnonymous)) {
    name.erase(at, kAnonymous.size());
  }
  return name;
}

enum class TRecordKind { kPlain, kSingle, kMultiple, kOther };

TRecordKind KindOf(TAddress record) {
  const auto table = ImagePointer(record);
  if (!table) return TRecordKind::kOther;
  const auto kindRecord = ImagePointer(*table - 4);
  if (!kindRecord) return TRecordKind::kOther;
  const auto kind = MangledName(*kindRecord);
  if (!kind) return TRecordKind::kOther;
  if (kind->find("__si_class_type_info") != std::string::npos) return TRecordKind::kSingle;
  if (kind->find("__vmi_class_type_info") != std::string::npos) return TRecordKind::kMultiple;
  if (kind->find("__class_type_info") != std::string::npos) return TRecordKind::kPlain;
  return TRecordKind::kOther;
}

// The base at offset 0 of a record, when it has one.
std::optional<TAddress> PrimaryBase(TAddress record) {
  switch (KindOf(record)) {
    case TRecordKind::kSingle:
      return ImagePointer(record + 8);
    case TRecordKind::kMultiple: {
      const auto count = LiveMemory().ReadU32(record + 12);
      if (!count || *count == 0 || *count > kVmiBaseCountLimit) return std::nullopt;
      for (std::uint32_t i = 0; i < *count; ++i) {
        const TAddress pair = record + 16 + 8 * i;
        const auto offsetFlags = LiveMemory().ReadU32(pair + 4);
        if (offsetFlags && (static_cast<std::int32_t>(*offsetFlags) >> kVmiOffsetShift) == 0) {
          return ImagePointer(pair);
        }
      }
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

std::string Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

bool SameName(std::string_view a, std::string_view b) {
  const std::string x = Trimmed(a), y = Trimmed(b);
  return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), [](char p, char q) {
           return std::tolower(static_cast<unsigned char>(p)) ==
                  std::tolower(static_cast<unsigned char>(q));
         });
}

}  // namespace

std::vector<std::string> ClassAncestry(const void* object) {
  std::vector<std::string> names;
  const auto found = ReadObjectClass(LiveMemory(), AddressOf(object), InsideImage);
  if (!found) return names;
  std::optional<TAddress> record = found->TypeInfo;
  for (int depth = 0; record && depth < kMaxDepth; ++depth) {
    const auto mangled = MangledName(*record);
    if (!mangled) break;
    names.push_back(Readable(*mangled));
    record = PrimaryBase(*record);
  }
  return names;
}

std::vector<std::string> TClassAncestryCache::Ancestry(const void* object,
                                                       const std::type_info* type) {
  if (!type) return ClassAncestry(object);
  const char* name = type->name();
  {
    std::lock_guard hold(lock_);
    for (const TEntry& entry : entries_) {
      if (entry.Type == type && entry.Name == name) return entry.Names;
    }
  }
  std::vector<std::string> names = ClassAncestry(object);
  std::lock_guard hold(lock_);
  entries_[next_] = TEntry{type, name, names};
  next_ = (next_ + 1) % entries_.size();
  return names;
}

bool InheritsFromName(const std::vector<std::string>& ancestry, std::string_view name) {
  // A name without its namespaces names the class in any namespace.
  const auto unqualified = [](std::string_view full) {
    const auto colons = full.rfind("::");
    return colons == std::string_view::npos ? full : full.substr(colons + 2);
  };
  return std::any_of(ancestry.begin(), ancestry.end(), [&](const std::string& ancestor) {
    return SameName(ancestor, name) || SameName(unqualified(ancestor), name);
  });
}

bool IsValidObject(const void* object) {
  return !ClassAncestry(object).empty();
}

bool IsAbortException(const void* object) {
  return InheritsFromName(ClassAncestry(object), "EAbort");
}

std::optional<std::string> ExceptionMessage(const void* object) {
  if (!InheritsFromName(ClassAncestry(object), "std::exception")) return std::nullopt;
  const char* text = nullptr;
  auto read = [&] { text = static_cast<const std::exception*>(object)->what(); };
  SehFailure failure;
  if (!CallWithSehGuard(read, failure) || !text) return std::nullopt;
  return Text(AddressOf(text), kLongestMessage);
}

std::string ExceptionClassName(const void* object) {
  const std::vector<std::string> ancestry = ClassAncestry(object);
  return ancestry.empty() ? std::string() : ancestry.front();
}
