// The runtime's exception objects for the operating system's exceptions
// (access violations, integer and floating-point faults, ...): EExternal and
// its descendants carry a copy of the system's exception record, so the
// report can tell what was read or written where. They are made by the
// exception engine when it meets an operating-system exception; nothing
// throws them across frames that do not expect them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/runtime/Exception.h"
#include "platform/runtime/SystemRecords.h"

class EExternal : public Exception {
 public:
  EExternal(std::string message, const TOsExceptionRecord& record)
      : Exception(std::move(message)), record_(record) {}
  const TOsExceptionRecord& OsRecord() const noexcept { return record_; }

 private:
  TOsExceptionRecord record_;
};

#define VIPC_EXTERNAL_CLASS(name, base) \
  class name : public base {            \
   public:                              \
    using base::base;                   \
  };
VIPC_EXTERNAL_CLASS(EAccessViolation, EExternal)
VIPC_EXTERNAL_CLASS(EIntError, EExternal)
VIPC_EXTERNAL_CLASS(EDivByZero, EIntError)
VIPC_EXTERNAL_CLASS(EIntOverflow, EIntError)
VIPC_EXTERNAL_CLASS(ERangeError, EIntError)
VIPC_EXTERNAL_CLASS(EMathError, EExternal)
VIPC_EXTERNAL_CLASS(EZeroDivide, EMathError)
VIPC_EXTERNAL_CLASS(EOverflow, EMathError)
VIPC_EXTERNAL_CLASS(EUnderflow, EMathError)
VIPC_EXTERNAL_CLASS(EInvalidOp, EMathError)
VIPC_EXTERNAL_CLASS(EPrivilege, EExternal)
VIPC_EXTERNAL_CLASS(EStackOverflow, EExternal)
VIPC_EXTERNAL_CLASS(EControlC, EExternal)
VIPC_EXTERNAL_CLASS(EExternalException, EExternal)
#undef VIPC_EXTERNAL_CLASS

// The object of the runtime's class for the exception: its class chosen by
// the code, its message in the runtime's words ("Access violation at
// address %p. %s of address %p", "Division by zero", ..., "External exception
// %X" for any other code).
std::unique_ptr<EExternal> MakeExternalException(const TOsExceptionRecord& record);
