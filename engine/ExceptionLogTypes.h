// The records the handling sequence works on and hands to every event: the
// exception being handled, what an interception point knows of it, the
// engine's warning codes, and the register context of a thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/memory/MemoryReader.h"
#include "platform/runtime/ExternalExceptions.h"

class TDovaroModulesList;
class TDovaroStackList;
class TDovaroModuleOptions;

// The exception being handled; a copy goes to every event. Pointers are
// valid while the handling runs.
struct TDovaroExceptionRecord {
  const void* RaisedObject = nullptr;  // the exception object (a C++ object of any module)
  TAddress RaiseAddress = 0;           // a language raise: the raising call instruction
  std::uint32_t RaiseThread = 0;
  const TOsExceptionRecord* OsRecord = nullptr;
  const TRegisterContext* RegisterContext = nullptr;
  std::string ReportText;
  TDovaroModulesList* ModuleList = nullptr;
  TDovaroStackList* StackList = nullptr;
  TDovaroModuleOptions* EffectiveOptions = nullptr;
};

// What an interception point knows about the exception; missing values come
// from the calling thread's ThreadBlock.
struct TExceptNotifyParams {
  bool CaughtByProgram = false;
  const TRegisterContext* ContextPtr = nullptr;
  const TOsExceptionRecord* OsRecordPtr = nullptr;
  TDovaroStackList* GivenStack = nullptr;
  TAddress StackBase = 0;
  std::uint32_t WalkStart = 0;
  std::uint32_t SourceThread = 0;
  std::string FocusClass;
  std::string FocusText;
};

// Who handed the exception over: 0 a plain interception point, 1 the
// application object, 2 the web layer and the two runtime routines.
enum THandlerKind : int { hkPlain = 0, hkApplication = 1, hkWeb = 2 };
// 0 an ordinary raise; 1 a safecall frame's; 2 one only the runtime's thread
// wrapper catches.
enum TRaiseKind : int { rkNormal = 0, rkSafecall = 1, rkThreadWrapper = 2 };

enum TZuderaDodErrorCode : std::uint8_t {
  eeNone,
  eeShowError,
  eeLogError,
  eeEmailMAPIError,
  eeEmailShellError,
  eeEmailSMTPError,
  eeWebHTTPError,
  eeWebHTTPSError,
  eeWebFTPError,
  eeWebTrakerError,
};
const char* ErrorCodeName(TZuderaDodErrorCode code);

// The code of a language raise as the operating system would see it, and of
// the exception that names a thread to a debugger.
inline constexpr std::uint32_t kLanguageExceptionCode = 0x0EEDFADE;
inline constexpr std::uint32_t kThreadNamingExceptionCode = 0x406D1388;
inline constexpr std::uint32_t kDebuggerNotificationCode = 0x0EEDFAE4;
