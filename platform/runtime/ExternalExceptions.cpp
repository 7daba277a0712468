#include "platform/runtime/ExternalExceptions.h"

#include <cstdio>

namespace {

// The operating system's codes of the exceptions with a class of their own.
enum : std::uint32_t {
  kAccessViolation = 0xC0000005,
  kArrayBoundsExceeded = 0xC000008C,
  kFloatDenormalOperand = 0xC000008D,
  kFloatDivideByZero = 0xC000008E,
  kFloatInexactResult = 0xC000008F,
  kFloatInvalidOperation = 0xC0000090,
  kFloatOverflow = 0xC0000091,
  kFloatStackCheck = 0xC0000092,
  kFloatUnderflow = 0xC0000093,
  kIntegerDivideByZero = 0xC0000094,
  kIntegerOverflow = 0xC0000095,
  kPrivilegedInstruction = 0xC0000096,
  kStackOverflow = 0xC00000FD,
  kControlC = 0xC000013A,
};

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

template <class Class>
std::unique_ptr<EExternal> Make(std::string message, const TOsExceptionRecord& record) {
  return std::make_unique<Class>(std::move(message), record);
}

}  // namespace

std::unique_ptr<EExternal> MakeExternalException(const TOsExceptionRecord& record) {
  switch (record.ExceptionCode) {
    case kAccessViolation: {
      const bool write = record.NumberParameters > 0 && record.ExceptionInformation[0] != 0;
      const std::uint32_t target = record.NumberParameters > 1 ? record.ExceptionInformation[1] : 0;
      return Make<EAccessViolation>("Access violation at address " + Hex8(record.ExceptionAddress) +
                                        ". " + (write ? "Write" : "Read") + " of address " +
                                        Hex8(target),
                                    record);
    }
    case kIntegerDivideByZero:
      return Make<EDivByZero>("Division by zero", record);
    case kArrayBoundsExceeded:
      return Make<ERangeError>("Range check error", record);
    case kIntegerOverflow:
      return Make<EIntOverflow>("Integer overflow", record);
    case kFloatInvalidOperation:
    case kFloatDenormalOperand:
    case kFloatStackCheck:
    case kFloatInexactResult:
      return Make<EInvalidOp>("Invalid floating point operation", record);
    case kFloatDivideByZero:
      return Make<EZeroDivide>("Floating point division by zero", record);
    case kFloatOverflow:
      return Make<EOverflow>("Floating point overflow", record);
    case kFloatUnderflow:
      return Make<EUnderflow>("Floating point underflow", record);
    case kPrivilegedInstruction:
      return Make<EPrivilege>("Privileged instruction", record);
    case kStackOverflow:
      return Make<EStackOverflow>("Stack overflow", record);
    case kControlC:
      return Make<EControlC>("Control-C hit", record);
    default:
      return Make<EExternalException>("External exception " + Hex8(record.ExceptionCode), record);
  }
}
