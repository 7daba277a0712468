#include "debuginfo/EDebugExports.h"

#include <algorithm>
#include <cstring>

#include "platform/memory/ImageReader.h"

namespace {

std::vector<std::string> SplitOnDots(std::string_view text) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (;;) {
    const auto dot = text.find('.', from);
    parts.emplace_back(text.substr(from, dot == std::string_view::npos ? text.npos : dot - from));
    if (dot == std::string_view::npos) return parts;
    from = dot + 1;
  }
}

void ApplyDottedName(std::string_view name, TCodeLocation& location) {
  const auto parts = SplitOnDots(name);
  if (parts.size() != 2 && parts.size() != 3) return;
  location.SourceUnit.Assign(parts[0] + std::string(SourceFileExtension));
  location.OwnerClass.Assign(parts.size() == 3 ? parts[1] : std::string());
  location.RoutineName.Assign(parts.back());
  location.Precision = lpUnit;
}

// "@Unit@TClass@Method$qqrv" as "Unit.TClass.Method"; empty when unusable.
std::string UndecoratedName(std::string_view name) {
  const auto dollar = name.find('$');
  if (dollar == std::string_view::npos) return {};
  std::string text(name.substr(0, dollar));
  if (!text.empty() && text.back() == '@') text.pop_back();
  if (!text.empty() && text.front() == '@') text.erase(0, 1);
  const auto pair = text.find("@@");
  if (pair != std::string::npos) text[pair + 1] = '_';
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '@') {
      text[i] = '.';
      ++i;  // the character after a replaced "@" is not examined
    }
  }
  return text;
}

}  // namespace

void ParseExportedName(std::string_view name, TCodeLocation& location) {
  if (name.empty()) return;
  if (name[0] == '@') {
    if (name.size() > 1 && name[1] != '$') {
      const std::string undecorated = UndecoratedName(name);
      if (!undecorated.empty()) ApplyDottedName(undecorated, location);
    }
    return;
  }
  if (name.find('.') != std::string_view::npos) {
    ApplyDottedName(name.substr(0, name.find('@')), location);
    return;
  }
  if (name[0] != '?') {
    location.RoutineName.Assign(name);
    location.Precision = lpRoutine;
  }
}

TDovaroFunctionsList::TDovaroFunctionsList(std::vector<TDovaroFunctionInfo> functions)
    : functions_(std::move(functions)) {
  std::stable_sort(functions_.begin(), functions_.end(),
                   [](const auto& a, const auto& b) { return a.Address < b.Address; });
}

std::optional<TDovaroFunctionInfo> TDovaroFunctionsList::Find(
    std::uintptr_t address, const TProcedureLengthMeasure& measure) {
  std::lock_guard guard(lock_);
  if (functions_.empty()) return std::nullopt;
  // The last function starting at or before the address is the candidate.
  auto after = std::upper_bound(functions_.begin(), functions_.end(), address,
                                [](std::uintptr_t a, const auto& f) { return a < f.Address; });
  if (after == functions_.begin()) return std::nullopt;
  TDovaroFunctionInfo& candidate = *(after - 1);
  if (candidate.Size == 0 && measure) candidate.Size = measure(candidate.Address);
  if (address > candidate.Address + candidate.Size) return std::nullopt;
  return candidate;
}

std::unique_ptr<TDovaroFunctionsList> ReadExportedFunctions(const TMemoryReader& memory,
                                                            TAddress handle) {
  const TImageReader image(memory, handle);
  if (!image.Layout() || image.Layout()->Directories[kDirectoryExport].Size == 0) return nullptr;
  std::vector<TDovaroFunctionInfo> list;
  for (TImageExport& entry : image.Exports()) {
    if (entry.Rva == 0 || entry.Forwarder) continue;
    list.push_back({std::move(entry.Name), handle + entry.Rva, 0});
  }
  return std::make_unique<TDovaroFunctionsList>(std::move(list));
}
