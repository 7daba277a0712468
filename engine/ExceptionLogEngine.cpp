#include "engine/ExceptionLogEngine.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "engine/ExceptionLogFreeze.h"
#include "engine/ExceptionLogStages.h"
#include "engine/ExceptionLogThreadBlock.h"

static_assert(sizeof(CRITICAL_SECTION) <= 24);

THandlingLock::THandlingLock() {
  InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

THandlingLock::~THandlingLock() {
  DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

void THandlingLock::lock() {
  EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

void THandlingLock::unlock() {
  LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

TExceptionLogEngine::TExceptionLogEngine()
    : OwnStages(MakeEngineStages()), Stages(OwnStages.get()) {}
TExceptionLogEngine::~TExceptionLogEngine() = default;

bool TExceptionLogEngine::IsExcludedThread(std::uint32_t threadId) {
  std::lock_guard guard(ExcludedThreadsLock);
  return std::find(ExcludedThreads.begin(), ExcludedThreads.end(), threadId) !=
         ExcludedThreads.end();
}

void TExceptionLogEngine::ExcludeThread(std::uint32_t threadId, bool excluded) {
  std::lock_guard guard(ExcludedThreadsLock);
  const auto at = std::find(ExcludedThreads.begin(), ExcludedThreads.end(), threadId);
  if (excluded && at == ExcludedThreads.end()) ExcludedThreads.push_back(threadId);
  if (!excluded && at != ExcludedThreads.end()) ExcludedThreads.erase(at);
}

bool TExceptionLogEngine::HandlingAllowedHere() {
  if (!HandlingAllowed.load()) return false;
  if (const TThreadBlock* block = ExistingThreadBlock(); block && block->EngineThread) return false;
  return !IsExcludedThread(GetCurrentThreadId());
}

void RunInRaisingThread(TExceptionLogEngine& engine, const std::function<void()>& callback) {
  const bool elsewhere = engine.Current && engine.Current->RaiseThread != GetCurrentThreadId();
  if (elsewhere) {
    engine.CallbackSlot.store(&callback);
    while (engine.CallbackSlot.load() != nullptr) Sleep(10);
    return;
  }
  try {
    callback();
  } catch (...) {
    // An event handler's failure never reaches the engine.
  }
}

void DebugLine(const std::string& text) {
  OutputDebugStringA(text.c_str());
}

const char* ErrorCodeName(TZuderaDodErrorCode code) {
  static const char* const kNames[] = {
      "eeNone",           "eeShowError",       "eeLogError",
      "eeEmailMAPIError", "eeEmailShellError", "eeEmailSMTPError",
      "eeWebHTTPError",   "eeWebHTTPSError",   "eeWebFTPError",
      "eeWebTrakerError",
  };
  return code < std::size(kNames) ? kNames[code] : "eeNone";
}

void Warn(TExceptionLogEngine&, TZuderaDodErrorCode code, const std::string& section,
          const std::string& message, TAddress address) {
  const std::string text =
      message.empty() ? "General '" + section + "' error." : "[" + section + "] " + message;
  char line[96];
  std::snprintf(line, sizeof line, "[WARNING] - Code: %s - Address: %08X - Message: \"",
                ErrorCodeName(code), static_cast<unsigned>(address));
  DebugLine(line + text + "\"");
}
