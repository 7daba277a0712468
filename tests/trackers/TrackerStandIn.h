// The stand-in trackers the driver started on loopback, seen from the test
// program: their addresses, their control page, and the bugs they keep.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

using TFieldList = std::vector<std::pair<std::string, std::string>>;

struct TStoredFile {
  std::string Field, Name, Content;
};

// One bug as the stand-in keeps it: texts as the bytes it received.
struct TStoredBug {
  std::map<std::string, std::string> Values;  // summary, status, project, assignee, ...
  TFieldList Filed;                           // the fields of the request that filed it
  std::vector<TFieldList> Updates;            // the fields of each request that changed it
  std::vector<TStoredFile> Files;

  std::string Value(const std::string& name) const;
  // The first field of that name the filing request carried; none: "<none>".
  std::string FiledField(const std::string& name) const;
};

struct TStoredState {
  std::vector<TStoredBug> Bugs;
  std::map<std::string, int> Hits;  // requests per step (login, search, update, ...)
  int HitsOf(const std::string& step) const;
};

class TTrackerStandIn {
 public:
  // `portVariable` names the environment variable with the port; the
  // tracker's pages lie under /<folder>/.
  TTrackerStandIn(const std::string& portVariable, const std::string& folder);

  bool Available() const { return port_ != 0; }
  unsigned Port() const { return port_; }
  // The tracker address as the delivery run builds it (BuildUrl with the port).
  std::string BaseAddress() const;
  // GET /control with these fields ("reset", "1"), ("refuse", "login"), ...
  void Control(const TFieldList& fields) const;
  void Reset() const { Control({{"reset", "1"}}); }
  TStoredState State() const;

 private:
  unsigned port_ = 0;
  std::string folder_;
};
