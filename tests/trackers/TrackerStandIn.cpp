#include "tests/trackers/TrackerStandIn.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "delivery/EWebTools.h"
#include "delivery/EWebToolsUrl.h"

std::string TStoredBug::Value(const std::string& name) const {
  const auto found = Values.find(name);
  return found == Values.end() ? "<none>" : found->second;
}

std::string TStoredBug::FiledField(const std::string& name) const {
  for (const auto& [key, value] : Filed)
    if (key == name) return value;
  return "<none>";
}

int TStoredState::HitsOf(const std::string& step) const {
  const auto found = Hits.find(step);
  return found == Hits.end() ? 0 : found->second;
}

TTrackerStandIn::TTrackerStandIn(const std::string& portVariable, const std::string& folder)
    : folder_(folder) {
  if (const char* port = std::getenv(portVariable.c_str())) port_ = std::strtoul(port, nullptr, 10);
}

std::string TTrackerStandIn::BaseAddress() const {
  return BuildUrl("http://127.0.0.1/" + folder_, "", "", port_);
}

namespace {

// A GET of a stand-in's own page (not a tracker page) through the request engine.
std::string Fetch(unsigned port, const std::string& page, const TFieldList& fields) {
  auto connection =
      OpenHttpConnection<THTTPConnectionBase>(BuildUrl("http://127.0.0.1", "", "", port), "");
  connection->SetRequest(page, hmGet);
  for (const auto& [name, value] : fields) connection->AddField(name, value);
  if (!connection->ExecuteRequest(false) || connection->Response().StatusCode != 200)
    throw std::runtime_error("stand-in page " + page + " failed: " +
                             connection->Response().ErrorText + connection->Response().StatusText);
  return connection->Response().RawBody;
}

}  // namespace

void TTrackerStandIn::Control(const TFieldList& fields) const {
  Fetch(port_, "control", fields);
}

TStoredState TTrackerStandIn::State() const {
  TStoredState state;
  std::istringstream lines(Fetch(port_, "bugs.txt", {}));
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> columns;
    for (std::size_t begin = 0;;) {  // the last column may be empty
      const std::size_t tab = line.find('\t', begin);
      columns.push_back(UrlDecode(line.substr(begin, tab - begin)));
      if (tab == std::string::npos) break;
      begin = tab + 1;
    }
    if (columns.size() != 4) continue;
    const std::string& kind = columns[0];
    if (kind == "hits") {
      state.Hits[columns[2]] = std::atoi(columns[3].c_str());
      continue;
    }
    const std::size_t index = std::strtoul(columns[1].c_str(), nullptr, 10);
    if (index == 0) continue;
    if (state.Bugs.size() < index) state.Bugs.resize(index);
    TStoredBug& bug = state.Bugs[index - 1];
    if (kind == "bug") {
      bug.Values[columns[2]] = columns[3];
    } else if (kind == "filed") {
      bug.Filed.emplace_back(columns[2], columns[3]);
    } else if (kind.rfind("update.", 0) == 0) {
      const std::size_t update = std::strtoul(kind.c_str() + 7, nullptr, 10);
      if (bug.Updates.size() < update) bug.Updates.resize(update);
      bug.Updates[update - 1].emplace_back(columns[2], columns[3]);
    } else if (kind == "file") {
      const std::size_t slash = columns[2].find('/');
      bug.Files.push_back({columns[2].substr(0, slash), columns[2].substr(slash + 1), columns[3]});
    }
  }
  return state;
}
