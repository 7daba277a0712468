// Texts of the stand-in engine's result codes, as DbiGetErrorString gives them.
#include "platform/idapi/IdapiErrors.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<DBIResult, std::string_view>, 12> kTexts{{
    {DBIERR_NONE, "Operation succeeded."},
    {DBIERR_NOTINITIALIZED, "The database engine is not initialized."},
    {DBIERR_INVALIDPARAM, "Invalid parameter."},
    {DBIERR_INVALIDHNDL, "Invalid handle to the function."},
    {DBIERR_OBJNOTFOUND, "Object not found in the configuration."},
    {DBIERR_NAMENOTUNIQUE, "An alias of that name already exists."},
    {DBIERR_NOTSUPPORTED, "Capability not supported."},
    {DBIERR_CFGCANNOTLOAD, "Cannot load the configuration file."},
    {DBIERR_CFGCANNOTWRITE, "Cannot write the configuration file."},
    {DBIERR_UNKNOWNDRIVER, "Unknown driver type."},
    {DBIERR_INVALIDPARAMSTRING, "Invalid alias parameter string."},
    {DBIERR_MODENOTALLOWED, "The configuration mode does not allow this operation."},
}};

}  // namespace

std::string_view EngineErrorText(DBIResult code) {
  for (const auto& [known, text] : kTexts) {
    if (known == code) return text;
  }
  return "Unknown database engine error.";
}
