#include "engine/ECoreSharedArea.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace {

// A new section has room for payloads up to this size, so a later, larger
// option stream still fits when a reader holds the section open meanwhile.
constexpr std::size_t kSectionGranularity = 64 * 1024;
constexpr std::size_t kLengthFieldSize = 4;

std::mutex publishedLock;
std::map<TModuleHandle, std::unique_ptr<TSharedOptionsArea>>& PublishedAreas() {
  static std::map<TModuleHandle, std::unique_ptr<TSharedOptionsArea>> areas;
  return areas;
}

std::size_t MappedSize(const void* view) {
  MEMORY_BASIC_INFORMATION info;
  return VirtualQuery(view, &info, sizeof info) ? info.RegionSize : 0;
}

}  // namespace

std::string SharedOptionsAreaName(unsigned long processId, TModuleHandle module) {
  char name[17];
  std::snprintf(name, sizeof name, "%08lX%08lX", processId,
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(module)));
  return name;
}

TSharedOptionsArea::TSharedOptionsArea(void* mapping, void* view, std::size_t length)
    : mapping_(mapping),
      view_(view),
      payload_(static_cast<std::uint8_t*>(view) + kLengthFieldSize),
      length_(length) {}

TSharedOptionsArea::~TSharedOptionsArea() {
  UnmapViewOfFile(view_);
  CloseHandle(mapping_);
}

std::unique_ptr<TSharedOptionsArea> TSharedOptionsArea::Open(TModuleHandle module,
                                                             std::size_t payloadSize,
                                                             unsigned long processId) {
  const std::string name = SharedOptionsAreaName(processId, module);
  HANDLE mapping = nullptr;
  if (payloadSize == 0) {
    mapping = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name.c_str());
  } else {
    const std::size_t wanted = payloadSize + kLengthFieldSize;
    const std::size_t capacity =
        (wanted + kSectionGranularity - 1) / kSectionGranularity * kSectionGranularity;
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                 static_cast<DWORD>(capacity), name.c_str());
  }
  if (!mapping) return nullptr;
  const bool existed = payloadSize == 0 || GetLastError() == ERROR_ALREADY_EXISTS;
  void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
  if (!view) {
    CloseHandle(mapping);
    return nullptr;
  }
  const std::size_t room = MappedSize(view);
  std::uint32_t length = static_cast<std::uint32_t>(payloadSize);
  if (existed && payloadSize == 0) std::memcpy(&length, view, sizeof length);
  // An existing section cannot grow, and a stored length must lie inside it.
  if (room < kLengthFieldSize || length > room - kLengthFieldSize) {
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    return nullptr;
  }
  std::memcpy(view, &length, sizeof length);
  return std::unique_ptr<TSharedOptionsArea>(new TSharedOptionsArea(mapping, view, length));
}

bool PublishSharedOptionsArea(TModuleHandle module, std::span<const std::uint8_t> payload) {
  if (payload.empty()) return false;
  std::lock_guard<std::mutex> guard(publishedLock);
  auto& areas = PublishedAreas();
  areas.erase(module);
  auto area = TSharedOptionsArea::Open(module, payload.size(), GetCurrentProcessId());
  if (!area) return false;
  std::memcpy(area->Payload().data(), payload.data(), payload.size());
  areas[module] = std::move(area);
  return true;
}

bool EnsureSharedOptionsArea(TModuleHandle module) {
  {
    std::lock_guard<std::mutex> guard(publishedLock);
    if (PublishedAreas().count(module)) return true;
  }
  const std::uint8_t noOptions[1] = {0};
  return PublishSharedOptionsArea(module, noOptions);
}

void ReleaseSharedOptionsArea(TModuleHandle module) {
  std::lock_guard<std::mutex> guard(publishedLock);
  PublishedAreas().erase(module);
}

std::optional<std::vector<std::uint8_t>> ReadSharedOptionsArea(TModuleHandle module,
                                                               unsigned long processId) {
  const auto area = TSharedOptionsArea::Open(module, 0, processId);
  if (!area) return std::nullopt;
  const auto payload = area->Payload();
  return std::vector<std::uint8_t>(payload.begin(), payload.end());
}
