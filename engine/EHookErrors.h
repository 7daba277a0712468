// The hook engine's failures. Each carries the system's own message text,
// filled with the procedure or module name it concerns.
#pragma once

#include <string>

#include "platform/runtime/Exception.h"

class EHookError : public Exception {
 public:
  using Exception::Exception;
};

// A null routine was to be hooked.
class EProcNull : public EHookError {
 public:
  explicit EProcNull(const std::string& procedureName);
};

// Patching failed: unreadable code, no import to patch, a write refused.
class EHookingError : public EHookError {
 public:
  explicit EHookingError(const std::string& procedureName);
};

// On the 9x platform the area above 2 GB is shared by all processes.
class ESharedArea : public EHookError {
 public:
  explicit ESharedArea(const std::string& moduleFileName);
};
