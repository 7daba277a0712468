#include "engine/EHookProperty.h"

bool HookProperty(TPublishedObject* object, std::string_view name, TMethod handler,
                  TMethod& previous) noexcept {
  if (!object) return false;
  TMethod* slot = FindPublishedEvent(*object, name);
  if (!slot) return false;
  if (slot->Code == handler.Code) return true;
  previous = *slot;
  *slot = handler;
  return true;
}
