#include "tests/trackers/TrackerCases.h"

#include <stdexcept>

const std::vector<TTrackerCase>& TrackerCases() {
  static const std::vector<TTrackerCase> cases = {
      {"Mantis", 6, "VIPC_MANTIS_PORT", "80", "ufile[]", "description", false, "update", ""},
      {"Bugzilla", 4, "VIPC_BUGZILLA_PORT", "RESOLVED", "data", "comment", true, "process",
       "reporter"},
      {"FogBugz", 5, "VIPC_FOGBUGZ_PORT", "closed", "File1", "sEvent", true, "update",
       "Administrator"},
  };
  return cases;
}

const TTrackerCase& TrackerCase(const std::string& name) {
  for (const TTrackerCase& tracker : TrackerCases())
    if (name == tracker.Name) return tracker;
  throw std::invalid_argument("no tracker " + name);
}

std::ostream& operator<<(std::ostream& out, const TTrackerCase& tracker) {
  return out << tracker.Name;
}

TTrackerStandIn FreshStandIn(const TTrackerCase& tracker) {
  TTrackerStandIn standIn(tracker.PortVariable, "tracker");
  if (standIn.Available()) standIn.Reset();
  return standIn;
}

TTrackerReport FirstOccurrence(const TTrackerStandIn& standIn, const std::string& packagePath) {
  TTrackerReport report;
  report.Version = "1.0.0.0";
  report.ClassName = "EAccessViolation";
  report.Message = kMessage;
  report.BugId = "1A2B";
  report.BaseAddress = standIn.BaseAddress();
  report.User = "reporter";
  report.Password = "secret";
  report.Project = "Brisole";
  report.Category = "Installer";
  report.AttachedFile = packagePath;
  report.CustomFields = TrackerCustomFields({}, "", "Windows XP", "2600", kReproduceText);
  return report;
}

TConnectionFactory RecordingFactory(std::vector<int>* states) {
  return [states](const std::string& base,
                  const std::string& proxy) -> std::unique_ptr<THTTPConnectionBase> {
    return OpenHttpConnection<TRecordingConnection>(base, proxy, states);
  };
}

TSendOutcome SendWith(const TTrackerCase& tracker, const TTrackerReport& report) {
  TSendOutcome outcome;
  auto sender = MakeTrackerSender(tracker.WebDelivery, RecordingFactory(&outcome.States));
  outcome.Result = sender->SendReport(report, outcome.Response);
  return outcome;
}
