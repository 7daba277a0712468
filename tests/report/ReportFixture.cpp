#include "tests/report/ReportFixture.h"

#include <algorithm>

#include "debuginfo/EDisAsmListing.h"

namespace {

struct TFixtureModule {
  std::uintptr_t Handle;
  std::size_t Size;
  const char* SystemFileName;
  const char* Path;
  const char* Description;
  const char* Version;
  std::uint32_t FileSize;
};

constexpr TFixtureModule kModules[] = {
    {kProgramModule, 0x100000, "C:\\PROGRA~1\\Brisole\\BRISOL~1.EXE",
     "C:\\Program Files\\Brisole\\Brisole.exe", "Brisole client", "2.4.0.17", 1843200},
    {kLibraryModule, 0x80000, "C:\\Program Files\\Brisole\\VInstallParamsClient.dll",
     "C:\\Program Files\\Brisole\\VInstallParamsClient.dll", "Brisole installer parameters",
     "6.1.5.0", 1025536},
    {kKernelModule, 0xF6000, "C:\\WINDOWS\\system32\\kernel32.dll",
     "C:\\WINDOWS\\system32\\kernel32.dll", "Windows NT BASE API Client DLL", "5.1.2600.5512",
     989696},
};

// The faulting routine: a frame, an argument, the raising call, its end.
constexpr std::uint8_t kCode[] = {
    0x55,                                      // 00401000 push ebp
    0x89, 0xE5,                                // 00401001 mov ebp, esp
    0x83, 0xEC, 0x18,                          // 00401003 sub esp, $18
    0xC7, 0x04, 0x24, 0x10, 0x20, 0x40, 0x00,  // 00401006 mov dword ptr [esp], $00402010
    0xE8, 0xEE, 0x0F, 0x00, 0x00,              // 0040100D call $00402000
    0xC9,                                      // 00401012 leave
    0xC3,                                      // 00401013 ret
};
constexpr std::uint32_t kCodeStart = 0x00401000;
constexpr std::uint32_t kRaiseRoutine = 0x00402000;
constexpr std::uint32_t kMessageText = 0x00402010;

long long DaysFromCivil(int year, unsigned month, unsigned day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

}  // namespace

double FixtureDateTime(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<double>(DaysFromCivil(year, month, day) + 25569) +
         (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::string TFixtureSystemInfo::Value(TSystemItem item) {
  Asked.push_back(item);
  const auto value = Values.find(item);
  return value == Values.end() ? std::string() : value->second;
}

std::optional<int> TFixtureThreadFacts::Priority(std::uint32_t threadId) {
  const auto priority = Priorities.find(threadId);
  return priority == Priorities.end() ? std::nullopt : std::optional(priority->second);
}

std::string TFixtureThreadFacts::ClassName(std::uint32_t threadId) {
  const auto name = Classes.find(threadId);
  return name == Classes.end() ? std::string() : name->second;
}

std::optional<TAddressModule> TFixtureAddressModules::ModuleAt(TAddress address) {
  for (const TRange& range : Ranges)
    if (address >= range.From && address - range.From < range.Size) return range.Module;
  return std::nullopt;
}

std::optional<TListingRoutine> TFixtureListingLookup::RoutineAt(std::uint32_t address) {
  for (const TRoutineRange& range : Routines)
    if (address >= range.From && address < range.To) return range.Routine;
  return std::nullopt;
}

std::optional<std::string> TFixtureListingLookup::AddressCaption(std::uint32_t address) {
  const auto caption = Captions.find(address);
  return caption == Captions.end() ? std::nullopt : std::optional(caption->second);
}

TReportFixture::TReportFixture() {
  System.Values = {
      {siApplicationName, "Brisole.exe - (Brisole client)"},
      {siApplicationVersion, "2.4.0.17"},
      {siApplicationParameters, "/setup"},
      {siCompilationDate, "Mon, 1 Dec 2008 09:30:00 +0100"},
      {siUserId, "mrossi"},
      {siUserName, "Mario Rossi"},
      {siUserCompany, "Vesk"},
      {siUserPrivileges,
       "SeShutdownPrivilege             - OFF\r\nSeChangeNotifyPrivilege         - ON\r\n"
       "SeUndockPrivilege               - OFF\r\n"},
      {siFormClass, "TFormMain"},
      {siFormText, "Brisole - Archivio clienti"},
      {siComputerName, "WS-CONTABILE"},
      {siTotalMemory, "3072 Mb"},
      {siFreeMemory, "1536 Mb"},
      {siTotalDisk, "250 Gb"},
      {siFreeDisk, "97.25 Gb"},
      {siSystemUpTime, "2 days, 1 hour, 5 minutes, 0 second"},
      {siProcessor, "Intel(R) Core(TM)2 Duo CPU E8400 @ 3.00GHz"},
      {siDisplayMode, "1280 x 1024, 32 bit"},
      {siDisplayDpi, "96"},
      {siVideoCard, "NVIDIA GeForce 9500 GT (driver 6.14.11.7813 - RAM 512 MB)"},
      {siPrinter, "HP LaserJet 1020 (driver 5.1.2600.0)"},
      {siOsType, "Microsoft Windows XP"},
      {siOsBuild, "2600"},
      {siOsUpdate, "Service Pack 3"},
      {siOsLanguage, "Italian"},
      {siOsCharset, "0"},
      {siIpAddress, "192.168.001.020"},
      {siSubmask, "255.255.255.000"},
      {siGateway, "192.168.001.001"},
      {siDns1, "192.168.001.001"},
      {siDns2, "000.000.000.000"},
      {siDhcp, "ON             "},
  };

  for (const TFixtureModule& module : kModules) {
    AddressModules.Ranges.push_back(
        {module.Handle,
         module.Size,
         {module.Handle, module.SystemFileName, module.Path, module.Description, module.Version}});
    Snapshot.ModuleRecords.push_back({module.Handle, module.Path, module.Description,
                                      module.Version, module.FileSize,
                                      FixtureDateTime(2008, 4, 14, 2, 0, 0)});
  }
  Snapshot.ProcessRecords = {
      {4, "System", "", "", 32, 245760, 58},
      {1508, "C:\\WINDOWS\\explorer.exe", "Windows Shell | Explorer", "6.0.2900.5512", 32, 28672000,
       17},
      {2112, "C:\\Program Files\\Brisole\\Brisole.exe", "Brisole client", "2.4.0.17", 32768,
       15400960, 0},
  };

  Threads.Priorities = {{kExceptionThread, 0}, {kOtherThread, 15}, {kCreatorThread, 2}};
  Threads.Classes = {{kOtherThread, "TSendThread"}};
  Threads.MainThread = kExceptionThread;

  AddRow({kFaultAddress, kProgramModule, "Brisole.cpp", "TFormMain", "ButtonClick", 120, 4,
          kExceptionThread, 1, true});
  AddRow({0x00401234, kProgramModule, "Brisole.cpp", "TFormMain", "SaveArchive", 98, 12,
          kExceptionThread});
  AddRow({0x00401180, kProgramModule, "Brisole.cpp", "TFormMain", "SaveArchive", 86, 0,
          kExceptionThread, 1, false, lpNone});
  AddRow({0x7C816FD7, kKernelModule, "", "", "RegisterWaitForInputIdle", 0, 0, kExceptionThread, 1,
          false, lpRoutine});
  AddRow({0x7C80B729, kKernelModule, "", "", "", 0, 0, kOtherThread, 1, false, lpRoutine});
  AddRow({0x00402345, kProgramModule, "SendThread.cpp", "TSendThread", "Execute", 45, 3,
          kOtherThread});

  Memory.Put(kCodeStart, std::vector<std::uint8_t>(0x400, 0xCC));
  Memory.Put(kCodeStart, kCode);
  Memory.Put(kMessageText, std::string_view("Unable to create directory\0", 27));
  Listing.Routines = {
      {0x00401000, 0x00401006, {"Brisole.cpp", "TFormMain", "ButtonClick", 116, 0}},
      {0x00401006, 0x0040100D, {"Brisole.cpp", "TFormMain", "ButtonClick", 119, 3}},
      {0x0040100D, 0x00401012, {"Brisole.cpp", "TFormMain", "ButtonClick", 120, 4}},
      {0x00401012, 0x00401014, {"Brisole.cpp", "TFormMain", "ButtonClick", 121, 5}},
  };
  Listing.Captions = {{kRaiseRoutine, "Runtime.RaiseInOutError"}};
  const std::uint32_t stackWords[16] = {0x00402010, 0x0012FF44, 0x00A41C20, 0x00000001,
                                        0x0012FF60, 0x00401239, 0x00A41C20, 0x00000000,
                                        0x0012FF80, 0x7C816FD7, 0x00000000, 0x7FFDF000,
                                        0x0012FFB0, 0x00402350, 0xFFFFFFFF, 0x7C839AC0};
  for (int i = 0; i < 16; ++i) Memory.Put32(kStackPointer + 4 * i, stackWords[i]);
  PutContext(FaultContext());

  Exception.ValidObject = true;
  Exception.ClassName = "EInOutError";
  Exception.IsException = true;
  Exception.Message = "Unable to create directory";
  Exception.Address = kFaultAddress;
  Exception.ContextAddress = kContextAddress;
  Exception.StackPointer = kStackPointer;
  Exception.ThreadId = kExceptionThread;
  Exception.StartTime = FixtureDateTime(2008, 12, 9, 12, 0, 0);
  Exception.ExceptionTime = FixtureDateTime(2008, 12, 9, 14, 5, 3);
  Exception.UtcOffsetHours = 1;
  Exception.FocusClass = "TEdit";
  Exception.FocusText = "Archivio 2008";
}

TRegisterContext TReportFixture::FaultContext() {
  TRegisterContext context{};
  context.ContextFlags = 0x10003;
  context.Eax = 0x00A41C20;
  context.Ebx = 0x00000001;
  context.Ecx = 0x0012FF10;
  context.Edx = 0x00401012;
  context.Esi = 0x00A41C20;
  context.Edi = 0x0012FF44;
  context.Ebp = 0x0012FF18;
  context.Esp = static_cast<std::uint32_t>(kStackPointer);
  context.Eip = kFaultAddress;
  return context;
}

TReportSources TReportFixture::Sources() {
  TReportSources sources;
  sources.Options = &Options;
  sources.Stack = &Stack;
  sources.Threads = &Threads;
  sources.Modules = &Snapshot;
  sources.Processes = &Snapshot;
  sources.Memory = &Memory;
  sources.AddressModules = &AddressModules;
  sources.System = &System;
  sources.Listing.Memory = &Memory;
  sources.Listing.InstructionLength = &DisAsmInstructionLength;
  sources.Listing.Lookup = &Listing;
  return sources;
}

TDovaroModuleInfo* TReportFixture::ModuleEntry(std::uintptr_t handle) {
  if (handle == 0) return nullptr;
  auto& entry = moduleEntries_[handle];
  if (!entry) {
    entry = std::make_unique<TDovaroModuleInfo>();
    entry->Handle = reinterpret_cast<TModuleHandle>(handle);
    for (const TFixtureModule& module : kModules)
      if (module.Handle == handle) entry->FileName = module.Path;
  }
  return entry.get();
}

void TReportFixture::AddRow(const TFixtureRow& row) {
  std::unique_ptr<TCodeLocation> item = TDovaroStackList::NewItem();
  item->Precision = row.Precision;
  item->ModuleEntry = ModuleEntry(row.Module);
  item->OwnerThread = row.Thread;
  item->StackOrigin = row.Origin;
  item->IsExceptionAddress = row.Exception;
  item->CodeAddress = row.Address;
  item->SourceUnit.Assign(row.Unit);
  item->OwnerClass.Assign(row.Class);
  item->RoutineName.Assign(row.Routine);
  item->SourceLine = row.Line;
  item->RoutineLineOffset = row.Offset;
  Stack.Append(std::move(item));
}

void TReportFixture::PutContext(const TRegisterContext& context) {
  Memory.Put(kContextAddress,
             std::span(reinterpret_cast<const std::uint8_t*>(&context), sizeof context));
}

void TReportFixture::PutOsRecord(const TOsExceptionRecord& record) {
  Memory.Put(kOsRecordAddress,
             std::span(reinterpret_cast<const std::uint8_t*>(&record), sizeof record));
}
