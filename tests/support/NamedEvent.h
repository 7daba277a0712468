// A manual-reset event named for this test run, for starting or releasing a
// second process of a test at a chosen moment.
#pragma once

#include <windows.h>

#include <string>

class TNamedEvent {
 public:
  // "vipc-<test>-<role>-<process id>".
  TNamedEvent(const std::string& test, const std::string& role)
      : name_("vipc-" + test + "-" + role + "-" + std::to_string(GetCurrentProcessId())),
        handle_(CreateEventA(nullptr, TRUE, FALSE, name_.c_str())) {}
  ~TNamedEvent() { CloseHandle(handle_); }
  TNamedEvent(const TNamedEvent&) = delete;
  TNamedEvent& operator=(const TNamedEvent&) = delete;

  const std::string& Name() const { return name_; }
  HANDLE Handle() const { return handle_; }

 private:
  std::string name_;
  HANDLE handle_;
};
