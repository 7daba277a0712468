// One handled fault with delivery, run for real: a copy of the engine
// module with the scenario's options embedded, loaded by deliveryrun_host
// under the virtual display, its windows read and answered from this
// process while it runs, the peers' journals and the files it left read
// back afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A window of the host as it was seen (boxes are answered with OK).
struct TSeenWindow {
  std::string Caption;
  std::vector<std::string> Texts;  // the non-empty static texts, in child order
  RECT Rect{};
  int BarLow = -1, BarHigh = -1;  // the progress bar's range (send window only)
};

struct TScenarioRun {
  unsigned long ExitCode = 0;
  unsigned long HostProcessId = 0;
  bool TimedOut = false;
  std::string Output;
  std::vector<TSeenWindow> Windows;        // in the order they appeared
  std::vector<std::string> ProgressTexts;  // every status text the send window showed
  std::vector<std::string> Journal;        // the faults module's event lines
  std::string Folder;                      // the engine copy's folder (the log's folder)
  std::string Clipboard;                   // the clipboard's text afterwards

  // The windows captioned `caption`.
  std::vector<const TSeenWindow*> Captioned(const std::string& caption) const;
  std::string Dump() const;
};

struct TScenario {
  std::string Name;
  // [Options] lines added to the base (which sets neither the delivery
  // modes nor the SMTP port, the recipients or the web address).
  std::string Options;
  bool UseBuiltOptions = false;  // the DLL's own options, untouched
  std::string HostMode = "handover";
  std::vector<std::pair<std::string, std::string>> Environment;
  bool HoldReplies = false;  // the peers hold their reply until the send window was read
  bool ReleaseHold = true;   // false: they hold it until the run has ended
  std::vector<std::string> KeptZipsBefore;  // files made in the log's folder first
  std::string AnswerDialog;                 // press the classic dialog's send button first ("send")
};

TScenarioRun RunScenario(const TScenario& scenario);

// The peers' ports and their journal (the driver's environment).
std::string PeerPort(const char* variable);
// The journal entries of one kind of a peer ("smtp" "message", "http"
// "upload"), their contents in order.
std::vector<std::string> PeerEntries(const std::string& peer, const std::string& kind);
void ClearPeerJournals();
// A file of the driver's journal folder ("mantis.json": the bugs the
// stand-in tracker keeps).
std::string PeerFile(const std::string& name);
// Asks the driver for `request` (a file it removes once done); false when it
// was not done within a minute.
bool RequestPeer(const std::string& request);
