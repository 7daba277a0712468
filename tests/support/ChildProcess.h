// Runs another program of this build and collects what it printed.
#pragma once

#include <windows.h>

#include <string>
#include <thread>

struct ChildOutcome {
  unsigned long exitCode = 0;
  std::string output;  // standard output and standard error together, without CR
  bool timedOut = false;
};

// A program started in the background; Finish() waits for it (ending it
// after the time-out) and returns what it printed.
class RunningChild {
 public:
  // `commandLine` starts with the program's file name; a name without folder
  // is looked up beside this test program, a full path (quoted or not) is
  // taken as it is. `workingFolder` empty: this program's current folder.
  explicit RunningChild(const std::string& commandLine, const std::string& workingFolder = {});
  ~RunningChild();
  RunningChild(const RunningChild&) = delete;
  RunningChild& operator=(const RunningChild&) = delete;

  ChildOutcome Finish(unsigned long timeoutMilliseconds = 60000);
  unsigned long ProcessId() const { return process_.dwProcessId; }

 private:
  PROCESS_INFORMATION process_{};
  HANDLE output_ = nullptr;
  std::string collected_;
  std::thread reader_;
  bool started_ = false;
  bool finished_ = false;
  std::string commandLine_;
};

ChildOutcome RunChild(const std::string& commandLine, unsigned long timeoutMilliseconds = 60000);

// One command-line argument, quoted so the program's runtime reads it back
// unchanged (a final "\" is doubled before the closing quote).
std::string QuoteArgument(const std::string& argument);

// The folder of this test program, with a final "\".
std::string ProgramFolder();
