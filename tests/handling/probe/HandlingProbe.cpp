// A test module that carries the engine: its exports raise exceptions of
// every kind, adjust its options and filters, and record what the engine's
// events and stages saw in the tests' journal.
#include <windows.h>

#include <cstdio>
#include <string>

#include "debuginfo/EStackList.h"
#include "engine/ECoreModules.h"
#include "engine/EngineStartup.h"
#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogEvents.h"
#include "engine/ExceptionLogProcess.h"
#include "engine/ExceptionLogStages.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/ExportBoundary.h"
#include "platform/runtime/Thread.h"
#include "report/EAttachmentFiles.h"
#include "report/EAttachmentList.h"
#include "report/EAttachmentNames.h"
#include "report/EZip.h"
#include "tests/handling/probe/Journal.h"

namespace {

constinit TEngineContext engine;

class EProbeError : public Exception {
 public:
  using Exception::Exception;
};

bool clearGoOn = false;
bool raiseInCallback = false;
int logFailuresLeft = 0;
int retriesLeft = 0;
bool engineStages = false;  // the engine's own stages instead of the probe's
// Where the attachments of a handled fault are copied (empty: the
// attachment stages stay the pending ones).
std::string attachmentsOut;
std::string attachmentsFolder;

std::string Id(std::uint32_t id) {
  return std::to_string(id);
}

// The routines of the record's call stack that have names, in order.
std::string StackRoutines(const TDovaroExceptionRecord& record) {
  std::string names;
  if (!record.StackList) return names;
  for (std::size_t i = 0; i < record.StackList->Count(); ++i) {
    const TCodeLocation& item = (*record.StackList)[i];
    if (item.RoutineName.Empty()) continue;
    if (!names.empty()) names += ",";
    names += item.RoutineName.Str();
  }
  return names;
}

// The message the report and dialogs show (a filter's message replaces the
// exception's), as the engine publishes it in the environment.
std::string ShownMessage() {
  char text[512] = {};
  GetEnvironmentVariableA("_ExceptMsg", text, sizeof text);
  return text;
}

void Notify(const char* name, const TDovaroExceptionRecord& record, bool& goOn) {
  JournalLine(std::string(name) + " thread=" + Id(GetCurrentThreadId()) + " raise=" +
              Id(record.RaiseThread) + " class=" + ExceptionClassName(record.RaisedObject) +
              " message=" + ExceptionMessage(record.RaisedObject).value_or("") +
              " shown=" + ShownMessage() + " stack=" + StackRoutines(record));
  if (clearGoOn) goOn = false;
  if (raiseInCallback) {
    raiseInCallback = false;
    EProbeError second("raised in a callback");
    const bool result = ExceptionManager(*InterceptionEngine(), &second, 0, hkPlain, nullptr);
    JournalLine(std::string("second exception result=") + (result ? "true" : "false"));
    throw EProbeError("thrown out of a callback");
  }
}

// With the engine's own stages the record carries the real report: it is
// kept beside the journal for the test to read.
void KeepReportText(const TDovaroExceptionRecord& record) {
  char journal[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("VIPC_HANDLING_JOURNAL", journal, sizeof journal)) return;
  const std::string path = std::string(journal) + ".report";
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, record.ReportText.data(), static_cast<DWORD>(record.ReportText.size()), &written,
            nullptr);
  CloseHandle(file);
}

void OnExceptionNotify(const TDovaroExceptionRecord& record, bool& goOn) {
  if (engineStages) KeepReportText(record);
  Notify("ExceptionNotify", record, goOn);
}
void OnHandledNotify(const TDovaroExceptionRecord& record, bool& goOn) {
  Notify("HandledExceptionNotify", record, goOn);
}
void OnAction(const TDovaroExceptionRecord&, int action, bool&) {
  JournalLine("ExceptionActionNotify action=" + std::to_string(action));
}
void OnError(const TDovaroExceptionRecord&, int action, bool& retry) {
  JournalLine("ExceptionErrorNotify action=" + std::to_string(action));
  if (retriesLeft > 0) {
    --retriesLeft;
    retry = true;
  }
}
void OnCustomData(const TDovaroExceptionRecord&, std::vector<std::string>& lines) {
  JournalLine("CustomDataRequest");
  lines.push_back("probe data");
}

// The exception's own folder of attachments (the only one in the process's
// folder while it is handled).
std::string ExceptionFolderNow(const TExceptionLogEngine& e) {
  const std::string process = ProcessAttachmentFolder(
      SystemTemporaryFolder(), GetCurrentProcessId(), reinterpret_cast<std::uintptr_t>(e.Module));
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((process + "Exception*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  FindClose(search);
  return process + found.cFileName + "\\";
}

// What the delivery will do with the files, done here and copied out: the
// log copy and the XML copy of the report, the attachment list and the zip
// package.
void PrepareAttachments(TExceptionLogEngine& e, const THandlingFacts& f) {
  const std::string folder = ExceptionFolderNow(e);
  JournalLine("attachments folder=" + std::string(folder.empty() ? "none" : "made"));
  if (folder.empty()) return;
  const TDovaroModuleOptions& o = e.EffectiveOptions;
  const std::string report = f.Record ? f.Record->ReportText : "";
  const std::string logCopy = LogCopyFileName(folder, o.LogFileName());
  const std::string xmlCopy = XmlCopyFileName(folder, o.LogFileName(), o.SendFlags());
  WriteLogCopy(logCopy, report);
  WriteXmlCopy(xmlCopy, logCopy, report, "");
  TAttachmentListInput input;
  input.ExtraAttachments = o.ExtraAttachments();
  input.LogCopyName = logCopy;
  input.ScreenshotName = ScreenshotFileName(folder, o.SendFlags(), true);
  input.XmlCopyName = xmlCopy;
  TAttachmentListServices services;
  services.FileExists = AttachmentFileExists;
  const std::vector<std::string> list = BuildAttachmentList(input, services);
  const TZipPackageResult zip = MakeZipPackage(ZipPackageFileName(folder), "", list);
  std::string entries;
  for (const std::string& entry : zip.Entries) entries += (entries.empty() ? "" : ",") + entry;
  JournalLine("attachments entries=" + entries);
  for (const std::string& file :
       {input.ScreenshotName, xmlCopy, logCopy, ZipPackageFileName(folder)}) {
    CopyFileA(file.c_str(), (attachmentsOut + "handled_" + FileNamePart(file)).c_str(), FALSE);
  }
  attachmentsFolder = folder;
}

// The stages of the sequence as the probe sees them: the log stage fails as
// often as asked; every other stage is the pending one, except that with
// attachments asked for the screenshot, report, log and temporary-file
// stages are the engine's own.
class TProbeStages final : public IHandlingStages {
 public:
  IHandlingStages& Pending() { return PendingStages(); }
  IHandlingStages& Real(TExceptionLogEngine& e) {
    return attachmentsOut.empty() || !e.OwnStages ? Pending() : *e.OwnStages;
  }
  std::string BugIdentifier(TExceptionLogEngine& e, const THandlingFacts& f) override {
    JournalLine("stage thread=" + Id(GetCurrentThreadId()));
    return Real(e).BugIdentifier(e, f);
  }
  std::string ReportText(TExceptionLogEngine& e, const THandlingFacts& f) override {
    return Real(e).ReportText(e, f);
  }
  bool CheckDuplicate(TExceptionLogEngine& e, const THandlingFacts& f, bool count) override {
    return Pending().CheckDuplicate(e, f, count);
  }
  void TakeScreenshot(TExceptionLogEngine& e, const THandlingFacts& f) override {
    Real(e).TakeScreenshot(e, f);
  }
  void SaveScreenshot(TExceptionLogEngine& e, const THandlingFacts& f) override {
    Real(e).SaveScreenshot(e, f);
  }
  void ReleaseScreenshot(TExceptionLogEngine& e) override { Real(e).ReleaseScreenshot(e); }
  bool ShowDialog(TExceptionLogEngine& e, const THandlingFacts& f, int kind, bool beep,
                  TDialogOutcome& outcome) override {
    JournalLine("stage dialog kind=" + std::to_string(kind));
    return Pending().ShowDialog(e, f, kind, beep, outcome);
  }
  void AskReproduceSteps(TExceptionLogEngine& e, const THandlingFacts& f) override {
    Pending().AskReproduceSteps(e, f);
  }
  void AddCustomInformation(TExceptionLogEngine&, const THandlingFacts&,
                            const std::vector<std::string>& lines) override {
    JournalLine("stage custom information lines=" + std::to_string(lines.size()));
  }
  void AddReproduceRequest(TExceptionLogEngine&, const THandlingFacts&,
                           const std::string& note) override {
    JournalLine("stage reproduce note=" + note);
  }
  bool AnswerWeb(TExceptionLogEngine& e, const THandlingFacts& f) override {
    return Pending().AnswerWeb(e, f);
  }
  void CheckLogVersion(TExceptionLogEngine& e, const THandlingFacts& f) override {
    Pending().CheckLogVersion(e, f);
  }
  void SaveReportToLog(TExceptionLogEngine& e, const THandlingFacts& f,
                       ILogStageEvents& events) override {
    if (!attachmentsOut.empty() && e.OwnStages) return e.OwnStages->SaveReportToLog(e, f, events);
    bool execute = true;
    events.BeforeLog(execute);
    for (bool retry = true; execute && retry;) {
      retry = false;
      JournalLine("stage log");
      if (logFailuresLeft == 0) break;
      --logFailuresLeft;
      events.LogFailed(TLogFailure{"the probe's log is full"}, retry);
    }
    events.AfterLog(execute);
  }
  void Deliver(TExceptionLogEngine& e, const THandlingFacts& f) override {
    if (!attachmentsOut.empty()) PrepareAttachments(e, f);
    Pending().Deliver(e, f);
  }
  void DeleteTemporaryFiles(TExceptionLogEngine& e) override {
    Real(e).DeleteTemporaryFiles(e);
    if (!attachmentsFolder.empty()) {
      const bool gone = GetFileAttributesA(attachmentsFolder.c_str()) == INVALID_FILE_ATTRIBUTES;
      JournalLine(std::string("attachments removed=") + (gone ? "yes" : "no"));
    }
  }
};

TProbeStages probeStages;

__attribute__((noinline)) void ProbeRaiser(const char* message) {
  throw EProbeError(message);
}

class TProbeThread final : public TThread {
 protected:
  void Execute() override { ProbeRaiser("raised in a thread"); }
};

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) StartEngineUnits(engine);
  if (reason == DLL_THREAD_DETACH) EngineThreadEnds();
  if (reason == DLL_PROCESS_DETACH) EndEngineUnits();
  return TRUE;
}

// Subscribes the journal to the events and the probe's stages to the sequence.
void ProbeWatch() {
  TEventHandlers& events = EventVariables();
  events.ExceptionNotify = OnExceptionNotify;
  events.HandledExceptionNotify = OnHandledNotify;
  events.ExceptionActionNotify = OnAction;
  events.ExceptionErrorNotify = OnError;
  events.CustomDataRequest = OnCustomData;
  if (TExceptionLogEngine* e = InterceptionEngine()) e->Stages = &probeStages;
}

// The engine's own stages (report, log) from here on, with the log file at
// `logFile`.
void ProbeUseEngineStages(const char* logFile) {
  engineStages = true;
  CurrentZuderaDodOptions().SetLogFolder(logFile);
  if (TExceptionLogEngine* e = InterceptionEngine()) e->Stages = e->OwnStages.get();
}

int ProbeEngineActive() {
  const TExceptionLogEngine* e = InterceptionEngine();
  return e && e->EngineActive;
}

int ProbeMainTakesOver() {
  const TExceptionLogEngine* e = InterceptionEngine();
  return e && e->MainTakesOver;
}

void ProbeClearGoOn() {
  clearGoOn = true;
}

void ProbeRaiseInCallback() {
  raiseInCallback = true;
}

void ProbeFailLog(int failures, int retries) {
  logFailuresLeft = failures;
  retriesLeft = retries;
}

// Options by name: TerminateAction, CrashBurstAction, CrashBurstCount,
// CrashBurstMinutes, DialogKind, WriteLogFile, LogFlags, BehaviourFlags,
// FreezeTimeoutSecs, FreezeWatch, WebDelivery, SendFlags, TerminateButtonAfter.
void ProbeSetOption(const char* name, unsigned value) {
  TDovaroModuleOptionsEx& o = CurrentZuderaDodOptions();
  const std::string option = name;
  if (option == "TerminateAction") o.SetTerminateAction(static_cast<std::uint8_t>(value));
  if (option == "CrashBurstAction") o.SetCrashBurstAction(static_cast<std::uint8_t>(value));
  if (option == "CrashBurstCount") o.SetCrashBurstCount(value);
  if (option == "CrashBurstMinutes") o.SetCrashBurstMinutes(value);
  if (option == "DialogKind") o.SetDialogKind(static_cast<std::uint8_t>(value));
  if (option == "WriteLogFile") o.SetWriteLogFile(value != 0);
  if (option == "LogFlags") o.SetLogFlags(static_cast<std::uint8_t>(value));
  if (option == "BehaviourFlags") o.SetBehaviourFlags(static_cast<std::uint16_t>(value));
  if (option == "TerminateButtonAfter") o.SetTerminateButtonAfter(value);
  if (option == "FreezeTimeoutSecs") o.SetFreezeTimeoutSecs(value);
  if (option == "FreezeWatch") o.SetFreezeWatch(value != 0);
  if (option == "WebDelivery") o.SetWebDelivery(static_cast<std::uint8_t>(value));
  if (option == "SendFlags") o.SetSendFlags(static_cast<std::uint16_t>(value));
}

// The screenshot, report, log and temporary-file stages become the engine's
// own; the exception's attachments are prepared as the delivery would and
// copied into `folder` (with a final "\") as "handled_<name>".
void ProbeAttachments(const char* folder) {
  attachmentsOut = folder;
  CurrentZuderaDodOptions().SetLogFolder(attachmentsOut + "fault.elf");
}

void ProbeAddFilter(const char* className, int scope, int dialog, int handler, int after,
                    const char* message) {
  TDovaroExceptionFilter filter;
  filter.FilterClassName = className;
  filter.FilterMessage = message ? message : "";
  filter.FilterScope = static_cast<std::uint8_t>(scope);
  filter.FilterDialog = static_cast<std::uint8_t>(dialog);
  filter.FilterHandler = static_cast<std::uint8_t>(handler);
  filter.FilterAfterAction = static_cast<std::uint8_t>(after);
  CurrentZuderaDodOptions().Filters().Add(filter);
}

void ProbeThrowUncaught() {
  ProbeRaiser("nothing catches this");
}

int ProbeThrowCaught() {
  try {
    ProbeRaiser("caught by the probe");
  } catch (const EProbeError&) {
    return 1;
  }
  return 0;
}

void ProbeThrowAbort() {
  throw EAbort("silent");
}

int ProbeThrowInThread() {
  TProbeThread thread;
  if (!thread.Start()) return 0;
  thread.WaitFor();
  return thread.FatalException ? 1 : 0;
}

// Hands an exception object of the caller's to the engine, as a framework
// hook of the caller would.
int ProbeHandOver(const void* object, unsigned address) {
  TExceptionLogEngine* e = InterceptionEngine();
  return e ? ExceptionManager(*e, object, address, hkPlain, nullptr) : -1;
}

unsigned char __stdcall ProbeThrowThroughBoundary() {
  return RunExport("ProbeThrowThroughBoundary",
                   reinterpret_cast<const void*>(&ProbeThrowThroughBoundary),
                   engine.ObserveExportFailure, []() -> unsigned char {
                     ProbeRaiser("left through the boundary");
                     return 1;
                   });
}

}  // extern "C"
