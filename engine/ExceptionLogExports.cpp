// The exports through which the engines of several modules of one process
// hand each other exceptions, raises, threads and events. Only other copies
// of the engine call them.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "debuginfo/ESnapshotThreads.h"
#include "engine/ECoreModules.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogEvents.h"
#include "engine/ExceptionLogOs.h"
#include "engine/ExceptionLogProcess.h"
#include "engine/ExceptionLogRaise.h"
#include "engine/ExceptionLogThreadBlock.h"

namespace {

// While another module's event runs here: its record is the current one,
// with this module's module list and this module's options of the same owner.
class TForeignRecord {
 public:
  explicit TForeignRecord(const TDovaroExceptionRecord* record) {
    if (record) record_ = *record;
    engine_ = InterceptionEngine();
    if (engine_) {
      saved_ = engine_->Current;
      engine_->Current = &record_;
    }
    record_.ModuleList = &ModulesList();
    TDovaroModuleInfo* owner = nullptr;
    if (record && record->EffectiveOptions)
      owner = ModulesList().Find(record->EffectiveOptions->OwnerModule());
    record_.EffectiveOptions = owner ? owner->Options.get() : nullptr;
  }
  ~TForeignRecord() {
    if (record_.EffectiveOptions) record_.EffectiveOptions->Publish();
    if (engine_) engine_->Current = saved_;
  }
  TForeignRecord(const TForeignRecord&) = delete;
  TForeignRecord& operator=(const TForeignRecord&) = delete;
  const TDovaroExceptionRecord& Record() const { return record_; }

 private:
  TDovaroExceptionRecord record_;
  TExceptionLogEngine* engine_ = nullptr;
  TDovaroExceptionRecord* saved_ = nullptr;
};

template <class Member, class... Arguments>
void RunHere(Member member, Arguments&&... arguments) {
  try {
    std::vector<TEventHandlers>& registry = HandlerRegistry();
    for (auto set = registry.rbegin(); set != registry.rend(); ++set) {
      if (auto handler = (*set).*member) handler(arguments...);
    }
    if (auto handler = EventVariables().*member) handler(arguments...);
  } catch (...) {
    // Another module's event never fails its caller.
  }
}

std::vector<std::string> CopyOf(const std::vector<std::string>* lines) {
  std::vector<std::string> copy;
  if (lines) {
    copy.reserve(lines->size());
    for (const std::string& line : *lines) copy.emplace_back(line.data(), line.size());
  }
  return copy;
}

}  // namespace

extern "C" {

BOOL __stdcall ExceptionManager(const void* object, TAddress address, int handlerKind,
                                TModuleHandle module) {
  TExceptionLogEngine* engine = InterceptionEngine();
  if (!engine) return TRUE;
  try {
    return ::ExceptionManager(*engine, object, address, handlerKind, module) ? TRUE : FALSE;
  } catch (...) {
    return TRUE;
  }
}

BOOL __stdcall ZuderaDod_LastDelphiException() {
  const TExceptionLogEngine* engine = InterceptionEngine();
  return engine && engine->LastWasLanguageException;
}

void __stdcall ZuderaDod_CallGeneralRaise(DWORD code, DWORD, DWORD count, TAddress stackPointer,
                                          const ULONG_PTR* arguments) {
  TExceptionLogEngine* engine = InterceptionEngine();
  if (!engine || !engine->EngineActive) return;
  if (TThreadBlock* block = CurrentThreadBlock()) block->SavedStackPointer = stackPointer;
  if (code != kLanguageExceptionCode || count < 7 || !arguments) return;
  TRaiseFrame frame{};
  frame.ReturnAddress = static_cast<std::uint32_t>(arguments[0]);
  frame.Thrown = reinterpret_cast<void*>(arguments[1]);
  frame.Ebx = static_cast<std::uint32_t>(arguments[2]);
  frame.Esi = static_cast<std::uint32_t>(arguments[3]);
  frame.Edi = static_cast<std::uint32_t>(arguments[4]);
  frame.Ebp = static_cast<std::uint32_t>(arguments[5]);
  try {
    RecordLanguageRaise(*engine, frame, false);
  } catch (...) {
  }
}

const void* __stdcall ZuderaDod_CallExceptObject(const void* osRecord, const void* context,
                                                 BOOL handleNow) {
  TExceptionLogEngine* engine = InterceptionEngine();
  if (!engine) return nullptr;
  try {
    return ConvertOsException(*engine, osRecord, context, handleNow != FALSE);
  } catch (...) {
    return nullptr;
  }
}

void __stdcall ZuderaDod_CallCreateThread(const TDovaroThreadEntry* entry) {
  TExceptionLogEngine* engine = InterceptionEngine();
  if (!engine || !engine->EngineActive || !entry) return;
  try {
    ThreadsList().Add(*entry);
  } catch (...) {
  }
}

void __stdcall ZuderaDod_CallResumeThread(HANDLE thread, const TDovaroThreadEntry* entry) {
  TExceptionLogEngine* engine = InterceptionEngine();
  const TThreadBlock* block = ExistingThreadBlock();
  if (!engine || !engine->EngineActive || !entry || (block && block->EngineThread)) return;
  try {
    ThreadsList().UpdateCreatorStack(thread, entry->CreatorThreadId, entry->CreatorStack);
  } catch (...) {
  }
}

void __stdcall ZuderaDod_CallExitThread() {
  try {
    DeleteCallingThreadEntry();
  } catch (...) {
  }
}

void __stdcall ZuderaDod_ExceptionNotifyEvent(const TDovaroExceptionRecord* record, bool* goOn) {
  const TForeignRecord here(record);
  bool flag = goOn ? *goOn : true;
  RunHere(&TEventHandlers::ExceptionNotify, here.Record(), flag);
  if (goOn) *goOn = flag;
}

void __stdcall ZuderaDod_HandledExceptionNotifyEvent(const TDovaroExceptionRecord* record,
                                                     bool* goOn) {
  const TForeignRecord here(record);
  bool flag = goOn ? *goOn : true;
  RunHere(&TEventHandlers::HandledExceptionNotify, here.Record(), flag);
  if (goOn) *goOn = flag;
}

void __stdcall ZuderaDod_ExceptionActionNotifyEvent(const TDovaroExceptionRecord* record,
                                                    int action, bool* execute) {
  const TForeignRecord here(record);
  bool flag = execute ? *execute : true;
  RunHere(&TEventHandlers::ExceptionActionNotify, here.Record(), action, flag);
  if (execute) *execute = flag;
}

void __stdcall ZuderaDod_ExceptionErrorNotifyEvent(const TDovaroExceptionRecord* record, int action,
                                                   bool* retry) {
  const TForeignRecord here(record);
  bool flag = retry ? *retry : false;
  RunHere(&TEventHandlers::ExceptionErrorNotify, here.Record(), action, flag);
  if (retry) *retry = flag;
}

void __stdcall ZuderaDod_CustomDataRequestEventEx(const TDovaroExceptionRecord* record,
                                                  const std::vector<std::string>* lines) {
  const TForeignRecord here(record);
  std::vector<std::string> copy = CopyOf(lines);
  RunHere(&TEventHandlers::CustomDataRequest, here.Record(), copy);
}

void __stdcall ZuderaDod_AttachedFilesRequestEvent(const TDovaroExceptionRecord* record,
                                                   const std::vector<std::string>* lines) {
  const TForeignRecord here(record);
  std::vector<std::string> copy = CopyOf(lines);
  RunHere(&TEventHandlers::AttachedFilesRequest, here.Record(), copy);
}

void __stdcall ZuderaDod_CustomWebFieldsRequestEvent(const TDovaroExceptionRecord* record,
                                                     const std::vector<std::string>* lines) {
  const TForeignRecord here(record);
  std::vector<std::string> copy = CopyOf(lines);
  RunHere(&TEventHandlers::CustomWebFieldsRequest, here.Record(), copy);
}

void __stdcall ZuderaDod_CustomButtonClickEvent(const TDovaroExceptionRecord* record, bool* close) {
  const TForeignRecord here(record);
  bool flag = close ? *close : false;
  RunHere(&TEventHandlers::CustomButtonClick, here.Record(), flag);
  if (close) *close = flag;
}

// The buffer: a length byte and up to `maximum` characters, in and out.
void __stdcall ZuderaDod_PasswordRequestEventEx(const TDovaroExceptionRecord* record,
                                                unsigned char* buffer, int maximum) {
  if (!buffer) return;
  const TForeignRecord here(record);
  std::string password(reinterpret_cast<const char*>(buffer + 1), buffer[0]);
  RunHere(&TEventHandlers::PasswordRequest, here.Record(), password);
  const std::size_t length = std::min<std::size_t>(password.size(), maximum > 255 ? 255 : maximum);
  buffer[0] = static_cast<unsigned char>(length);
  std::memcpy(buffer + 1, password.data(), length);
}

void __stdcall ZuderaDod_PasswordRequestEvent(unsigned char* buffer, int maximum) {
  ZuderaDod_PasswordRequestEventEx(nullptr, buffer, maximum);
}

}  // extern "C"
