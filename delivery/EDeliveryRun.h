// One delivery run's state, shared by its steps: the options in effect, the
// delivery list and the web fields, the continue and retry flags, the
// progress window, and the events fired with the job's record copy. The
// mail step (EDeliveryMail.cpp) and the web step (EDeliveryWeb.cpp) work on
// it; DeliverReport (EDeliveryRun.cpp) makes and ends it.
#pragma once

#include <string>
#include <vector>

#include "delivery/EDelivery.h"
#include "delivery/EDeliveryProgress.h"
#include "delivery/EDeliveryTexts.h"
#include "delivery/ESendProgress.h"
#include "engine/ExceptionLogEvents.h"

class TDovaroModuleOptionsEx;

class TDeliveryRun {
 public:
  TDeliveryRun(TExceptionLogEngine& engine, const TDeliveryJob& job);

  TExceptionLogEngine& Engine;
  const TDeliveryJob& Job;
  TDovaroModuleOptionsEx& Options;
  std::vector<TDeliveryFile> DeliveryList;
  std::vector<std::string> WebFieldList;
  bool Continue = true;
  bool OutcomeShown = false;  // the tracker path showed text 146
  TSendProgressWindow Progress;

  // The report's files in the exception's folder.
  std::string ReportFile;   // the log copy: the report text, ending with three line breaks
  std::string XmlCopyFile;  // empty without SendXmlCopy
  std::string ScreenshotFile;
  std::string PackageFile;

  // The events, with the job's record copy; a subscriber runs in the raising
  // thread while it waits, else in this one.
  void FireAction(int action, bool& flag);
  bool FireErrorRetry(int failedAction);
  void FireList(TListEvent event, std::vector<std::string>& lines);

  // A delivery warning with the exception's address.
  void Warn(TZuderaDodErrorCode code, const std::string& text);
  TWarningSink WarningSink(TZuderaDodErrorCode code);

  // ShowSendProgress: modal unless SendInBackground.
  void ShowProgress();
  // PreparePackage for mail or for web: the delivery list, packed.
  void PreparePackage(bool forMail);
};

// The steps: SendMail and SendWeb give their outcome (a user who cancelled
// in the mail client withdrew the message).
TDeliveryOutcome SendMail(TDeliveryRun& run);
TDeliveryOutcome SendWeb(TDeliveryRun& run);
