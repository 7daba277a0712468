// The entries of handling: ProcessException (serialised on HandlingLock, run
// in a handling thread while the raising thread waits and serves the
// callback slot) and ExceptionManager, the common entry of the framework
// hooks and of other modules.
#pragma once

#include <cstdint>

#include "engine/ECoreOptions.h"
#include "engine/ExceptionLogTypes.h"

struct TExceptionLogEngine;

struct TProcessRequest {
  const void* Object = nullptr;
  TAddress Address = 0;
  bool LanguageException = false;
  TDovaroStackList* GivenStack = nullptr;
  bool CaughtByProgram = false;
  int RaiseKind = rkNormal;
  TModuleHandle Module = nullptr;  // the module that hands the exception over
  int HandlerKind = hkPlain;
  TAddress WalkStart = 0;  // 0: from the ThreadBlock
  const TRegisterContext* Context = nullptr;
  const TOsExceptionRecord* OsRecord = nullptr;
  TAddress StackBase = 0;          // 0: the thread's stack base
  std::uint32_t SourceThread = 0;  // 0: the calling thread
  bool LeakReport = false;
};

// True lets the runtime's or framework's own handling run as well; false
// means the engine dealt with the exception.
bool ProcessException(TExceptionLogEngine& engine, const TProcessRequest& request);

bool ExceptionManager(TExceptionLogEngine& engine, const void* object, TAddress address,
                      int handlerKind, TModuleHandle module);

// The sequence itself, in whichever thread runs it (ExceptionLogRun.cpp).
bool RunHandling(TExceptionLogEngine& engine, const TProcessRequest& request,
                 TExceptNotifyParams& params);
