// Linker map text as a debug source: TELMapScanner keeps the code segment's
// unit ranges, publics, line numbers and source names as sorted tables;
// TELDebugInfoMap loads "<module>.map" beside the module.
#pragma once

#include <memory>
#include <vector>

#include "debuginfo/EDebugMapParser.h"
#include "debuginfo/EDebugSource.h"

class TELMapScanner : public TELAbstractMapParser {
 public:
  // Parses at once; the scanner owns the text its tables point into.
  explicit TELMapScanner(std::string text);

  // The start of the last unit range holding `offset`, or -1.
  std::int64_t ModuleStartFromOffset(std::int64_t offset) const;
  std::string UnitNameFromOffset(std::int64_t offset) const;
  // The entry with the greatest offset <= `offset` not below the unit's
  // start; `distance` gets offset - entry offset.
  std::string ProcedureNameFromOffset(std::int64_t offset, std::int64_t* distance = nullptr) const;
  std::int32_t LineNumberFromOffset(std::int64_t offset, std::int64_t* distance = nullptr) const;
  std::string SourceNameFromOffset(std::int64_t offset) const;

  std::size_t LineNumberErrors() const { return lineNumberErrors_; }
  std::size_t LineNumberCount() const { return lines_.size(); }
  std::size_t ProcedureCount() const { return procedures_.size(); }

 protected:
  void OnSegmentClassLine(TMapAddress, std::uint32_t, TMapNamePos, TMapNamePos) override {}
  void OnSegmentLine(TMapAddress address, std::uint32_t length, TMapNamePos className,
                     TMapNamePos unitName) override;
  void OnPublicByName(TMapAddress, TMapNamePos) override {}
  void OnPublicByValue(TMapAddress address, TMapNamePos name) override;
  void OnLineNumbersUnit(TMapNamePos unitName, TMapNamePos unitFileName) override;
  void OnLineNumber(std::int32_t lineNumber, TMapAddress address) override;

 private:
  struct TSegment {
    std::int64_t Start;
    std::int64_t End;
    TMapNamePos UnitName;
  };
  struct TNamedOffset {
    std::int64_t Offset;
    TMapNamePos Name;
  };
  struct TLineEntry {
    std::int64_t Offset;
    std::int32_t Line;
  };
  template <class Entry>
  const Entry* Nearest(const std::vector<Entry>& table, std::int64_t offset) const;

  std::vector<TSegment> segments_;
  std::vector<TNamedOffset> procedures_;
  std::vector<TLineEntry> lines_;
  std::vector<TNamedOffset> sourceNames_;
  std::int64_t topValidOffset_ = 0;
  bool haveAccepted_ = false;
  std::int64_t lastAccepted_ = 0;
  TMapNamePos pendingSourceName_ = 0;
  bool sourceNamePending_ = false;
  std::size_t lineNumberErrors_ = 0;
};

class TELDebugInfoMap : public TELDebugInfoSource {
 public:
  TELDebugInfoMap(std::uintptr_t moduleHandle, const TModuleAccess& access);
  bool Open() override;
  bool IsReady() const override { return scanner_ != nullptr; }
  bool GetLocation(std::uintptr_t address, TELLocationInfo& info) const override;
  const TELMapScanner* Scanner() const { return scanner_.get(); }

 private:
  std::unique_ptr<TELMapScanner> scanner_;
};
