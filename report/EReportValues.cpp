#include "report/EReportValues.h"

#include <cstdio>

#include "platform/runtime/PathText.h"
#include "platform/runtime/TextTrim.h"
#include "report/EBugId.h"
#include "platform/runtime/SystemRecords.h"

namespace {

std::string AccessViolationText(std::uint32_t address, const std::string* moduleFile,
                                const char* operation, std::uint32_t target) {
  char text[400];
  if (moduleFile) {
    std::snprintf(text, sizeof text,
                  "Access violation at address %08X in module '%s'. %s of address %08X",
                  static_cast<unsigned>(address), moduleFile->c_str(), operation,
                  static_cast<unsigned>(target));
  } else {
    std::snprintf(text, sizeof text, "Access violation at address %08X. %s of address %08X",
                  static_cast<unsigned>(address), operation, static_cast<unsigned>(target));
  }
  return text;
}

}  // namespace

std::string ExceptionModuleName(const TReportException& exception, IAddressModules& modules) {
  const std::optional<TAddressModule> module = modules.ModuleAt(exception.Address);
  if (!module) return {};
  std::string name = ExtractFileName(module->Path);
  const std::string_view description = TrimBlanks(module->Description);
  if (!description.empty()) name += " - (" + std::string(description) + ")";
  return name;
}

std::string ExceptionModuleVersion(const TReportException& exception, IAddressModules& modules) {
  const std::optional<TAddressModule> module = modules.ModuleAt(exception.Address);
  return module ? module->Version : std::string();
}

std::string ExceptionTypeText(const TReportException& exception) {
  if (!exception.ValidObject) return kUnknownExceptionType;
  return exception.TypeText.empty() ? exception.ClassName : exception.TypeText;
}

std::optional<std::string> AccessViolationMessage(const TReportException& exception,
                                                  const TMemoryReader& memory,
                                                  IAddressModules& modules) {
  TOsExceptionRecord record{};
  if (exception.OsRecordAddress == 0 || !memory.ReadRecord(exception.OsRecordAddress, record))
    return std::nullopt;
  const char* operation = record.ExceptionInformation[0] != 0 ? "Write" : "Read";
  const std::uint32_t target = record.ExceptionInformation[1];
  const std::optional<TAddressModule> module = modules.ModuleAt(record.ExceptionAddress);
  if (!module) return AccessViolationText(record.ExceptionAddress, nullptr, operation, target);
  const std::string reported = ExtractFileName(module->SystemFileName);
  std::string text = AccessViolationText(record.ExceptionAddress, &reported, operation, target);
  if (text == exception.Message) {
    const std::string longName = ExtractFileName(module->Path);
    text = AccessViolationText(record.ExceptionAddress, &longName, operation, target);
  }
  return text;
}

std::string ExceptionMessageText(const TReportException& exception, const TMemoryReader& memory,
                                 IAddressModules& modules) {
  std::string message;
  if (!exception.CustomMessage.empty()) {
    message = exception.CustomMessage;
  } else if (!exception.ValidObject || !exception.IsException) {
    message = kUnknownErrorMessage;
  } else {
    message = exception.Message;
    if (exception.IsAccessViolation) {
      if (std::optional<std::string> rebuilt = AccessViolationMessage(exception, memory, modules))
        message = std::move(*rebuilt);
    }
  }
  if (!message.empty() && message.back() != '.') message += '.';
  return message;
}

std::string BugIdentifierOf(const TReportException& exception, const TDovaroStackList& stack,
                            IAddressModules& modules, ISystemInfo& system) {
  return BugIdentifier(system.Value(siApplicationName), ExceptionModuleName(exception, modules),
                       ExceptionTypeText(exception), stack);
}
