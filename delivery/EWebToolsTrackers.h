// The bug tracker senders: they file a bug report into a Mantis, Bugzilla
// or FogBugz tracker through its ordinary web pages, the way a browser user
// would. They log in, search for a bug filed for the same fault, and either
// raise the occurrence counter in its title or file a new bug with the
// report package attached.
//
// Run by the thread that sends the report. Every refused page ends the
// sender with its result code (TTrackerResult) and the last response kept;
// only opening and closing the connection raise (EHTTPConnectionError),
// and those are not caught here.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/EWebTools.h"
#include "delivery/EWebToolsTrackersTexts.h"

// The inputs of one sending, as the delivery run fills them.
struct TTrackerReport {
  std::string Version;       // host executable's file version, major.minor.release.build
  std::string ClassName;     // the exception's class name
  std::string Message;       // the exception's message, ending with "."
  std::string BugId;         // four upper-case hexadecimal digits
  std::string BaseAddress;   // tracker address with login and port (BuildUrl)
  std::string ProxyAddress;  // proxy address with login and port (BuildUrl), or empty
  std::string User;
  std::string Password;
  std::string Project;       // ANSI, variables expanded
  std::string Category;      // ANSI, variables expanded
  std::string Assignee;      // ANSI, variables expanded; empty: the tracker's default
  std::string AttachedFile;  // the report package, or empty
  // The subscribers' name=value lines and the four fixed lines after them
  // (TrackerCustomFields).
  std::vector<std::string> CustomFields;
};

// Creates and opens a connection on the base and proxy addresses (states 0
// and 1); throws EHTTPConnectionError when it cannot be opened.
using TConnectionFactory = std::function<std::unique_ptr<THTTPConnectionBase>(
    const std::string& base, const std::string& proxy)>;

// Connections of the base class: no progress window sees their states.
TConnectionFactory BaseConnectionFactory();

class THTTPSendReport {
 public:
  // An empty factory stands for BaseConnectionFactory().
  explicit THTTPSendReport(TConnectionFactory connectionClass = BaseConnectionFactory());
  THTTPSendReport(const THTTPSendReport&) = delete;
  THTTPSendReport& operator=(const THTTPSendReport&) = delete;
  virtual ~THTTPSendReport();

  // Opens the connection, NotifyState(2), runs the tracker's requests,
  // copies the last response into `response`, and closes the connection
  // (states 8 and 9) on every path. Returns a TTrackerResult.
  virtual int SendReport(const TTrackerReport& report, THTTPResponse& response);

 protected:
  // The tracker's own requests on the opened connection.
  virtual int SendOverConnection(THTTPConnectionBase& connection, const TTrackerReport& report) = 0;

 private:
  TConnectionFactory connectionClass_;
};

class THTTPMantisSendReport : public THTTPSendReport {
 public:
  using THTTPSendReport::THTTPSendReport;

 protected:
  int SendOverConnection(THTTPConnectionBase& connection, const TTrackerReport& report) override;
};

class THTTPBugzillaSendReport : public THTTPSendReport {
 public:
  using THTTPSendReport::THTTPSendReport;

 protected:
  int SendOverConnection(THTTPConnectionBase& connection, const TTrackerReport& report) override;
};

class THTTPFogBugzSendReport : public THTTPSendReport {
 public:
  using THTTPSendReport::THTTPSendReport;

 protected:
  int SendOverConnection(THTTPConnectionBase& connection, const TTrackerReport& report) override;
};

// The sender of a WebDelivery value: 4 Bugzilla, 5 FogBugz, 6 Mantis; none
// for the other values.
std::unique_ptr<THTTPSendReport> MakeTrackerSender(int webDelivery,
                                                   TConnectionFactory connectionClass = {});
