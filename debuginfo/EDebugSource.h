// The "other" debug sources of a module (map text, TD32 data, JDBG data):
// one interface, one file per format. Each source reads its data once when it
// is created and answers lookups from memory afterwards.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "debuginfo/EDebugBlock.h"
#include "platform/memory/MemoryReader.h"

class TELDebugInfoSource;

// What a source answers for one address.
struct TELLocationInfo {
  std::uintptr_t Address = 0;
  std::string UnitName;
  std::string ProcedureName;
  std::int32_t LineOffset = 0;  // lines from the procedure's first line
  std::int32_t LineNumber = 0;
  std::string SourceName;
  const TELDebugInfoSource* DebugInfo = nullptr;
};

// How a source reaches its module: the file name, files beside it and the
// loaded image. The Win32 implementation is LiveModuleAccess(); tests give
// fabricated images. Reads never raise.
class TModuleAccess {
 public:
  virtual ~TModuleAccess() = default;
  // The module's file name as the system reports it (at most 260 characters).
  virtual std::string ModuleFileName(std::uintptr_t handle) const = 0;
  // The whole file, or nothing when it does not exist or cannot be read.
  virtual std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) const = 0;
  // The memory the module's image is read from.
  virtual const TMemoryReader& Memory() const = 0;
};

// The process's own loaded modules (Win32); lives for the whole process.
const TModuleAccess& LiveModuleAccess();

class TELDebugInfoSource {
 public:
  TELDebugInfoSource(std::uintptr_t moduleHandle, const TModuleAccess& access)
      : moduleHandle_(moduleHandle), access_(access) {}
  virtual ~TELDebugInfoSource() = default;
  TELDebugInfoSource(const TELDebugInfoSource&) = delete;
  TELDebugInfoSource& operator=(const TELDebugInfoSource&) = delete;

  // Locates and loads the data; true on success. Derived constructors call it.
  virtual bool Open() = 0;
  // Address - handle - 0x1000, as the debug data counts code offsets.
  virtual std::int64_t AddressToOffset(std::uintptr_t address) const {
    return static_cast<std::int64_t>(address) - static_cast<std::int64_t>(moduleHandle_) -
           static_cast<std::int64_t>(kCodeSectionOffset);
  }
  virtual bool IsReady() const = 0;
  // Fills `info`; false when no unit name is found. Never raises.
  virtual bool GetLocation(std::uintptr_t address, TELLocationInfo& info) const = 0;

  std::uintptr_t ModuleHandle() const { return moduleHandle_; }

 protected:
  const TModuleAccess& Access() const { return access_; }
  // AddressToOffset as a 32-bit code offset; none outside 0 to 4 GB.
  std::optional<std::uint32_t> CodeOffset(std::uintptr_t address) const {
    const std::int64_t offset = AddressToOffset(address);
    if (offset < 0 || offset > 0xFFFFFFFF) return std::nullopt;
    return static_cast<std::uint32_t>(offset);
  }
  // The module's file name with its extension replaced by `extension`.
  std::string SiblingFileName(const char* extension) const;
  // Lines from a procedure's first line to `line`: never negative, and
  // within 32 bits whatever numbers damaged data holds.
  static std::int32_t LinesAfter(std::int64_t line, std::int64_t firstLine) {
    const std::int64_t distance = line - firstLine;
    return distance <= 0 ? 0
                         : static_cast<std::int32_t>(std::min<std::int64_t>(distance, 0x7FFFFFFF));
  }

 private:
  std::uintptr_t moduleHandle_;
  const TModuleAccess& access_;
};

// Tries the map, TD32 and JDBG sources in this order through `access`.
std::unique_ptr<TELDebugInfoSource> CreateOtherDebugSource(std::uintptr_t moduleHandle,
                                                           const TModuleAccess& access);
