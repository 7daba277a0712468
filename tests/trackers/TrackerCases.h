// The three trackers as the tests drive them: the stand-in of each, what
// its pages call things, and a report of the first occurrence of a fault.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "delivery/EWebToolsTrackers.h"
#include "tests/trackers/TrackerStandIn.h"

struct TTrackerCase {
  const char* Name;
  int WebDelivery;           // 4 Bugzilla, 5 FogBugz, 6 Mantis
  const char* PortVariable;  // set by the driver
  const char* ClosedStatus;  // a status the sender must leave alone
  const char* FileField;     // the form field that carries the package
  const char* DescriptionField;
  bool DescriptionHoldsReproduceText;
  const char* UpdateStep;       // the stand-in's step that takes a change of a bug
  const char* DefaultAssignee;  // the assignee when the report names none
};

const std::vector<TTrackerCase>& TrackerCases();
const TTrackerCase& TrackerCase(const std::string& name);
std::ostream& operator<<(std::ostream& out, const TTrackerCase& tracker);

inline constexpr const char* kFirstTitle = "[v1.0.0.0 - 1]: EAccessViolation (1A2B)";
inline constexpr const char* kSecondTitle = "[v1.0.0.0 - 2]: EAccessViolation (1A2B)";
inline constexpr const char* kMessage =
    "Access violation at address 0040100A in module 'Brisole.exe'. Read of address 00000000.";
inline constexpr const char* kReproduceText = "Pressed Install twice.";

// The stand-in of a tracker, emptied and back to normal behaviour.
TTrackerStandIn FreshStandIn(const TTrackerCase& tracker);

// The first occurrence of EAccessViolation 1A2B in version 1.0.0.0, filed
// into project Brisole, category Installer, with `packagePath` attached.
TTrackerReport FirstOccurrence(const TTrackerStandIn& standIn, const std::string& packagePath);

// A connection that records the states its sender goes through.
class TRecordingConnection : public THTTPConnectionBase {
 public:
  TRecordingConnection(const std::string& base, const std::string& proxy, std::vector<int>* states)
      : THTTPConnectionBase(base, proxy, 20000), states_(states) {}
  void NotifyState(int state, int) override { states_->push_back(state); }

 private:
  std::vector<int>* states_;
};

TConnectionFactory RecordingFactory(std::vector<int>* states);

// Sends `report` with the tracker's sender over recording connections.
struct TSendOutcome {
  int Result = -1;
  THTTPResponse Response;
  std::vector<int> States;
};
TSendOutcome SendWith(const TTrackerCase& tracker, const TTrackerReport& report);
