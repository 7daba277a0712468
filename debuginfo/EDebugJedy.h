// JDBG debug data: a 34-byte header, variable-length integer tables of units,
// source names, symbols and lines, and an area of packed names. Pure over
// the bytes it is given (it keeps its own copy).
//
// The tables are streams of unsigned 7-bit groups (least significant first,
// bit 7 = more follows); 2147483647 ends a table; every column is a delta
// that accumulates from 0.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "debuginfo/EDebugSource.h"

#pragma pack(push, 1)
struct TJdbgHeader {
  char Signature[4];     // "JDBG"
  std::uint8_t Version;  // 1
  std::uint32_t Units;
  std::uint32_t SourceNames;
  std::uint32_t Symbols;
  std::uint32_t LineNumbers;
  std::uint32_t Words;  // the name area
  std::uint32_t ModuleName;
  std::uint32_t CheckSum;
  std::uint8_t CheckSumPresent;
};
#pragma pack(pop)
static_assert(sizeof(TJdbgHeader) == 34);
static_assert(offsetof(TJdbgHeader, CheckSum) == 29);

inline constexpr std::uint32_t kJdbgTableEnd = 2147483647;
// Names of kind 1 are XORed with this byte (bytes equal to it stay).
inline constexpr std::uint8_t kJdbgNameKey = 0xA5;

// A JDBG name as text (kinds 1 and 2 and the packed 6-bit form).
std::string DecodeJdbgName(std::span<const std::uint8_t> bytes);

class TELBinDebugScanner {
 public:
  explicit TELBinDebugScanner(std::vector<std::uint8_t> data);

  bool IsValid() const { return valid_; }
  std::int64_t ModuleStartFromOffset(std::uint32_t offset) const;
  std::string UnitNameFromOffset(std::uint32_t offset) const;
  std::string SourceNameFromOffset(std::uint32_t offset) const;
  // `start` gets the procedure's start offset (or -1).
  std::string ProcedureNameFromOffset(std::uint32_t offset, std::int64_t* start = nullptr) const;
  std::int32_t LineNumberFromOffset(std::uint32_t offset) const;

 private:
  struct TSymbol {
    std::uint32_t Offset;
    std::uint32_t FirstName;
    std::uint32_t SecondName;
  };
  struct TLine {
    std::uint32_t Offset;
    std::int32_t Line;
  };
  bool CheckFormat() const;
  std::string Name(std::uint32_t index) const;
  // The last (address, name) pair of a two-column table with address <= offset.
  bool LastPair(std::uint32_t table, std::uint32_t offset, std::uint32_t& start,
                std::uint32_t& name) const;
  void BuildArrays() const;

  std::vector<std::uint8_t> data_;
  TJdbgHeader header_{};
  bool valid_ = false;
  mutable std::once_flag arraysBuilt_;
  mutable std::vector<TSymbol> symbols_;
  mutable std::vector<TLine> lines_;
};

// The JDBG source: the loaded image's "JCLDEBUG" section, else the
// "<module>.jdbg" file beside the module.
class TELDebugInfoJedy : public TELDebugInfoSource {
 public:
  TELDebugInfoJedy(std::uintptr_t moduleHandle, const TModuleAccess& access);
  bool Open() override;
  bool IsReady() const override { return scanner_ && scanner_->IsValid(); }
  bool GetLocation(std::uintptr_t address, TELLocationInfo& info) const override;

 private:
  std::unique_ptr<TELBinDebugScanner> scanner_;
};
