#include "engine/ECoreOptions.h"

#include <string>

#include "platform/runtime/Exception.h"

const char kDefaultWebPageTemplate[] =
    "<html>\r\n"
    "  <head>\r\n"
    "  </head>\r\n"
    "  <body TopMargin=10 LeftMargin=10>\r\n"
    "    <table width=\"100%\" border=\"0\">\r\n"
    "      <tr>\r\n"
    "        <td nowrap>\r\n"
    "          <font face=\"Lucida Console, Courier\" size=\"2\">\r\n"
    "            <%HTML_TAG%>\r\n"
    "          </font>\r\n"
    "        </td>\r\n"
    "      </tr>\r\n"
    "    </table>\r\n"
    "  </body>\r\n"
    "</html>";

TCustomizedTexts DefaultCustomizedTexts() {
  TCustomizedTexts texts;
  for (int i = 0; i < kCustomizedTextCount; ++i) texts[i] = kDefaultCustomizedTexts[i];
  return texts;
}

namespace {

[[noreturn]] void RaiseIndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

// --- filters ---

const TDovaroExceptionFilter& TDovaroExceptionsFilters::Item(int index) const {
  if (index < 0 || index >= Count()) RaiseIndexError(index);
  return items_[index];
}

void TDovaroExceptionsFilters::Add(TDovaroExceptionFilter filter) {
  items_.push_back(std::move(filter));
  owner_.Changed();
}

void TDovaroExceptionsFilters::Delete(int index) {
  if (index < 0 || index >= Count()) RaiseIndexError(index);
  items_.erase(items_.begin() + index);
  owner_.Changed();
}

void TDovaroExceptionsFilters::Clear() {
  items_.clear();
  owner_.Changed();
}

void TDovaroExceptionsFilters::Assign(const TDovaroExceptionsFilters& source) {
  if (&source == this) return;
  items_ = source.items_;
  owner_.Changed();
}

// --- the option object ---

TDovaroModuleOptions::TDovaroModuleOptions(std::string modulePath, TModuleHandle ownerModule)
    : modulePath_(std::move(modulePath)), ownerModule_(ownerModule) {
  // Members start on the defaults; nothing is published from a constructor.
  texts_ = DefaultCustomizedTexts();
}

#define DOVARO_SETTER_Plain(type, name)                     \
  void TDovaroModuleOptions::Set##name(const type& value) { \
    values_.name = value;                                   \
    Changed();                                              \
  }
#define DOVARO_SETTER_Own(type, name)
#define DOVARO_OPTION(type, name, initial, form, setter) DOVARO_SETTER_##setter(type, name)
#include "engine/ECoreOptionFields.inc"
#undef DOVARO_OPTION
#undef DOVARO_SETTER_Plain
#undef DOVARO_SETTER_Own

void TDovaroModuleOptions::SetFreezeWatch(const bool& value) {
  values_.FreezeWatch = value;
  Changed();
}

void TDovaroModuleOptions::SetMaxLoggedErrors(const std::uint32_t& value) {
  values_.MaxLoggedErrors = value == 0 ? 1 : value;
  Changed();
}

void TDovaroModuleOptions::SetGeneralFieldsShown(const std::uint64_t& value) {
  values_.GeneralFieldsShown = value & kAllGeneralFieldsShown;
  Changed();
}

void TDovaroModuleOptions::SetEnabled(bool value) {
  enabled_ = value;
  Changed();
}

const std::string& TDovaroModuleOptions::StoredText(int index) const {
  if (index < 0 || index >= kCustomizedTextCount) RaiseIndexError(index);
  return texts_[index];
}

void TDovaroModuleOptions::SetText(int index, std::string value) {
  if (index < 0 || index >= kCustomizedTextCount) RaiseIndexError(index);
  texts_[index] = std::move(value);
  Changed();
}

void TDovaroModuleOptions::SetTextsLanguage(std::string value) {
  textsLanguage_ = std::move(value);
  Changed();
}

void TDovaroModuleOptions::EndUpdate() {
  --updateDepth_;
  Changed();
}

void TDovaroModuleOptions::Changed() {
  if (updateDepth_ <= 0 && ownerModule_ && ownerModule_ == CurrentModuleHandle()) Publish();
}

void TDovaroModuleOptions::Assign(const TDovaroModuleOptions* source) {
  if (!source) throw EConvertError("Impossible to assign nil as TDovaroModuleOptions.");
  if (source == this) return;
  BeginUpdate();
  try {
    filters_.Assign(source->filters_);
    texts_ = source->texts_;
    textsLanguage_ = source->textsLanguage_;
    // Every other stored field through its setter, so subclasses see it.
#define DOVARO_OPTION(type, name, initial, form, setter) Set##name(source->values_.name);
#include "engine/ECoreOptionFields.inc"
#undef DOVARO_OPTION
    values_.TerminateAction = source->values_.TerminateAction;
    RequestedTerminateAction = source->RequestedTerminateAction;
    values_.LeakFlags = source->values_.LeakFlags;
    ReproduceNote = source->ReproduceNote;
    PreBuildCommand = source->PreBuildCommand;
    PostBuildSuccessCommand = source->PostBuildSuccessCommand;
    PostBuildFailureCommand = source->PostBuildFailureCommand;
  } catch (...) {
    --updateDepth_;
    throw;
  }
  EndUpdate();
}

void TDovaroModuleOptions::SetDefaults() {
  BeginUpdate();
  values_ = TDovaroOptionValues{};
  texts_ = DefaultCustomizedTexts();
  textsLanguage_ = "English";
  filters_.Clear();
  ReproduceNote.clear();
  enabled_ = true;
  EndUpdate();
}

bool TDovaroModuleOptions::SameStoredValues(const TDovaroModuleOptions& other) const {
  return values_ == other.values_ && filters_ == other.filters_ && texts_ == other.texts_ &&
         textsLanguage_ == other.textsLanguage_;
}
