// What the bug report is built from: the facts of the exception being
// handled (TReportException, filled by the handling flow from its exception
// record, ThreadBlock and filter outcome) and the sources it reads
// (TReportSources): the call stack list, the thread facts, the modules and
// processes of the snapshot, the process's memory, the module holding an
// address, the collectors and the assembler listing's sources. The same
// builder thus writes the report of the live process and of a fixture.
// Pure: no windows.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "debuginfo/EDisAsmListing.h"
#include "debuginfo/ESnapshot.h"
#include "debuginfo/EStackList.h"
#include "debuginfo/EStackRows.h"
#include "engine/ECoreOptions.h"
#include "platform/memory/MemoryReader.h"
#include "report/ESysInfo.h"

// The facts of the exception, each with the place the handling flow takes it
// from.
struct TReportException {
  // --- the exception object (TDovaroExceptionRecord::RaisedObject) ---
  // False when the object is not a valid object: the type is then "Unknown
  // exception type" and the message "Unknown error message.".
  bool ValidObject = false;
  std::string ClassName;  // the object's class name
  // The object derives from Exception: its Message counts; otherwise the
  // message is "Unknown error message.".
  bool IsException = false;
  std::string Message;  // Exception::Message()
  // The class is EAccessViolation (or derives from it): the message is
  // rebuilt from the system's exception record when that can be read.
  bool IsAccessViolation = false;
  // For an error of a component object (class TActiveXException): the type
  // text the object carries, shown as the type. Empty otherwise.
  std::string TypeText;
  // The filter's FilterMessage with its variables expanded (handling step
  // 8); when not empty it stands in place of the exception's message.
  std::string CustomMessage;

  // --- where and when ---
  // The exception address: RaiseAddress, already moved back to the raising
  // call for a language exception (handling step 2). 0: item 2.2 is empty.
  TAddress Address = 0;
  // TDovaroExceptionRecord::OsRecord: the address of the system's 80-byte
  // exception record (or the one the engine built); 0 for none. Read
  // through the sources' memory reader.
  TAddress OsRecordAddress = 0;
  // TDovaroExceptionRecord::RegisterContext: the address of the 32-bit
  // register context of the raising thread; 0 for none. Its first 204 bytes
  // are read for the CPU section.
  TAddress ContextAddress = 0;
  // The stack pointer at the exception (TExceptNotifyParams::WalkStart as
  // completed in handling step 6): the stack dump starts there.
  TAddress StackPointer = 0;
  // RaiseThread: the id of the thread the exception was raised in.
  std::uint32_t ThreadId = 0;
  // The times, local (days since 30 December 1899): the application's start
  // (ProcessStartTime()) and the moment handling began (handling step 2).
  double StartTime = 0;
  double ExceptionTime = 0;
  // UtcOffsetHours() when the report is built: the zone of every mail date.
  int UtcOffsetHours = 0;

  // --- the window with the focus (TExceptNotifyParams::FocusClass and
  // FocusText, captured by CaptureFocusedWindow() in handling step 6) ---
  std::string FocusClass;
  std::string FocusText;
  // The program kind: the four Active Controls items are shown only in a
  // program that is neither a console program nor a web program.
  bool ConsoleProgram = false;
  bool WebProgram = false;

  // The e-mail address the user last typed in a dialog (item 3.3); empty
  // when none.
  std::string UserEmail;
  // The ExceptionId computed in handling step 13 (BugIdentifierOf); none:
  // the builder computes it from the call stack list it is given.
  std::optional<std::string> ExceptionId;
};

// The module whose image holds an address, as the report names it.
struct TAddressModule {
  std::uintptr_t Handle = 0;
  std::string SystemFileName;  // the file name as the system reports it
  // SystemFileName without a "\??\"-style prefix, short 8.3 names expanded.
  std::string Path;
  std::string Description;  // FileDescription of the first translation, or empty
  std::string Version;      // FileVersionText, or empty
};

class IAddressModules {
 public:
  virtual ~IAddressModules() = default;
  // The module whose committed image memory holds `address`, when its file
  // name can be read; none otherwise. Never raises.
  virtual std::optional<TAddressModule> ModuleAt(TAddress address) = 0;
};

// Where the report reads from. All pointers are required (not owned; they
// must outlive the call); Listing.Lookup may be null (no routine headers).
struct TReportSources {
  const TDovaroModuleOptions* Options = nullptr;  // the options in effect
  // The exception's call stack list: the faulting thread's items first, then
  // its creator's and the other threads' (handling steps 12 to 15).
  const TDovaroStackList* Stack = nullptr;
  IStackThreadFacts* Threads = nullptr;
  const ISnapshotModules* Modules = nullptr;
  const ISnapshotProcesses* Processes = nullptr;
  // The process's memory: the exception record, the context, the stack dump.
  const TMemoryReader* Memory = nullptr;
  IAddressModules* AddressModules = nullptr;
  ISystemInfo* System = nullptr;
  TListingSources Listing;  // the assembler listing's memory, length measure and lookup
};
