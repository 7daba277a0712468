#include "report/EInternalError.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "engine/ECoreModules.h"
#include "platform/runtime/PathText.h"
#include "report/EReportDates.h"

#define VIPC_STRINGIFY_VALUE(x) #x
#define VIPC_STRINGIFY(x) VIPC_STRINGIFY_VALUE(x)
const char* const kDevelopmentEnvironmentText =
    "MinGW-w64 GCC " VIPC_STRINGIFY(__GNUC__) "." VIPC_STRINGIFY(__GNUC_MINOR__) " (i686)";

namespace {

constexpr std::size_t kDumpBytes = 32;
constexpr const char* kGeneralInternalError = "General internal error.";
// Failures that are no bugs of the engine.
constexpr const char* kQuietClasses[] = {"EAbort", "EDovaroSocketError"};

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool IsQuiet(const TInternalFailure& failure) {
  for (const char* quiet : kQuietClasses) {
    if (SameName(failure.ClassName, quiet)) return true;
    for (const std::string& ancestor : failure.Ancestors)
      if (SameName(ancestor, quiet)) return true;
  }
  return false;
}

std::string Hex8(TAddress value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

// "$xx " for each of the 32 bytes, or empty when they cannot be read.
std::string DumpText(TAddress address, const TMemoryReader& memory) {
  std::uint8_t bytes[kDumpBytes];
  if (!memory.ReadAll(address, bytes, sizeof bytes)) return {};
  std::string text;
  for (std::uint8_t byte : bytes) {
    char part[8];
    std::snprintf(part, sizeof part, "$%02X ", byte);
    text += part;
  }
  return text;
}

// "$address - [module handle] module file - unit - class - procedure -
// line[offset]" from the debug information.
std::string AddressLine(TAddress address, IStackLocator& locator) {
  TCodeLocation location{};
  locator.Locate(address, 0, location, false, true);
  const TDovaroModuleInfo* module = location.ModuleEntry;
  char head[48];
  std::snprintf(
      head, sizeof head, "$%8.8x - [%8.8x] ", static_cast<unsigned>(address),
      static_cast<unsigned>(module ? reinterpret_cast<std::uintptr_t>(module->Handle) : 0));
  return head + (module ? module->FileName : std::string()) + " - " + location.SourceUnit.Str() +
         " - " + location.OwnerClass.Str() + " - " + location.RoutineName.Str() + " - " +
         std::to_string(location.SourceLine) + "[" + std::to_string(location.RoutineLineOffset) +
         "]";
}

}  // namespace

bool InternalErrorWanted(const TInternalFailure& failure) {
  return (failure.InsideDevelopmentEnvironment || failure.DebuggerAttached) && !IsQuiet(failure);
}

TAddress InternalFailureAddress(const TInternalFailure& failure) {
  return failure.LanguageException ? failure.Address - 5 : failure.Address;
}

std::string InternalFailureMessage(const TInternalFailure& failure) {
  return failure.IsException ? failure.Message : kGeneralInternalError;
}

std::string InternalErrorDebugLine(const TInternalFailure& failure) {
  return "[ERROR] - Section: " + failure.Section +
         " - Address: " + Hex8(InternalFailureAddress(failure)) + " - Message: \"" +
         InternalFailureMessage(failure) + "\"";
}

std::string InternalErrorText(const TInternalFailure& failure, const TMemoryReader& memory,
                              IStackLocator& locator) {
  const TAddress address = InternalFailureAddress(failure);
  return std::string("Version   : ") + kEngineVersionText +
         "\r\nDate      : " + MailDateText(failure.Now, failure.UtcOffsetHours) +
         "\r\nOS        : " + failure.OsType + "\r\nRAD       : " + kDevelopmentEnvironmentText +
         "\r\nDump      : " + DumpText(address, memory) + "\r\nSection   : " + failure.Section +
         "\r\nLastExcept: " + failure.ProcessedClassName +
         "\r\nAddress   : " + AddressLine(address, locator) +
         "\r\nException : " + failure.ClassName +
         "\r\nMessage   : " + InternalFailureMessage(failure) +
         "\r\nCall Stack: " + failure.CallStack.value_or(std::string());
}

std::string InternalErrorFileName(const TInternalFailure& failure) {
  return ChangeFileExt(failure.ExecutablePath, ".log");
}

std::string InternalErrorQuestion(const std::string& message) {
  return "Error: '" + message +
         "'\r\n\r\nThis is an internal ZuderaDod bug.\r\nDo you want to send the bug information "
         "to ZuderaDod author?";
}

std::string InternalErrorManualSendText(const std::string& filePath) {
  return "Cannot connect with your email client.\r\nSend manually the \"" + filePath +
         "\" file to the " + kInternalErrorSupportAddress +
         " email address, after click on OK button to close this box.";
}

bool ReportInternalError(const TInternalFailure& failure, const TMemoryReader& memory,
                         IStackLocator& locator, IInternalErrorOutlet& outlet) {
  if (!InternalErrorWanted(failure)) return false;
  outlet.DebugOutput(InternalErrorDebugLine(failure));
  const std::optional<std::string> file =
      outlet.WriteFile(InternalErrorFileName(failure), InternalErrorText(failure, memory, locator));
  if (!file) return false;
  if (outlet.Ask(kInternalErrorQuestionCaption,
                 InternalErrorQuestion(InternalFailureMessage(failure))) &&
      !outlet.MailFile(*file, kInternalErrorSupportAddress, kInternalErrorMailSubject,
                       kInternalErrorMailSubject)) {
    outlet.Inform(kInternalErrorInformationCaption, InternalErrorManualSendText(*file));
  }
  return true;
}
