#include "tests/support/ChildProcess.h"

#include <vector>

#include "platform/runtime/PathText.h"

std::string ProgramFolder() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return ExtractFilePath(path);
}

std::string QuoteArgument(const std::string& argument) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
    } else {
      if (c == '"') quoted.append(backslashes + 1, '\\');
      backslashes = 0;
    }
    quoted += c;
  }
  quoted.append(backslashes, '\\');
  return quoted + "\"";
}

namespace {

bool StartsWithFullPath(const std::string& commandLine) {
  const std::size_t at = commandLine.rfind('"', 0) == 0 ? 1 : 0;
  return commandLine.size() > at + 2 &&
         (commandLine.compare(at + 1, 2, ":\\") == 0 || commandLine.compare(at, 2, "\\\\") == 0);
}

}  // namespace

RunningChild::RunningChild(const std::string& commandLine, const std::string& workingFolder)
    : commandLine_(StartsWithFullPath(commandLine) ? commandLine : ProgramFolder() + commandLine) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE writeEnd = nullptr;
  CreatePipe(&output_, &writeEnd, &inherit, 0);
  SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::vector<char> mutableLine(commandLine_.begin(), commandLine_.end());
  mutableLine.push_back('\0');
  started_ = CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup,
                            &process_) != FALSE;
  CloseHandle(writeEnd);
  if (started_) {
    reader_ = std::thread([this] {
      char buffer[4096];
      DWORD got = 0;
      while (ReadFile(output_, buffer, sizeof buffer, &got, nullptr) && got > 0)
        collected_.append(buffer, got);
    });
  }
}

RunningChild::~RunningChild() {
  if (!finished_) Finish(0);
  CloseHandle(output_);
}

ChildOutcome RunningChild::Finish(unsigned long timeoutMilliseconds) {
  ChildOutcome outcome;
  finished_ = true;
  if (!started_) {
    outcome.exitCode = ~0UL;
    outcome.output = "could not start: " + commandLine_;
    return outcome;
  }
  if (WaitForSingleObject(process_.hProcess, timeoutMilliseconds) == WAIT_TIMEOUT) {
    outcome.timedOut = true;
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, INFINITE);
  }
  reader_.join();
  GetExitCodeProcess(process_.hProcess, &outcome.exitCode);
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
  for (char c : collected_) {
    if (c != '\r') outcome.output += c;
  }
  return outcome;
}

ChildOutcome RunChild(const std::string& commandLine, unsigned long timeoutMilliseconds) {
  return RunningChild(commandLine).Finish(timeoutMilliseconds);
}
