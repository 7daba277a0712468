#include "engine/ECoreModules.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

#include "engine/EngineContext.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/PathText.h"

namespace {

HMODULE AsHandle(TModuleHandle module) {
  return static_cast<HMODULE>(module);
}

std::string ModuleFileName(TModuleHandle module) {
  char path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameA(AsHandle(module), path, sizeof path);
  return std::string(path, length < sizeof path ? length : 0);
}

// The appended carrier's block (the B bytes before the trailer), or none.
std::optional<std::vector<std::uint8_t>> AppendedBlock(const std::string& fileName,
                                                       bool wholeBlock) {
  const HANDLE file =
      CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> block;
  LARGE_INTEGER size{};
  const auto readAt = [&](long long offset, std::vector<std::uint8_t>& bytes) {
    LARGE_INTEGER position;
    position.QuadPart = offset;
    DWORD read = 0;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
           ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
           read == bytes.size();
  };
  std::vector<std::uint8_t> trailer(kAppendedTrailerSize);
  if (GetFileSizeEx(file, &size) && size.QuadPart >= static_cast<long long>(trailer.size()) &&
      readAt(size.QuadPart - trailer.size(), trailer)) {
    const auto length = AppendedBlockLength(trailer);
    const long long available = size.QuadPart - static_cast<long long>(trailer.size());
    if (length && *length <= available) {
      std::vector<std::uint8_t> bytes(wholeBlock ? *length : std::min<std::uint32_t>(*length, 2));
      if (readAt(available - *length, bytes)) block = std::move(bytes);
    }
  }
  CloseHandle(file);
  return block;
}

TEldataReadSettings ReadSettingsFor(const TDovaroModuleInfo& record, bool optionsOnly) {
  TEldataReadSettings settings;
  settings.LightRegistration = optionsOnly;
  settings.RetryPassword = record.Handle != CurrentModuleHandle();
  const TEngineContext* context = EngineContext();
  if (const TDebugPasswordRequest request = context ? context->RequestDebugPassword : nullptr)
    settings.ObtainPassword = [request, &record](int attempt) { return request(record, attempt); };
  return settings;
}

bool LoadEngineData(TDovaroModuleInfo& record, bool optionsOnly) {
  // Loaded on the side, so a block that fails half-way leaves the defaults.
  TDovaroModuleOptions loaded(record.FileName);
  TEldataContent content;
  const TEldataReadSettings settings = ReadSettingsFor(record, optionsOnly);
  const auto resource = EldataResource(record.Handle);
  bool ok = false;
  if (!resource.empty()) {
    ok = ReadEldataResource(resource, loaded, content, settings);
  } else if (const auto block = AppendedBlock(record.FileName, true)) {
    ok = ReadEldataAppended(*block, loaded, content, settings);
  }
  if (!ok) return false;
  record.FormatVersion = static_cast<std::uint16_t>(content.FormatVersion);
  record.BuildStamp = content.BuildStamp;
  record.DebugInfo = std::move(content.DebugInfo);
  record.DebugPassword = std::move(content.DebugPassword);
  record.PasswordValid = content.PasswordValid;
  record.SymbolTable = std::move(content.SymbolTable);
  record.Options->Assign(&loaded);
  return true;
}

}  // namespace

std::vector<std::unique_ptr<TDovaroModuleInfo>>::const_iterator TDovaroModulesList::PlaceOf(
    TModuleHandle module) const {
  return std::lower_bound(records_.begin(), records_.end(), module,
                          [](const std::unique_ptr<TDovaroModuleInfo>& listed, TModuleHandle h) {
                            return std::less<TModuleHandle>()(listed->Handle, h);
                          });
}

TDovaroModuleInfo& TDovaroModulesList::Add(std::unique_ptr<TDovaroModuleInfo> record) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto place = PlaceOf(record->Handle);
  if (place != records_.end() && (*place)->Handle == record->Handle) return **place;
  return **records_.insert(place, std::move(record));
}

TDovaroModuleInfo& TDovaroModulesList::Replace(std::unique_ptr<TDovaroModuleInfo> record) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto place = records_.begin() + (PlaceOf(record->Handle) - records_.cbegin());
  if (place == records_.end() || (*place)->Handle != record->Handle)
    return **records_.insert(place, std::move(record));
  retired_.push_back(std::move(*place));
  *place = std::move(record);
  return **place;
}

TDovaroModuleInfo* TDovaroModulesList::Find(TModuleHandle module) const {
  std::lock_guard<std::mutex> guard(lock_);
  const auto place = PlaceOf(module);
  return place != records_.end() && (*place)->Handle == module ? place->get() : nullptr;
}

std::size_t TDovaroModulesList::RemoveIf(
    const std::function<bool(const TDovaroModuleInfo&)>& stale) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto kept = std::stable_partition(records_.begin(), records_.end(),
                                          [&](const auto& listed) { return !stale(*listed); });
  const auto removed = static_cast<std::size_t>(records_.end() - kept);
  std::move(kept, records_.end(), std::back_inserter(retired_));
  records_.erase(kept, records_.end());
  return removed;
}

void TDovaroModulesList::ForEach(const std::function<void(const TDovaroModuleInfo&)>& visit) const {
  std::lock_guard<std::mutex> guard(lock_);
  for (const auto& listed : records_) visit(*listed);
}

std::size_t TDovaroModulesList::Count() const {
  std::lock_guard<std::mutex> guard(lock_);
  return records_.size();
}

void TDovaroModulesList::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  records_.clear();
  retired_.clear();
}

TDovaroModulesList& ModulesList() {
  static TDovaroModulesList list;
  return list;
}

std::span<const std::uint8_t> EldataResource(TModuleHandle module) {
  const HRSRC found =
      FindResourceA(AsHandle(module), kEldataResourceName, MAKEINTRESOURCEA(kEldataResourceType));
  if (!found) return {};
  const HGLOBAL loaded = LoadResource(AsHandle(module), found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return {static_cast<const std::uint8_t*>(bytes), SizeofResource(AsHandle(module), found)};
}

bool HasEngineData(TModuleHandle module) {
  return PeekEldataHeader(EldataResource(module)).has_value() ||
         AppendedBlock(ModuleFileName(module), false).has_value();
}

int EngineDataVersion(TModuleHandle module) {
  if (const auto header = PeekEldataHeader(EldataResource(module))) return header->FormatVersion;
  const auto start = AppendedBlock(ModuleFileName(module), false);
  if (!start || start->size() < 2) return 0;
  return (*start)[0] | (*start)[1] << 8;
}

bool IsCompatibleEngine(TModuleHandle module) {
  return EngineDataVersion(module) >= kEngineDataVersion;
}

void* FindSymbol(std::uint8_t symbolId) {
  const TDovaroModuleInfo* current = CurrentModuleInfo();
  if (!current) return nullptr;
  const auto entry = FindSymbolEntry(current->SymbolTable, symbolId);
  if (!entry) return nullptr;
  return static_cast<std::uint8_t*>(current->Handle) + kSymbolCodeStart + entry->Offset;
}

std::unique_ptr<TDovaroModuleInfo> LoadModuleRecord(TModuleHandle module,
                                                    const std::string& fileName, bool full) {
  auto record = std::make_unique<TDovaroModuleInfo>();
  record->Handle = module;
  record->FileName = fileName.empty() ? ModuleFileName(module) : fileName;
  record->Options = std::make_unique<TDovaroModuleOptionsEx>(record->FileName, module);
  // During an enumeration, as under light registration, only options are read.
  const bool enumerating = ModulesList().Enumerating();
  const bool optionsOnly = enumerating || LightRegistration();
  record->EngineDataLoaded = full && LoadEngineData(*record, optionsOnly);
  const TEngineContext* context = EngineContext();
  if (context && full && !optionsOnly) {
    if (record->DebugInfo && context->IndexDebugInformation) {
      context->IndexDebugInformation(*record);
    } else if (!record->DebugInfo && context->LoadOtherDebugSource) {
      context->LoadOtherDebugSource(*record);
    }
    if (context->LoadExportedFunctions) context->LoadExportedFunctions(*record);
  }
  if (context && context->LoadModuleFacts) context->LoadModuleFacts(*record, !enumerating);
  // Another module's engine may have changed its options since it loaded them.
  if (record->EngineDataLoaded && module != CurrentModuleHandle()) record->Options->Refresh();
  return record;
}

TDovaroModuleInfo& RegisterModule(TModuleHandle module, const std::string& fileName, bool full) {
  if (TDovaroModuleInfo* listed = ModulesList().Find(module)) return *listed;
  // Two threads may meet here for one module: the list keeps the first record.
  return ModulesList().Add(LoadModuleRecord(module, fileName, full));
}

TDovaroModuleInfo* CurrentModuleInfo() {
  return ModulesList().Find(CurrentModuleHandle());
}

std::string CurrentModuleFileName() {
  return ModuleFileName(CurrentModuleHandle());
}

TDovaroModuleOptionsEx& CurrentZuderaDodOptions() {
  TDovaroModuleInfo* current = CurrentModuleInfo();
  if (!current || !current->EngineDataLoaded)
    throw EAssertionFailed("\r\nCannot use 'CurrentZuderaDodOptions' function in module \"" +
                           ExtractFileName(CurrentModuleFileName()) +
                           "\" without activate ZuderaDod.\r\nTo activate ZuderaDod use the new "
                           "IDE \"Project/ZuderaDod Options...\" menu.");
  return *current->Options;
}

bool LightRegistration() {
  const TEngineContext* context = EngineContext();
  return context && context->LightRegistration.load();
}
