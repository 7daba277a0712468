// The general items whose values come from the exception itself: its
// module's name and version, its type and its message (with the access
// violation's message rebuilt from the system's record), and the bug
// identifier computed from them and the call stack.
//
// Pure over the report's sources (report/EReportInput.h); allocates; never
// raises except by running out of memory.
#pragma once

#include <string>

#include "report/EReportInput.h"

inline constexpr const char* kUnknownExceptionType = "Unknown exception type";
inline constexpr const char* kUnknownErrorMessage = "Unknown error message.";

// 2.3: the file name of the module holding the exception address, with
// " - (" + its description + ")" when it has one; empty without a module.
std::string ExceptionModuleName(const TReportException& exception, IAddressModules& modules);
// 2.4: that module's file version; empty without one.
std::string ExceptionModuleVersion(const TReportException& exception, IAddressModules& modules);
// 2.5: the class name, the component object's type text, or "Unknown
// exception type" for an object that is not valid.
std::string ExceptionTypeText(const TReportException& exception);
// 2.6: the custom message, else the exception's message (rebuilt for a
// readable access violation), else "Unknown error message."; a "." is added
// to a message that does not end in one.
std::string ExceptionMessageText(const TReportException& exception, const TMemoryReader& memory,
                                 IAddressModules& modules);
// "Access violation at address %p in module '%s'. %s of address %p" (or
// without the module when none holds the address) from the system's record
// at OsRecordAddress; none when the record cannot be read.
std::optional<std::string> AccessViolationMessage(const TReportException& exception,
                                                  const TMemoryReader& memory,
                                                  IAddressModules& modules);

// 2.7, the ExceptionId of handling step 13: BugIdentifier of the program's
// name (the collectors' 1.2), the module name and the type, over `stack`.
std::string BugIdentifierOf(const TReportException& exception, const TDovaroStackList& stack,
                            IAddressModules& modules, ISystemInfo& system);
