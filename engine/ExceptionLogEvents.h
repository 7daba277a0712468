// The nine events of the handling sequence and their three kinds of
// subscriber: the export of the module the exception was raised in (another
// module that carries a compatible engine), the handler sets registered in
// this module, and the program's event variables. Every call runs in the
// raising thread; a subscriber's failure is swallowed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ECoreOptions.h"
#include "engine/ExceptionLogTypes.h"

struct TExceptionLogEngine;

enum TEventAction : int {
  ActBeforeDialog = 0,
  ActAfterDialog = 1,
  ActBeforeLog = 2,
  ActAfterLog = 3,
  ActBeforeMail = 4,
  ActAfterMail = 5,
  ActBeforeWeb = 6,
  ActAfterWeb = 7,
  ActTerminateButton = 8,
};

// The events' routines as the program assigns them (one variable each) and
// as a handler set holds them. Flags are in/out.
using TNotifyHandler = void (*)(const TDovaroExceptionRecord& record, bool& goOn);
using TActionHandler = void (*)(const TDovaroExceptionRecord& record, int action, bool& flag);
using TListHandler = void (*)(const TDovaroExceptionRecord& record,
                              std::vector<std::string>& lines);
using TCloseHandler = void (*)(const TDovaroExceptionRecord& record, bool& close);
using TPasswordHandler = void (*)(const TDovaroExceptionRecord& record, std::string& password);

struct TEventHandlers {
  TNotifyHandler ExceptionNotify = nullptr;
  TNotifyHandler HandledExceptionNotify = nullptr;
  TActionHandler ExceptionActionNotify = nullptr;
  TActionHandler ExceptionErrorNotify = nullptr;
  TListHandler CustomDataRequest = nullptr;
  TListHandler AttachedFilesRequest = nullptr;
  TListHandler CustomWebFieldsRequest = nullptr;
  TCloseHandler CustomButtonClick = nullptr;
  TPasswordHandler PasswordRequest = nullptr;
};

// The program's event variables of this module (cleared at activation).
TEventHandlers& EventVariables();
// The registered handler sets, visited from the last to the first. This
// module registers none; a handler component would.
std::vector<TEventHandlers>& HandlerRegistry();

// The exports by which another module's engine hands an event to this one.
// The list events pass the caller's list to be copied; the password events a
// buffer of a length byte and up to 255 characters.
extern "C" {
using TNotifyExport = void(__stdcall*)(const TDovaroExceptionRecord* record, bool* goOn);
using TActionExport = void(__stdcall*)(const TDovaroExceptionRecord* record, int action,
                                       bool* flag);
using TListExport = void(__stdcall*)(const TDovaroExceptionRecord* record,
                                     const std::vector<std::string>* lines);
using TCloseExport = void(__stdcall*)(const TDovaroExceptionRecord* record, bool* close);
using TPasswordExport = void(__stdcall*)(const TDovaroExceptionRecord* record,
                                         unsigned char* buffer, int maximum);
}

// The compatibility window of module events: from this engine's data
// version rounded down to a hundred up to 100 more (6100 to 6200).
bool InsideEventWindow(int dataVersion);

// Fires an event to its subscribers in order; `record` is the record (or a
// copy of it) the subscribers get. The export subscriber is the module that
// holds the record's raise address, when it is another module of a version
// inside the window. Afterwards the options in effect are refreshed from
// their module's shared area, so option changes made by handlers take effect.
void FireExceptionNotify(TExceptionLogEngine& engine, bool caught, TDovaroExceptionRecord& record,
                         bool& goOn);
void FireActionNotify(TExceptionLogEngine& engine, TDovaroExceptionRecord record, int action,
                      bool& flag);
void FireErrorNotify(TExceptionLogEngine& engine, TDovaroExceptionRecord record, int action,
                     bool& retry);
enum class TListEvent { kCustomData, kAttachedFiles, kCustomWebFields };
void FireListEvent(TExceptionLogEngine& engine, TListEvent event, TDovaroExceptionRecord& record,
                   std::vector<std::string>& lines);
void FireCustomButtonClick(TExceptionLogEngine& engine, TDovaroExceptionRecord& record,
                           bool& close);
// The password of a module's enciphered debug information: asked of the
// module itself (attempt 0, through its export) or of this module's
// subscribers (attempt 1).
std::string FirePasswordRequest(TExceptionLogEngine* engine, TModuleHandle module, int attempt);
