#include "engine/ExceptionLogInternalError.h"

#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEngine.h"
#include "report/EInternalError.h"

void ReportInternalError(TExceptionLogEngine& engine, int section, const std::exception* failure,
                         const std::string& message) noexcept {
  try {
    TInternalFailure report;
    report.Section = std::to_string(section);
    // The failure's own raise is the last one the engine saw when it is the
    // object caught; otherwise the exception being handled is the place.
    if (failure && engine.LastObject == failure) {
      report.Address = engine.LastAddress;
      report.LanguageException = engine.LastWasLanguageException;
    } else {
      report.Address = engine.LastHandledAddress;
    }
    if (failure) {
      std::vector<std::string> ancestry = ClassAncestry(failure);
      if (!ancestry.empty()) {
        report.ClassName = ancestry.front();
        report.IsException = InheritsFromName(ancestry, "Exception");
        ancestry.erase(ancestry.begin());
        report.Ancestors = std::move(ancestry);
      }
    }
    report.Message = message;
    report.ProcessedClassName = ExceptionClassName(engine.LastHandledObject);
    ReportInternalErrorHere(std::move(report));
  } catch (...) {
    // Nothing is left to tell.
  }
}
