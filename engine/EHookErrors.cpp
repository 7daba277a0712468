#include "engine/EHookErrors.h"

#include "engine/EHookErrorTexts.h"

namespace {

std::string Fill(const std::string& text, const std::string& name) {
  const std::size_t at = text.find("%s");
  return text.substr(0, at) + name + text.substr(at + 2);
}

}  // namespace

EProcNull::EProcNull(const std::string& procedureName)
    : EHookError(Fill(kProcNullText, procedureName)) {}

EHookingError::EHookingError(const std::string& procedureName)
    : EHookError(Fill(kHookingErrorText, procedureName)) {}

ESharedArea::ESharedArea(const std::string& moduleFileName)
    : EHookError(Fill(kSharedAreaText, moduleFileName)) {}
