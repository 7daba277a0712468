// DeliverReport: the report's files written, the mail step and the web step,
// what a failure leaves (the clipboard copy, the kept package), the outcome
// box, and the delivery's files removed whatever happened.
#include "delivery/EDeliveryRun.h"

#include <windows.h>

#include "debuginfo/ESnapshotWindows.h"
#include "delivery/EDeliveryFiles.h"
#include "delivery/EDeliveryWarnings.h"
#include "engine/ECoreOptionFlags.h"
#include "engine/ECoreOptionsEx.h"
#include "engine/ECoreServices.h"
#include "engine/ExceptionLogEngine.h"
#include "report/EAttachmentFiles.h"
#include "report/EAttachmentList.h"
#include "report/EAttachmentNames.h"
#include "report/EZip.h"

namespace {

constexpr int kSentText = 144;
constexpr int kNotSentText = 145;

std::string LogFileNameOf(const TDovaroModuleOptions& options) {
  try {
    return options.LogFileName();
  } catch (...) {
    return std::string();  // no writable place: the copies take the module's name
  }
}

}  // namespace

TDeliveryRun::TDeliveryRun(TExceptionLogEngine& engine, const TDeliveryJob& job)
    : Engine(engine),
      Job(job),
      Options(engine.EffectiveOptions),
      Progress(engine.EffectiveOptions) {
  // Without the exception's own folder the files go to the system's
  // temporary folder, never to the current folder (where the log may lie).
  const std::string folder = job.Place.Folder.empty() ? SystemTemporaryFolder() : job.Place.Folder;
  std::string logName = LogFileNameOf(Options);
  if (logName.empty()) logName = ReplaceExtension(FileNamePart(Options.ModulePath()), ".elf");
  ReportFile = LogCopyFileName(folder, logName);
  XmlCopyFile = XmlCopyFileName(folder, logName, Options.SendFlags());
  ScreenshotFile = folder + std::string(kScreenshotFileName);
  PackageFile = ZipPackageFileName(folder);
}

void TDeliveryRun::FireAction(int action, bool& flag) {
  FireActionNotify(Engine, Job.Record, action, flag);
}

bool TDeliveryRun::FireErrorRetry(int failedAction) {
  bool retry = false;
  FireErrorNotify(Engine, Job.Record, failedAction, retry);
  return retry;
}

void TDeliveryRun::FireList(TListEvent event, std::vector<std::string>& lines) {
  TDovaroExceptionRecord record = Job.Record;
  FireListEvent(Engine, event, record, lines);
}

void TDeliveryRun::Warn(TZuderaDodErrorCode code, const std::string& text) {
  RecordDeliveryWarning(code, text, Job.Record.RaiseAddress);
}

TWarningSink TDeliveryRun::WarningSink(TZuderaDodErrorCode code) {
  return [this, code](const std::string& text) { Warn(code, text); };
}

void TDeliveryRun::ShowProgress() {
  TProgressRequest request;
  request.Wanted = (Options.SendFlags() & SendShowProgress) &&
                   (Options.MailDelivery() != 0 || Options.WebDelivery() != 0) &&
                   Job.WindowsAllowed;
  request.Modal = !(Options.SendFlags() & SendInBackground);
  request.OnRaisingThread = Job.OnRaisingThread;
  request.Place = Job.Place;
  Progress.Show(request);
}

void TDeliveryRun::PreparePackage(bool forMail) {
  TAttachmentListInput input;
  input.ExtraAttachments = Options.ExtraAttachments();
  input.ForMail = forMail;
  input.ReportInMessageBody = Options.ReportInMessageBody();
  input.LogCopyName = ReportFile;
  input.ScreenshotName = AttachmentFileExists(ScreenshotFile) ? ScreenshotFile : std::string();
  input.XmlCopyName = XmlCopyFile;
  TAttachmentListServices services;
  services.ExpandVariables = [](std::string_view text) { return ExpandVariables(text); };
  services.AttachedFilesEvent = [this](std::vector<std::string>& lines) {
    FireList(TListEvent::kAttachedFiles, lines);
  };
  services.FileExists = AttachmentFileExists;
  const std::vector<std::string> files = BuildAttachmentList(input, services);
  DeliveryList.clear();
  if (files.empty()) return;
  if (!MakeZipPackage(PackageFile, Options.ArchivePassword(), files).Written) return;
  DeliveryList.push_back({PackageFile, ShownDeliveryName(Options, PackageFile, Job.Time)});
}

void DeliverReport(TExceptionLogEngine& engine, const TDeliveryJob& job) {
  TDeliveryRun run(engine, job);
  ClearDeliveryWarning();
  const std::string& report = job.Record.ReportText;
  // The report file holds the text to send: the whole log with SendWholeLog.
  const std::string& textToSend = job.Place.WholeLog.empty() ? report : job.Place.WholeLog;
  WriteLogCopy(run.ReportFile, textToSend);
  if (!run.XmlCopyFile.empty()) WriteXmlCopy(run.XmlCopyFile, run.ReportFile, textToSend, {});
  TDovaroModuleOptions& o = run.Options;
  TDeliveryOutcome outcome = TDeliveryOutcome::Sent;
  try {
    if (o.MailDelivery() != 0) {
      run.PreparePackage(true);
      outcome = SendMail(run);
    }
    if (o.WebDelivery() != 0) {
      if (o.MailDelivery() == 0 || o.ReportInMessageBody()) run.PreparePackage(false);
      outcome = CombineOutcomes(outcome, SendWeb(run));
    }
  } catch (...) {
    // The steps turn their failures into warnings; whatever still escapes
    // them fails the delivery, not the handling.
    outcome = TDeliveryOutcome::Failed;
  }
  run.Progress.Close();
  const bool failed = outcome == TDeliveryOutcome::Failed;
  if (failed && (o.BehaviourFlags() & ClipboardOnSendFailure)) CopyTextToClipboard(report);
  if ((o.SendFlags() & SendReportOutcome) && !run.OutcomeShown &&
      outcome != TDeliveryOutcome::Withdrawn) {
    ShowOutcomeBox(o, failed ? kNotSentText : kSentText, failed);
  }
  if (failed && (o.BehaviourFlags() & KeepPackageOnSendFailure)) {
    KeepPackage(run.PackageFile, ShownDeliveryName(o, run.PackageFile, job.Time), LogFileNameOf(o));
  }
  for (const std::string* file :
       {&run.PackageFile, &run.XmlCopyFile, &run.ScreenshotFile, &run.ReportFile}) {
    if (!file->empty()) DeleteFileA(file->c_str());
  }
}
