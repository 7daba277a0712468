#include "debuginfo/ESnapshotModuleFacts.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "debuginfo/ESnapshotTexts.h"
#include "platform/memory/ImageReader.h"
#include "platform/memory/LiveMemory.h"

namespace {

constexpr const char* kPackageResources[] = {"PACKAGEINFO", "PACKAGEOPTIONS"};

// The value at `path` of a version resource, or null.
const void* VersionValue(std::vector<char>& resource, const char* path, UINT& length) {
  void* value = nullptr;
  length = 0;
  if (!VerQueryValueA(resource.data(), path, &value, &length) || length == 0) return nullptr;
  return value;
}

struct TTranslation {
  WORD Language;
  WORD CodePage;
};

// A string of the first translation ("FileDescription", "ProductVersion"),
// or empty.
std::string StringValueOf(std::vector<char>& resource, const char* name) {
  UINT length = 0;
  const auto* translation = static_cast<const TTranslation*>(
      VersionValue(resource, "\\VarFileInfo\\Translation", length));
  if (!translation || length < sizeof(TTranslation)) return {};
  char path[96];
  std::snprintf(path, sizeof path, "\\StringFileInfo\\%04X%04X\\%s", translation->Language,
                translation->CodePage, name);
  const auto* text = static_cast<const char*>(VersionValue(resource, path, length));
  if (!text) return {};
  std::string value(text, length);
  value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
  return value;
}

// The file's version resource, or empty.
std::vector<char> VersionResource(const std::string& fileName) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> resource(size);
  if (!GetFileVersionInfoA(fileName.c_str(), 0, size, resource.data())) return {};
  return resource;
}

std::string VersionOf(std::vector<char>& resource) {
  UINT length = 0;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(VersionValue(resource, "\\", length));
  if (!fixed || length < sizeof(VS_FIXEDFILEINFO)) return {};
  return FileVersionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
}

std::uint64_t LocalTicks(const FILETIME& written) {
  FILETIME local;
  if (!FileTimeToLocalFileTime(&written, &local)) return 0;
  return static_cast<std::uint64_t>(local.dwHighDateTime) << 32 | local.dwLowDateTime;
}

// The loaded image holds the same resources as its file, and asking it needs
// no second load (which a module's entry, where registration also runs, must
// not do).
bool HasPackageResources(TModuleHandle module) {
  for (const char* name : kPackageResources)
    if (!FindResourceA(static_cast<HMODULE>(module), name, RT_RCDATA)) return false;
  return true;
}

}  // namespace

bool SameFileDate(double a, double b) {
  constexpr double kStepsPerDay = 43200;
  return std::llround(a * kStepsPerDay) == std::llround(b * kStepsPerDay);
}

void ReadFileVersionFacts(const std::string& fileName, std::string& description,
                          std::string& version) {
  description.clear();
  version.clear();
  std::vector<char> resource = VersionResource(fileName);
  if (resource.empty()) return;
  description = StringValueOf(resource, "FileDescription");
  version = VersionOf(resource);
}

std::string ReadFileProductVersion(const std::string& fileName) {
  std::vector<char> resource = VersionResource(fileName);
  return resource.empty() ? std::string() : StringValueOf(resource, "ProductVersion");
}

TFileFacts ReadFileFacts(const std::string& fileName) {
  TFileFacts facts;
  ReadFileVersionFacts(fileName, facts.Description, facts.Version);
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(fileName.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return facts;
  FindClose(search);
  facts.Size = found.nFileSizeLow;
  if (const std::uint64_t ticks = LocalTicks(found.ftLastWriteTime))
    facts.LastModified = FileDateOfTicks(ticks);
  return facts;
}

double ReadFileDate(const std::string& fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(fileName.c_str(), GetFileExInfoStandard, &data)) return 0;
  const std::uint64_t ticks = LocalTicks(data.ftLastWriteTime);
  return ticks ? FileDateOfTicks(ticks) : 0;
}

TModuleType ReadModuleType(TModuleHandle module) {
  const TImageReader image(LiveMemory(), AddressOf(module));
  if (!image.Layout()) return mtUnknown;
  if (!image.Layout()->IsDll()) return mtExecutable;
  return HasPackageResources(module) ? mtPackage : mtLibrary;
}

void LoadModuleFacts(TDovaroModuleInfo& module, bool readModuleType) {
  TFileFacts facts = ReadFileFacts(module.FileName);
  module.Description = std::move(facts.Description);
  module.Version = std::move(facts.Version);
  module.Size = facts.Size;
  module.LastModified = facts.LastModified;
  module.ModuleType = readModuleType ? ReadModuleType(module.Handle) : mtUnknown;
}
