#include "platform/runtime/PublishedEvents.h"

namespace {

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

TMethod* FindPublishedEvent(TPublishedObject& object, std::string_view name) noexcept {
  for (const TPublishedEvent& event : object.PublishedEvents()) {
    if (SameNameIgnoringCase(event.Name, name)) return event.Slot(object);
  }
  return nullptr;
}
