// The system information collectors: the values of the report's general
// items that describe the program, the user, the active window, the
// computer, the operating system and the network. Each gives one text and
// never raises: a missing source (an absent registry value, a system
// function this Windows lacks, a call that fails) gives an empty text or the
// fallback named at the item.
//
// The report asks them through ISystemInfo: TLiveSystemInfo asks this
// process's system, a test hands in a fixture. The live collectors run on
// the thread that builds the report, while the other threads of the process
// may be suspended: they allocate and call the system, but send no message
// to another thread's window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

enum TSystemItem : std::uint8_t {
  siApplicationName,        // 1.2 main module's file name [" - (" description ")"]
  siApplicationVersion,     // 1.3 file version of the program file
  siApplicationParameters,  // 1.4 the command line after the program
  siCompilationDate,        // 1.5 mail date form of the engine module's build time
  siUserId,                 // 3.1 login name
  siUserName,               // 3.2 registered owner
  siUserCompany,            // 3.4 registered organisation
  siUserPrivileges,         // 3.5 one line per privilege of the process token (a block)
  siFormClass,              // 4.1 class of the foreground window
  siFormText,               // 4.2 text of the foreground window
  siComputerName,           // 5.1
  siTotalMemory,            // 5.2 "<n> Mb"
  siFreeMemory,             // 5.3 "<n> Mb"
  siTotalDisk,              // 5.4 "<n> Gb" of the drive that holds the engine's module
  siFreeDisk,               // 5.5 "<n> Gb"
  siSystemUpTime,           // 5.6 duration form
  siProcessor,              // 5.7 fallback "Unknown processor"
  siDisplayMode,            // 5.8 "<w> x <h>, <bits> bit"
  siDisplayDpi,             // 5.9
  siVideoCard,              // 5.10 "<adapter> (driver <version>[ - RAM <n> MB])"
  siPrinter,                // 5.11 "<driver> (driver <version>)" of the default printer
  siOsType,                 // 6.1 "Microsoft Windows ..."
  siOsBuild,                // 6.2
  siOsUpdate,               // 6.3 service pack
  siOsLanguage,             // 6.4 English name of the system's default language
  siOsCharset,              // 6.5 character set of the default ANSI code page
  siIpAddress,              // 7.1 one column per adapter, " - " between
  siSubmask,                // 7.2
  siGateway,                // 7.3
  siDns1,                   // 7.4
  siDns2,                   // 7.5
  siDhcp,                   // 7.6
  kSystemItemCount
};

class ISystemInfo {
 public:
  virtual ~ISystemInfo() = default;
  // The item's text, or empty; never raises.
  virtual std::string Value(TSystemItem item) = 0;
};

// How the live collectors find the system functions that not every Windows
// has: the address of `name` in `library` (loaded for the purpose when it is
// not loaded yet), or null; a null answer makes the collector skip that way.
using TSystemFunctionLookup = std::function<void*(const char* library, const char* name)>;
// The system's answer: GetProcAddress of the loaded library, else of the
// library loaded once (it stays loaded until the process ends).
void* SystemFunction(const char* library, const char* name);

// The collectors of this process. One object serves one report: values that
// come in groups (memory, disk, network) are gathered once on first request
// and kept. Not for several threads at once.
class TLiveSystemInfo final : public ISystemInfo {
 public:
  explicit TLiveSystemInfo(TSystemFunctionLookup lookup = SystemFunction);
  ~TLiveSystemInfo() override;
  std::string Value(TSystemItem item) override;

 private:
  struct TGroups;
  std::string Collect(TSystemItem item);
  TSystemFunctionLookup lookup_;
  std::unique_ptr<TGroups> groups_;
};

// The window with the keyboard focus, read when an exception is caught:
// its class name, and its text unless it is a Unicode window, a multi-line
// edit or memo, or empty; a password edit's text comes as "*" for each
// character.
struct TFocusedWindow {
  std::string ClassName;
  std::string Text;
};
TFocusedWindow CaptureFocusedWindow();

// When this process started, local time (days since 30 December 1899); 0
// when the system does not say.
double ProcessStartTime();
// The local time now, in the same form.
double LocalTimeNow();
