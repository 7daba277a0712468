// SendWeb: the web step of a delivery: the HTTP or HTTPS upload, the FTP
// upload, or a bug tracker, repeated while an error subscriber asks for a
// retry. A connection that cannot be opened, or anything else that escapes
// a sender, is the tracker's (or the upload's) warning, not an exception out
// of the delivery.
#include <exception>

#include "delivery/EDeliveryRun.h"
#include "delivery/EDeliveryWarnings.h"
#include "delivery/EWebTools.h"
#include "delivery/EWebToolsTrackers.h"
#include "delivery/EWebToolsUrl.h"
#include "engine/ECoreOptionsEx.h"
#include "engine/ECoreServices.h"
#include "report/ELogManagerItems.h"

namespace {

enum TWebMode { kHttp = 1, kHttps = 2, kFtp = 3, kBugzilla = 4, kFogBugz = 5, kMantis = 6 };
constexpr int kBugClosedText = 146;

TUploadTarget UploadTarget(const TDeliveryRun& run, bool https) {
  const TDovaroModuleOptions& o = run.Options;
  const TUrlParts parts = ParseUrl(o.WebAddress());
  TUploadTarget target;
  target.Host = parts.Host;
  target.Path = parts.BasePath;
  target.User = o.WebLogin().empty() ? parts.User : o.WebLogin();
  target.Password = o.WebAuthPassword().empty() ? parts.Password : o.WebAuthPassword();
  target.Port = o.WebServerPort() != 0 ? o.WebServerPort() : EffectivePort(parts);
  target.Https = https;
  target.ProxyServer = o.ProxyServer();
  target.ProxyPort = o.ProxyServerPort();
  target.ProxyUser = o.ProxyLogin();
  target.ProxyPassword = o.ProxyAuthPassword();
  return target;
}

TUploadProgress UploadProgress(TDeliveryRun& run) {
  return [&run](int step, std::uint64_t total, std::uint64_t done) {
    if (step == 0) run.Progress.ShowText(114);  // "Connecting with server..."
    if (step == 1) run.Progress.ShowText(116);  // "Sending message..."
    if (step == 2 && total > 0) run.Progress.SetBar(static_cast<int>(done * 100 / total));
  };
}

// The HTTP, HTTPS and FTP uploads of the delivery list.
bool Upload(TDeliveryRun& run, int mode) {
  const char* road = mode == kHttp ? "HTTP" : mode == kHttps ? "HTTPS" : "FTP";
  const TZuderaDodErrorCode code = mode == kHttp    ? eeWebHTTPError
                                   : mode == kHttps ? eeWebHTTPSError
                                                    : eeWebFTPError;
  if (run.DeliveryList.empty()) {
    // Nothing to upload is no delivery.
    run.Progress.Close();
    run.Warn(code, std::string(road) + " error code: 0 (no file to send)");
    return false;
  }
  TUploadResult result;
  try {
    const TUploadTarget target = UploadTarget(run, mode == kHttps);
    if (mode == kFtp) {
      result = UploadFilesFtp(target, run.DeliveryList, UploadProgress(run));
    } else {
      run.WebFieldList.clear();
      run.FireList(TListEvent::kCustomWebFields, run.WebFieldList);
      result = UploadFilesHttp(target, run.DeliveryList, run.WebFieldList, UploadProgress(run));
    }
  } catch (const std::exception& failure) {
    result = {-2, failure.what()};
  } catch (...) {
    result = {-2, "General internal error."};
  }
  run.Progress.Close();
  if (result.Code == 0) return true;
  run.Warn(code, UploadErrorText(road, result.Code, result.ErrorText));
  return false;
}

// The tracker of the mode; its result 1 (the bug is closed) shows text 146.
bool SendToTracker(TDeliveryRun& run, int mode) {
  const TDovaroModuleOptions& o = run.Options;
  const std::string& report = run.Job.Record.ReportText;
  TTrackerReport tracker;
  tracker.Version = ReportItemValue(report, "1.3");
  tracker.ClassName = run.Job.ClassName;
  tracker.Message = run.Job.Message;
  tracker.BugId = run.Job.BugId;
  tracker.BaseAddress =
      BuildUrl(o.WebAddress(), o.WebLogin(), o.WebAuthPassword(), o.WebServerPort());
  if (!o.ProxyServer().empty()) {
    tracker.ProxyAddress =
        BuildUrl(o.ProxyServer(), o.ProxyLogin(), o.ProxyAuthPassword(), o.ProxyServerPort());
  }
  tracker.User = o.TrackerLogin();
  tracker.Password = o.TrackerAuthPassword();
  tracker.Project = ExpandVariables(o.TrackerProjectName());
  tracker.Category = ExpandVariables(o.TrackerCategoryName());
  tracker.Assignee = ExpandVariables(o.TrackerAssignee());
  if (!run.DeliveryList.empty()) tracker.AttachedFile = run.DeliveryList.front().Path;
  run.WebFieldList.clear();
  run.FireList(TListEvent::kCustomWebFields, run.WebFieldList);
  tracker.CustomFields =
      TrackerCustomFields(run.WebFieldList, o.TrackerTrialAccount(), ReportItemValue(report, "6.1"),
                          ReportItemValue(report, "6.2"), o.ReproduceNote);
  ISendProgress* progress = &run.Progress;
  THTTPResponse response;
  int result = trUnknownError;
  try {
    auto sender =
        MakeTrackerSender(mode, [progress](const std::string& base, const std::string& proxy) {
          // Opened as it is made: an address without a host raises
          // EHTTPConnectionError here, caught below.
          return std::unique_ptr<THTTPConnectionBase>(
              OpenHttpConnection<THTTPConnection>(base, proxy, progress));
        });
    if (!sender) throw std::runtime_error("No tracker of kind " + std::to_string(mode) + ".");
    result = sender->SendReport(tracker, response);
  } catch (const std::exception& failure) {
    response.ErrorText = failure.what();
  } catch (...) {
    response.ErrorText = "General internal error.";
  }
  const bool windowWasOpen = run.Progress.WasShown();
  run.Progress.Close();
  if (result == trBugClosed && windowWasOpen) {
    ShowOutcomeBox(o, kBugClosedText, false);
    run.OutcomeShown = true;
  }
  if (result < trUnknownError) return true;
  run.Warn(eeWebTrakerError, TrackerErrorText(o.Text(TrackerResultTextNumber(result)),
                                              response.ErrorCode, response.ErrorText));
  return false;
}

}  // namespace

TDeliveryOutcome SendWeb(TDeliveryRun& run) {
  run.Continue = true;
  run.FireAction(ActBeforeWeb, run.Continue);
  if (!run.Continue) return TDeliveryOutcome::Failed;
  for (bool retry = true; retry;) {
    retry = false;
    run.Continue = false;
    run.ShowProgress();
    const int mode = run.Options.WebDelivery();
    if (mode >= kHttp && mode <= kFtp) {
      run.Continue = Upload(run, mode);
    } else if (mode >= kBugzilla && mode <= kMantis) {
      run.Continue = SendToTracker(run, mode);
    } else {
      run.Progress.Close();
    }
    if (!run.Continue) retry = run.FireErrorRetry(ActAfterWeb);
  }
  const TDeliveryOutcome outcome = run.Continue ? TDeliveryOutcome::Sent : TDeliveryOutcome::Failed;
  bool after = run.Continue;
  run.FireAction(ActAfterWeb, after);
  return outcome;
}
