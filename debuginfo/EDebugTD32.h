// TD32 symbol data (the debug data of Borland-style linkers): the signature
// check, the subsection directories, modules, aligned symbols, source
// modules with their line tables, and the names table. Pure over a byte span.
//
// Layout (little-endian; offsets from the data's base, the position of the
// first "FB09"/"FB0A"): base: signature, u32 directory offset. Directory:
// u16 header size, u16 entry size (12), u32 entry count, u32 next directory,
// u32 flags; entries of u16 type, u16 module index, u32 offset, u32 size.
// The data ends with the signature and u32 (end - base).
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "debuginfo/EDebugSource.h"

#pragma pack(push, 1)
struct TTD32DirectoryHeader {
  std::uint16_t HeaderSize;
  std::uint16_t EntrySize;
  std::uint32_t EntryCount;
  std::uint32_t NextDirectory;
  std::uint32_t Flags;
};
struct TTD32DirectoryEntry {
  std::uint16_t SubsectionType;
  std::uint16_t ModuleIndex;
  std::uint32_t Offset;
  std::uint32_t Size;
};
// A module subsection: this header, then SegmentCount segment records.
struct TTD32ModuleHeader {
  std::uint16_t OverlayNumber;
  std::uint16_t LibraryIndex;
  std::uint16_t SegmentCount;
  std::uint16_t DebuggingStyle;
  std::uint32_t NameIndex;
  std::uint32_t TimeStamp;
  std::uint32_t Reserved[3];
};
struct TTD32SegmentInfo {
  std::uint16_t Segment;
  std::uint16_t Flags;
  std::uint32_t Offset;
  std::uint32_t Size;
};
// The body of a procedure symbol (types 0x204 and 0x205).
struct TTD32ProcSymbol {
  std::uint32_t Parent;
  std::uint32_t End;
  std::uint32_t Next;
  std::uint32_t Size;
  std::uint32_t DebugStart;
  std::uint32_t DebugEnd;
  std::uint32_t Offset;
  std::uint16_t Segment;
  std::uint32_t ProcType;
  std::uint8_t NearFar;
  std::uint8_t Reserved;
  std::uint32_t NameIndex;
  std::uint32_t TypeIndex;
};
#pragma pack(pop)
static_assert(sizeof(TTD32DirectoryHeader) == 16);
static_assert(sizeof(TTD32DirectoryEntry) == 12);
static_assert(sizeof(TTD32ModuleHeader) == 28);
static_assert(sizeof(TTD32SegmentInfo) == 12);
static_assert(sizeof(TTD32ProcSymbol) == 44);
static_assert(offsetof(TTD32ProcSymbol, NameIndex) == 36);

inline constexpr std::uint16_t kTD32Modules = 0x120;
inline constexpr std::uint16_t kTD32AlignedSymbols = 0x125;
inline constexpr std::uint16_t kTD32SourceModules = 0x127;
inline constexpr std::uint16_t kTD32Names = 0x130;

struct TELModuleInfo {
  std::uint32_t NameIndex = 0;
  std::vector<TTD32SegmentInfo> Segments;
};

// Symbols of the aligned-symbols subsections; only procedures matter to
// lookups, the other kinds are kept by kind and name.
class TELSymbolInfo {
 public:
  TELSymbolInfo(std::uint16_t kind, std::uint32_t nameIndex) : kind_(kind), nameIndex_(nameIndex) {}
  virtual ~TELSymbolInfo() = default;
  std::uint16_t Kind() const { return kind_; }
  std::uint32_t NameIndex() const { return nameIndex_; }

 private:
  std::uint16_t kind_;
  std::uint32_t nameIndex_;
};
class TELConstantSymbolInfo : public TELSymbolInfo {
  using TELSymbolInfo::TELSymbolInfo;
};
class TELUdtSymbolInfo : public TELSymbolInfo {
  using TELSymbolInfo::TELSymbolInfo;
};
class TELObjNameSymbolInfo : public TELSymbolInfo {
  using TELSymbolInfo::TELSymbolInfo;
};
class TELDataSymbolInfo : public TELSymbolInfo {
  using TELSymbolInfo::TELSymbolInfo;
};
class TELLDataSymbolInfo : public TELDataSymbolInfo {
  using TELDataSymbolInfo::TELDataSymbolInfo;
};
class TELGDataSymbolInfo : public TELDataSymbolInfo {
  using TELDataSymbolInfo::TELDataSymbolInfo;
};
class TELPublicSymbolInfo : public TELDataSymbolInfo {
  using TELDataSymbolInfo::TELDataSymbolInfo;
};
class TELWithSymbolInfo : public TELSymbolInfo {
  using TELSymbolInfo::TELSymbolInfo;
};
class TELLabelSymbolInfo : public TELSymbolInfo {
  using TELSymbolInfo::TELSymbolInfo;
};
class TELVftPathSymbolInfo : public TELSymbolInfo {
  using TELSymbolInfo::TELSymbolInfo;
};
class TELProcSymbolInfo : public TELSymbolInfo {
 public:
  TELProcSymbolInfo(std::uint16_t kind, const TTD32ProcSymbol& body)
      : TELSymbolInfo(kind, body.NameIndex), size_(body.Size), offset_(body.Offset) {}
  std::uint32_t Size() const { return size_; }
  std::uint32_t Offset() const { return offset_; }

 private:
  std::uint32_t size_;
  std::uint32_t offset_;
};
class TELLocalProcSymbolInfo : public TELProcSymbolInfo {
  using TELProcSymbolInfo::TELProcSymbolInfo;
};
class TELGlobalProcSymbolInfo : public TELProcSymbolInfo {
  using TELProcSymbolInfo::TELProcSymbolInfo;
};

struct TELLineInfo {
  std::uint32_t LineNumber = 0;
  std::uint32_t Offset = 0;
};

struct TELSourceModuleInfo {
  std::uint32_t NameIndex = 0;
  std::vector<TELLineInfo> Lines;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> SegmentRanges;  // start, end
};

// True for data that ends with a TD32 signature and offset pointing back to
// a second signature inside the data.
bool IsTD32Data(std::span<const std::uint8_t> data);

class TELTD32InfoScanner {
 public:
  // Parses `data`; a malformed directory or an index outside a table raises
  // Exception("Assertion failure"), any other damage leaves it not valid.
  explicit TELTD32InfoScanner(std::span<const std::uint8_t> data);

  bool IsValid() const { return valid_; }
  std::string Name(std::uint32_t nameIndex) const;
  const TELModuleInfo* ModuleFromOffset(std::uint32_t offset) const;
  const TELProcSymbolInfo* ProcedureFromOffset(std::uint32_t offset) const;
  const TELSourceModuleInfo* SourceModuleFromOffset(std::uint32_t offset) const;
  // The line at exactly `offset`, or of the entry before the first beyond it.
  std::uint32_t LineNumberFromOffset(const TELSourceModuleInfo& source, std::uint32_t offset) const;

  const std::vector<TELModuleInfo>& Modules() const { return modules_; }
  const std::vector<std::unique_ptr<TELSymbolInfo>>& Symbols() const { return symbols_; }
  const std::vector<TELSourceModuleInfo>& SourceModules() const { return sourceModules_; }

 private:
  void ReadDirectories(std::span<const std::uint8_t> base, std::uint32_t directoryOffset);
  void ReadModule(std::span<const std::uint8_t> bytes);
  void ReadSymbols(std::span<const std::uint8_t> bytes);
  void ReadSourceModule(std::span<const std::uint8_t> bytes);
  void ReadNames(std::span<const std::uint8_t> bytes);
  void CheckNameIndex(std::uint32_t nameIndex) const;

  bool valid_ = false;
  std::vector<TELModuleInfo> modules_;
  std::vector<std::unique_ptr<TELSymbolInfo>> symbols_;
  std::vector<const TELProcSymbolInfo*> procedures_;
  std::vector<TELSourceModuleInfo> sourceModules_;
  std::vector<std::string> names_;
};

// A procedure name of TD32 data made readable: "@Unit@TClass@Method$qqrv"
// in module "Unit" gives "TClass.Method".
std::string CleanTD32ProcedureName(std::string_view name, std::string_view moduleName);

// The TD32 source: data of the loaded image's debug directory, else the
// "<module>.tds" file beside the module.
class TELDebugInfoTD32 : public TELDebugInfoSource {
 public:
  TELDebugInfoTD32(std::uintptr_t moduleHandle, const TModuleAccess& access);
  bool Open() override;
  bool IsReady() const override { return scanner_ && scanner_->IsValid(); }
  bool GetLocation(std::uintptr_t address, TELLocationInfo& info) const override;

 private:
  std::vector<std::uint8_t> data_;
  std::unique_ptr<TELTD32InfoScanner> scanner_;
};
