// The fixed handling sequence: options in effect, filters, call stacks,
// report, events, dialog, log, delivery, the error-burst check and the end
// (continue, terminate or restart). The section code follows the steps; an
// exception escaping the sequence goes to the internal-error report with it.
#include <windows.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdio>

#include "debuginfo/EDebug.h"
#include "debuginfo/EDebugModules.h"
#include "debuginfo/ESnapshotModules.h"
#include "debuginfo/ESnapshotProcesses.h"
#include "debuginfo/ESnapshotThreads.h"
#include "debuginfo/EStackLive.h"
#include "debuginfo/EStackThreads.h"
#include "engine/ECoreModules.h"
#include "engine/ECoreServices.h"
#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogEvents.h"
#include "engine/ExceptionLogFilters.h"
#include "engine/ExceptionLogInternalError.h"
#include "engine/ExceptionLogProcess.h"
#include "engine/ExceptionLogStages.h"
#include "engine/ExceptionLogTerminate.h"
#include "engine/ExceptionLogThreadBlock.h"
#include "platform/memory/ImageReader.h"
#include "platform/memory/LiveMemory.h"
#include "platform/runtime/PathText.h"

namespace {

constexpr TAddress kLanguageRaiseCallLength = 5;
constexpr int kConsoleIntroText = 4;
constexpr int kCustomDataFieldBit = 47;
constexpr std::uint16_t kConsoleSubsystem = 3;

TModuleHandle ModuleOfAddress(TAddress address) {
  return reinterpret_cast<TModuleHandle>(ModuleHandleOfAddress(address));
}

TDovaroModuleInfo* EntryOf(TModuleHandle module) {
  return module ? ModuleEntryByHandle(reinterpret_cast<std::uintptr_t>(module)) : nullptr;
}

bool HasDebugInformation(const TDovaroModuleInfo* entry) {
  return entry && (entry->DebugInfo || entry->OtherDebugSource);
}

bool IsConsoleProgram() {
  const TImageReader image(LiveMemory(), AddressOf(GetModuleHandleA(nullptr)));
  TPeHeaders32 headers;
  std::uint32_t offset = 0;
  return image.ReadRecord(kNewHeaderOffsetField, offset) && image.ReadRecord(offset, headers) &&
         headers.OptionalHeader.Subsystem == kConsoleSubsystem;
}

// The events around the log's save, as the log stage calls them.
class TLogEvents final : public ILogStageEvents {
 public:
  TLogEvents(TExceptionLogEngine& engine, TDovaroExceptionRecord& record, TAddress address)
      : engine_(engine), record_(record), address_(address) {}
  void BeforeLog(bool& execute) override {
    FireActionNotify(engine_, record_, ActBeforeLog, execute);
  }
  void LogFailed(const TLogFailure& failure, bool& retry) override {
    Warn(engine_, eeLogError, "Log", failure.Message, address_);
    FireErrorNotify(engine_, record_, ActAfterLog, retry);
  }
  void AfterLog(bool& execute) override {
    FireActionNotify(engine_, record_, ActAfterLog, execute);
  }

 private:
  TExceptionLogEngine& engine_;
  TDovaroExceptionRecord& record_;
  TAddress address_;
};

class TSequence {
 public:
  TSequence(TExceptionLogEngine& engine, const TProcessRequest& request,
            TExceptNotifyParams& params)
      : engine_(engine), request_(request), params_(params), stages_(*engine.Stages) {}

  bool Run() {
    try {
      RunSteps();
    } catch (const std::exception& failure) {
      Resume();
      ReportInternalError(engine_, section_, &failure, failure.what());
    } catch (...) {
      Resume();
      ReportInternalError(engine_, section_, nullptr, "General internal error.");
    }
    return result_;
  }

 private:
  void RunSteps();
  void ChooseOptions();
  void SetVariables();
  void ApplyFilter();
  void BuildStacks();
  void PauseThreads();
  void Resume();
  void Dialogs();
  void LogAndSend();
  void BurstCheck();
  void Finish(bool reported = false);
  bool SendWanted() const {
    const TDovaroModuleOptions& o = engine_.EffectiveOptions;
    return (o.MailDelivery() != 0 || o.WebDelivery() != 0) && !facts_.Duplicate &&
           (userAgreed_ || o.DialogKind() == 0);
  }
  bool Background() const {
    return SendWanted() && (engine_.EffectiveOptions.SendFlags() & SendInBackground);
  }

  TExceptionLogEngine& engine_;
  const TProcessRequest& request_;
  TExceptNotifyParams& params_;
  IHandlingStages& stages_;
  THandlingFacts facts_;
  int section_ = 0;
  bool result_ = false;
  TAddress address_ = 0;
  int handler_ = 2;  // 0 none, 1 runtime, 2 engine
  int afterAction_ = 0;
  int dialog_ = 0;
  bool dialogByFilter_ = false;
  bool userAgreed_ = false;
  std::vector<std::string> ancestry_;
  std::vector<HANDLE> paused_;
};

void TSequence::ChooseOptions() {
  section_ = 101;
  TDovaroModuleInfo* atAddress = EntryOf(ModuleOfAddress(address_));
  TDovaroModuleInfo* given = EntryOf(request_.Module ? request_.Module : engine_.Module);
  const TModuleHandle otherHandle =
      given && given->Handle == engine_.Module ? engine_.MainModule : engine_.Module;
  TDovaroModuleInfo* other = EntryOf(otherHandle);
  TDovaroModuleInfo* chosen = HasDebugInformation(atAddress) ? atAddress : given;
  section_ = 102;
  if (!HasDebugInformation(chosen) && HasDebugInformation(other)) chosen = other;
  if (!chosen || !chosen->Options) chosen = EntryOf(engine_.Module);
  TDovaroModuleOptionsEx& effective = engine_.EffectiveOptions;
  effective.Assign(chosen->Options.get());
  effective.SetEnabled(chosen->Options->Enabled());
  if ((effective.BehaviourFlags() & UseMainModuleOptions) && other && other->Options &&
      HasDebugInformation(other)) {
    effective.Assign(other->Options.get());
    chosen = other;
  }
  section_ = 103;
  effective.SetOwner(chosen->FileName, chosen->Handle);
}

void TSequence::SetVariables() {
  const auto set = [](const char* name, const std::string& value) {
    SetEnvironmentVariableA(name, value.c_str());
  };
  const TDovaroModuleInfo* main = EntryOf(static_cast<TModuleHandle>(GetModuleHandleA(nullptr)));
  const TDovaroModuleInfo* at = EntryOf(ModuleOfAddress(address_));
  set("_MainModuleName", main ? ExtractFileName(main->FileName) : std::string());
  set("_MainModuleDesc", main ? main->Description : std::string());
  set("_MainModuleVer", main ? main->Version : std::string());
  set("_ExceptModuleName", at ? ExtractFileName(at->FileName) : std::string());
  set("_ExceptModuleDesc", at ? at->Description : std::string());
  set("_ExceptModuleVer", at ? at->Version : std::string());
  set("_ExceptMsg", facts_.Message);
  set("_BugReport", engine_.LastReportText);
  set("_LineBreak", "\r\n");
}

void TSequence::ApplyFilter() {
  section_ = 201;
  dialog_ = engine_.EffectiveOptions.DialogKind();
  if (request_.RaiseKind == rkThreadWrapper || !engine_.EffectiveOptions.ApplyFilters()) return;
  const auto index = FindFilter(engine_.EffectiveOptions, ancestry_, request_.CaughtByProgram);
  if (!index) return;
  const TDovaroExceptionFilter& filter = engine_.EffectiveOptions.Filters().Item(*index);
  afterAction_ = filter.FilterAfterAction;
  handler_ = filter.FilterHandler;
  static constexpr int kKinds[] = {0, -1, 1, 2, 3};  // none, DialogKind, box, classic, detailed
  dialog_ = filter.FilterDialog < 5 ? kKinds[filter.FilterDialog] : 0;
  if (dialog_ < 0) dialog_ = engine_.EffectiveOptions.DialogKind();
  dialogByFilter_ = true;
  if (!filter.FilterMessage.empty()) {
    facts_.CustomMessage = ExpandVariables(filter.FilterMessage);
    facts_.Message = facts_.CustomMessage;
  }
}

void TSequence::BuildStacks() {
  section_ = 4;
  TLiveStackLocator locator;
  if (params_.GivenStack) {
    engine_.KeptStack.reset();  // the caller's list stays the caller's
  } else {
    TStackScanRequest scan;
    scan.FirstAddress = address_;
    scan.StackLow = params_.WalkStart & ~TAddress{3};
    scan.StackHigh = params_.StackBase > 4 ? params_.StackBase - 4 : 0;
    scan.AddCallees = true;
    scan.ThreadId = params_.SourceThread;
    engine_.KeptStack = BuildCallStack(scan, LiveMemory(), locator);
  }
  TDovaroStackList* stack = params_.GivenStack ? params_.GivenStack : engine_.KeptStack.get();
  facts_.Record->StackList = stack;
  engine_.ExceptionId = stages_.BugIdentifier(engine_, facts_);
  if (!stack) return;
  TStackScanRequest more;
  more.AddCallees = true;
  if (const auto entry = ThreadsList().FindByThreadId(params_.SourceThread)) {
    ScanCreatorStack(*stack, *entry, more, locator);
  }
  if (request_.LeakReport) return;
  const std::uint8_t flags = engine_.EffectiveOptions.StackFlags();
  for (const TDovaroThreadEntry& entry : ThreadsList().Entries()) {
    if (entry.ThreadId == GetCurrentThreadId() || entry.ThreadId == params_.SourceThread) continue;
    if (!(flags & StackOwnThreads)) continue;
    if (ScanOtherThread(*stack, entry.ThreadId, entry.StackTop, more, locator)) {
      ScanCreatorStack(*stack, entry, more, locator);
    }
  }
  if (!(flags & StackForeignThreads)) return;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more32 = Thread32First(snapshot, &thread); more32;
       more32 = Thread32Next(snapshot, &thread)) {
    if (thread.th32OwnerProcessID != GetCurrentProcessId()) continue;
    const std::uint32_t id = thread.th32ThreadID;
    if (id == GetCurrentThreadId() || id == params_.SourceThread ||
        ThreadsList().FindByThreadId(id)) {
      continue;
    }
    if (engine_.IsExcludedThread(id)) continue;
    ScanOtherThread(*stack, id, 0, more, locator);
  }
  CloseHandle(snapshot);
}

void TSequence::PauseThreads() {
  section_ = 6;
  const std::uint16_t behaviour = engine_.EffectiveOptions.BehaviourFlags();
  const TEngineContext* context = EngineContext();
  for (const TDovaroThreadEntry& entry : ThreadsList().Entries()) {
    const std::uint32_t id = entry.ThreadId;
    if (id == GetCurrentThreadId() || id == params_.SourceThread) continue;
    if (context && context->IsEngineThread && context->IsEngineThread(id)) continue;
    if (engine_.IsExcludedThread(id)) continue;
    const bool main = id == engine_.MainThreadId;
    const bool wanted = main ? !(behaviour & KeepMainThreadRunning) : (behaviour & PauseOwnThreads);
    if (!wanted) continue;
    if (HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, id)) {
      if (SuspendThread(thread) != static_cast<DWORD>(-1)) {
        paused_.push_back(thread);
      } else {
        CloseHandle(thread);
      }
    }
  }
}

void TSequence::Resume() {
  for (HANDLE thread : paused_) {
    ResumeThread(thread);
    CloseHandle(thread);
  }
  paused_.clear();
}

void TSequence::Dialogs() {
  TDovaroModuleOptions& o = engine_.EffectiveOptions;
  userAgreed_ = o.MailDelivery() != 0 || o.WebDelivery() != 0;
  if (dialog_ == 0) {
    if (request_.HandlerKind == hkWeb) stages_.AnswerWeb(engine_, facts_);
    return;
  }
  section_ = 12;
  bool goOn = true;
  FireActionNotify(engine_, *facts_.Record, ActBeforeDialog, goOn);
  if (!goOn) return;
  section_ = 13;
  bool detailedShown = false;
  bool dialogFailed = false;
  if (request_.HandlerKind == hkWeb) {
    if (!stages_.AnswerWeb(engine_, facts_)) result_ = true;
  } else if (facts_.ConsoleProgram) {
    const std::string text = o.Text(kConsoleIntroText) + "\r\n\r\n" + facts_.Record->ReportText;
    DWORD written = 0;
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
      Warn(engine_, eeShowError, "Console", std::string(), address_);
    }
  } else {
    // The dialog may switch to another kind, shown in turn (without the beep).
    bool beep = true;
    for (int kind = dialog_; kind != 0; beep = false) {
      TDialogOutcome outcome;
      outcome.SendChosen = userAgreed_;
      outcome.ScreenshotChosen = o.SendFlags() & SendScreenshotImage;
      if (kind == 3) detailedShown = true;
      engine_.EngineWindowUp = true;
      const bool shown = stages_.ShowDialog(engine_, facts_, kind, beep, outcome);
      engine_.EngineWindowUp = false;
      if (!shown) {  // the stage wrote the "GUI" warning
        dialogFailed = true;
        break;
      }
      userAgreed_ = outcome.SendChosen;
      kind = outcome.NextKind;
    }
  }
  section_ = 14;
  bool after = true;
  FireActionNotify(engine_, *facts_.Record, ActAfterDialog, after);
  const bool gui = request_.HandlerKind != hkWeb && !facts_.ConsoleProgram;
  if (detailedShown && !dialogFailed && gui && (o.LogFlags() & LogAddReproduceText) &&
      !facts_.Duplicate && (userAgreed_ || o.WriteLogFile())) {
    stages_.AskReproduceSteps(engine_, facts_);
  }
  if ((o.LogFlags() & LogAddReproduceText) && !o.ReproduceNote.empty()) {
    stages_.AddReproduceRequest(engine_, facts_, o.ReproduceNote);
  }
}

void TSequence::LogAndSend() {
  section_ = 15;
  TDovaroModuleOptions& o = engine_.EffectiveOptions;
  if (o.LogFlags() & LogVersionCheck) stages_.CheckLogVersion(engine_, facts_);
  if (o.WriteLogFile()) {
    TLogEvents events(engine_, *facts_.Record, address_);
    stages_.SaveReportToLog(engine_, facts_, events);
  }
  section_ = 16;
  if (SendWanted()) stages_.Deliver(engine_, facts_);
  if (!Background()) BurstCheck();
}

void TSequence::BurstCheck() {
  const TDovaroModuleOptions& o = engine_.EffectiveOptions;
  const auto& times = engine_.CrashTimes;
  if (o.CrashBurstAction() != 0 && o.CrashBurstCount() > 0 && times.size() == o.CrashBurstCount() &&
      times.back() - times.front() <= o.CrashBurstMinutes() / 1440.0) {
    RequestTermination(engine_, o.CrashBurstAction());
  }
  stages_.DeleteTemporaryFiles(engine_);
}

void TSequence::RunSteps() {
  // 1-3
  address_ =
      request_.LanguageException ? request_.Address - kLanguageRaiseCallLength : request_.Address;
  engine_.LastHandledAddress = address_;
  engine_.LastHandledObject = request_.Object;
  ancestry_ = ClassAncestry(request_.Object);
  facts_.Record = &engine_.Record;
  facts_.Params = &params_;
  facts_.ClassName = ancestry_.empty() ? std::string() : ancestry_.front();
  facts_.Message = ExceptionMessage(request_.Object).value_or("Unknown error message.");
  facts_.LanguageException = request_.LanguageException;
  facts_.HandlerKind = request_.HandlerKind;
  facts_.Time = LocalDateTimeNow();
  facts_.ConsoleProgram = IsConsoleProgram();
  engine_.Record = TDovaroExceptionRecord();
  engine_.Record.RaisedObject = request_.Object;
  engine_.Record.RaiseAddress = address_;
  engine_.Record.RaiseThread = params_.SourceThread;
  // 4-7
  ChooseOptions();
  section_ = 104;
  engine_.EffectiveOptions.ReproduceNote.clear();
  section_ = 2;
  SetVariables();
  // 8-10
  ApplyFilter();
  section_ = 3;
  if (handler_ == 1) {
    result_ = true;
    return Finish();
  }
  if (handler_ == 0) return Finish();
  // 11-16
  BuildStacks();
  section_ = 5;
  if (request_.RaiseKind == rkThreadWrapper) return Finish();
  // 17-18
  PauseThreads();
  if (engine_.EffectiveOptions.LogFlags() & LogModulesAndProcesses) {
    section_ = 7;
    RefreshModules();
    RefreshProcesses();
  }
  section_ = 702;
  TDovaroExceptionRecord& record = engine_.Record;
  record.OsRecord = params_.OsRecordPtr;
  record.RegisterContext = params_.ContextPtr;
  record.EffectiveOptions = &engine_.EffectiveOptions;
  record.ReportText = stages_.ReportText(engine_, facts_);
  section_ = 703;
  record.ModuleList = &ModulesList();
  engine_.Current = &engine_.Record;
  section_ = 705;
  facts_.Duplicate = stages_.CheckDuplicate(
      engine_, facts_, engine_.EffectiveOptions.LogFlags() & LogSkipDuplicates);
  section_ = 706;
  engine_.LastReportText = record.ReportText;
  SetVariables();
  // 19-20
  section_ = 8;
  bool goOn = true;
  FireExceptionNotify(engine_, request_.CaughtByProgram, record, goOn);
  if (!goOn) {
    result_ = true;
    return Finish(true);
  }
  // 21
  section_ = 9;
  TDovaroModuleOptions& o = engine_.EffectiveOptions;
  stages_.TakeScreenshot(engine_, facts_);
  if (o.CrashBurstAction() != 0) {
    engine_.CrashTimes.push_back(LocalDateTimeNow());
    while (engine_.CrashTimes.size() > o.CrashBurstCount())
      engine_.CrashTimes.erase(engine_.CrashTimes.begin());
  }
  std::vector<std::string> customData;
  FireListEvent(engine_, TListEvent::kCustomData, record, customData);
  if (!customData.empty() && (o.GeneralFieldsShown() >> kCustomDataFieldBit & 1)) {
    stages_.AddCustomInformation(engine_, facts_, customData);
  }
  section_ = 10;
  ++engine_.HandledCount;
  section_ = 11;
  engine_.LastExceptionMessage = facts_.Message;
  if (!dialogByFilter_) dialog_ = o.DialogKind();
  stages_.CaptureWorkArea(engine_);
  // 22-23
  Dialogs();
  if (SendWanted()) stages_.SaveScreenshot(engine_, facts_);
  stages_.ReleaseScreenshot(engine_);
  // 24-25
  LogAndSend();
  Finish(true);
}

// Steps 26 and 27.
void TSequence::Finish(bool reported) {
  section_ = 17;
  Resume();
  if (reported && !Background()) engine_.KeptStack.reset();
  if (!engine_.TerminateRequest.load() && handler_ == 2 &&
      (afterAction_ == 1 || afterAction_ == 2)) {
    RequestTermination(engine_, static_cast<std::uint8_t>(afterAction_));
  }
  if (engine_.EffectiveOptions.BehaviourFlags() & ChainToDefaultHandler) result_ = true;
  section_ = 18;
  if (request_.RaiseKind != rkThreadWrapper && !Background()) ApplyTerminateRequest(engine_);
}

}  // namespace

bool RunHandling(TExceptionLogEngine& engine, const TProcessRequest& request,
                 TExceptNotifyParams& params) {
  return TSequence(engine, request, params).Run();
}
