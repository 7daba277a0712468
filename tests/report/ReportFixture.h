// The inputs of a whole bug report built from fixtures: a workstation's
// collector values, three modules, three processes, the exception thread's
// call stack and another thread's, the code, stack and context of the fault
// in fabricated memory, and a language exception raised in the program.
// Each test changes what its case needs and builds the report.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/EReportInput.h"
#include "platform/runtime/SystemRecords.h"
#include "tests/support/FabricatedMemory.h"
#include "tests/support/SnapshotFixture.h"

class TFixtureSystemInfo final : public ISystemInfo {
 public:
  std::map<TSystemItem, std::string> Values;
  std::vector<TSystemItem> Asked;  // in the order the report asked
  std::string Value(TSystemItem item) override;
};

class TFixtureThreadFacts final : public IStackThreadFacts {
 public:
  std::map<std::uint32_t, int> Priorities;  // listed threads
  std::map<std::uint32_t, std::string> Classes;
  std::uint32_t MainThread = 0;
  std::optional<int> Priority(std::uint32_t threadId) override;
  std::string ClassName(std::uint32_t threadId) override;
  bool IsMainThread(std::uint32_t threadId) override { return threadId == MainThread; }
};

class TFixtureAddressModules final : public IAddressModules {
 public:
  struct TRange {
    TAddress From = 0;
    std::size_t Size = 0;
    TAddressModule Module;
  };
  std::vector<TRange> Ranges;
  std::optional<TAddressModule> ModuleAt(TAddress address) override;
};

class TFixtureListingLookup final : public IListingLookup {
 public:
  struct TRoutineRange {
    std::uint32_t From = 0, To = 0;  // [From, To)
    TListingRoutine Routine;
  };
  std::vector<TRoutineRange> Routines;
  std::map<std::uint32_t, std::string> Captions;
  std::optional<TListingRoutine> RoutineAt(std::uint32_t address) override;
  std::optional<std::string> AddressCaption(std::uint32_t address) override;
};

// A call stack row of the fixture.
struct TFixtureRow {
  std::uint32_t Address = 0;
  std::uintptr_t Module = 0;  // a module handle of the fixture, 0 for none
  const char* Unit = "";
  const char* Class = "";
  const char* Routine = "";
  int Line = 0;
  int Offset = 0;
  std::uint32_t Thread = 0;
  std::uint8_t Origin = 1;
  bool Exception = false;
  TLocationPrecision Precision = lpLine;
};

inline constexpr std::uintptr_t kProgramModule = 0x00400000;
inline constexpr std::uintptr_t kLibraryModule = 0x10000000;
inline constexpr std::uintptr_t kKernelModule = 0x7C800000;
inline constexpr std::uint32_t kFaultAddress = 0x0040100D;
inline constexpr TAddress kStackPointer = 0x0012FF00;
inline constexpr TAddress kContextAddress = 0x00120000;
inline constexpr TAddress kOsRecordAddress = 0x00120100;
inline constexpr std::uint32_t kExceptionThread = 1234;
inline constexpr std::uint32_t kOtherThread = 1300;
inline constexpr std::uint32_t kCreatorThread = 1100;

struct TReportFixture {
  TReportFixture();

  TDovaroModuleOptions Options;
  TDovaroStackList Stack;
  TFixtureThreadFacts Threads;
  TFixtureSnapshot Snapshot;
  TFabricatedMemory Memory;
  TFixtureAddressModules AddressModules;
  TFixtureSystemInfo System;
  TFixtureListingLookup Listing;
  TReportException Exception;

  TReportSources Sources();
  void AddRow(const TFixtureRow& row);
  // The registers of the fault, written at kContextAddress.
  void PutContext(const TRegisterContext& context);
  void PutOsRecord(const TOsExceptionRecord& record);
  static TRegisterContext FaultContext();

 private:
  TDovaroModuleInfo* ModuleEntry(std::uintptr_t handle);
  std::map<std::uintptr_t, std::unique_ptr<TDovaroModuleInfo>> moduleEntries_;
};

// Days since 30 December 1899 of a local date and time.
double FixtureDateTime(int year, int month, int day, int hour, int minute, int second);
