#include "engine/ExceptionLogEvents.h"
#include "debuginfo/EDebugModules.h"

#include <windows.h>

#include <cstring>

#include "engine/ECoreModules.h"
#include "engine/ExceptionLogEngine.h"

namespace {

constexpr int kEventWindowWidth = 100;

// The export subscriber: the module holding the raise address, when it is
// another module whose engine is of a version inside the window.
FARPROC ModuleExport(const TExceptionLogEngine& engine, const TDovaroExceptionRecord& record,
                     const char* name) {
  const auto module = reinterpret_cast<HMODULE>(ModuleHandleOfAddress(record.RaiseAddress));
  if (!module) return nullptr;
  if (module == static_cast<HMODULE>(engine.Module)) return nullptr;
  if (!InsideEventWindow(EngineDataVersion(module))) return nullptr;
  return GetProcAddress(module, name);
}

template <class Export>
Export ExportOf(const TExceptionLogEngine& engine, const TDovaroExceptionRecord& record,
                const char* name) {
  return reinterpret_cast<Export>(reinterpret_cast<void*>(ModuleExport(engine, record, name)));
}

// Runs the call in the raising thread, then takes up option changes.
void Deliver(TExceptionLogEngine& engine, const std::function<void()>& call) {
  RunInRaisingThread(engine, call);
  engine.EffectiveOptions.Refresh();
}

template <class Member, class... Arguments>
void RunLocalHandlers(Member member, Arguments&&... arguments) {
  std::vector<TEventHandlers>& registry = HandlerRegistry();
  for (auto set = registry.rbegin(); set != registry.rend(); ++set) {
    if (auto handler = (*set).*member) handler(arguments...);
  }
  if (auto handler = EventVariables().*member) handler(arguments...);
}

}  // namespace

TEventHandlers& EventVariables() {
  static TEventHandlers variables;
  return variables;
}

std::vector<TEventHandlers>& HandlerRegistry() {
  static std::vector<TEventHandlers> registry;
  return registry;
}

bool InsideEventWindow(int dataVersion) {
  const int first = kEngineDataVersion / kEventWindowWidth * kEventWindowWidth;
  return dataVersion >= first && dataVersion <= first + kEventWindowWidth;
}

void FireExceptionNotify(TExceptionLogEngine& engine, bool caught, TDovaroExceptionRecord& record,
                         bool& goOn) {
  const char* name =
      caught ? "ZuderaDod_HandledExceptionNotifyEvent" : "ZuderaDod_ExceptionNotifyEvent";
  const TNotifyHandler TEventHandlers::*member =
      caught ? &TEventHandlers::HandledExceptionNotify : &TEventHandlers::ExceptionNotify;
  Deliver(engine, [&] {
    if (auto handler = ExportOf<TNotifyExport>(engine, record, name)) handler(&record, &goOn);
    RunLocalHandlers(member, record, goOn);
  });
}

void FireActionNotify(TExceptionLogEngine& engine, TDovaroExceptionRecord record, int action,
                      bool& flag) {
  Deliver(engine, [&] {
    if (auto handler =
            ExportOf<TActionExport>(engine, record, "ZuderaDod_ExceptionActionNotifyEvent")) {
      handler(&record, action, &flag);
    }
    RunLocalHandlers(&TEventHandlers::ExceptionActionNotify, record, action, flag);
  });
}

void FireErrorNotify(TExceptionLogEngine& engine, TDovaroExceptionRecord record, int action,
                     bool& retry) {
  Deliver(engine, [&] {
    if (auto handler =
            ExportOf<TActionExport>(engine, record, "ZuderaDod_ExceptionErrorNotifyEvent")) {
      handler(&record, action, &retry);
    }
    RunLocalHandlers(&TEventHandlers::ExceptionErrorNotify, record, action, retry);
  });
}

void FireListEvent(TExceptionLogEngine& engine, TListEvent event, TDovaroExceptionRecord& record,
                   std::vector<std::string>& lines) {
  const char* name = event == TListEvent::kCustomData ? "ZuderaDod_CustomDataRequestEventEx"
                     : event == TListEvent::kAttachedFiles
                         ? "ZuderaDod_AttachedFilesRequestEvent"
                         : "ZuderaDod_CustomWebFieldsRequestEvent";
  const TListHandler TEventHandlers::*member =
      event == TListEvent::kCustomData      ? &TEventHandlers::CustomDataRequest
      : event == TListEvent::kAttachedFiles ? &TEventHandlers::AttachedFilesRequest
                                            : &TEventHandlers::CustomWebFieldsRequest;
  Deliver(engine, [&] {
    if (auto handler = ExportOf<TListExport>(engine, record, name)) handler(&record, &lines);
    RunLocalHandlers(member, record, lines);
  });
}

void FireCustomButtonClick(TExceptionLogEngine& engine, TDovaroExceptionRecord& record,
                           bool& close) {
  Deliver(engine, [&] {
    if (auto handler = ExportOf<TCloseExport>(engine, record, "ZuderaDod_CustomButtonClickEvent")) {
      handler(&record, &close);
    }
    RunLocalHandlers(&TEventHandlers::CustomButtonClick, record, close);
  });
}

std::string FirePasswordRequest(TExceptionLogEngine* engine, TModuleHandle module, int attempt) {
  TDovaroExceptionRecord empty;
  const TDovaroExceptionRecord& record = engine && engine->Current ? *engine->Current : empty;
  std::string password;
  const auto ask = [&] {
    if (attempt == 0) {
      const auto handle = static_cast<HMODULE>(module);
      if (engine && handle == static_cast<HMODULE>(engine->Module)) return;
      unsigned char buffer[256] = {};
      if (auto extended = reinterpret_cast<TPasswordExport>(reinterpret_cast<void*>(
              GetProcAddress(handle, "ZuderaDod_PasswordRequestEventEx")))) {
        extended(&record, buffer, 255);
      } else if (auto plain = reinterpret_cast<void(__stdcall*)(unsigned char*, int)>(
                     reinterpret_cast<void*>(
                         GetProcAddress(handle, "ZuderaDod_PasswordRequestEvent")))) {
        plain(buffer, 255);
      }
      password.assign(reinterpret_cast<const char*>(buffer + 1), buffer[0]);
      return;
    }
    RunLocalHandlers(&TEventHandlers::PasswordRequest, record, password);
  };
  if (engine) {
    RunInRaisingThread(*engine, ask);
  } else {
    try {
      ask();
    } catch (...) {
    }
  }
  return password;
}
