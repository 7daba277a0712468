#include "engine/ExceptionLogInternalError.h"

#include <windows.h>

#include <cstdio>

#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEngine.h"

void ReportInternalError(TExceptionLogEngine& engine, int section, const std::exception* failure,
                         const std::string& message) noexcept {
  try {
    if (failure) {
      const std::vector<std::string> ancestry = ClassAncestry(failure);
      if (InheritsFromName(ancestry, "EAbort") ||
          InheritsFromName(ancestry, "EDovaroSocketError")) {
        return;
      }
    }
    if (!IsDebuggerPresent()) return;
    char line[96];
    std::snprintf(line, sizeof line, "[ERROR] - Section: %d - Address: %08X - Message: ", section,
                  static_cast<unsigned>(engine.LastHandledAddress));
    DebugLine(line + ("\"" + message + "\""));
  } catch (...) {
    // Nothing is left to tell.
  }
}
