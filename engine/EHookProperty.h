// Property hooks: an object's published event property is swapped for the
// engine's handler, and the previous handler is handed back so the engine
// can call it on.
//
// Takes no lock (the caller serialises hooks of one object); never raises.
#pragma once

#include <string_view>

#include "platform/runtime/PublishedEvents.h"

// When the event property `name` of `object` already holds `handler` (same
// code), nothing changes. Otherwise its value goes to `previous` and
// `handler` replaces it. False when `object` is null or does not publish
// such a property.
bool HookProperty(TPublishedObject* object, std::string_view name, TMethod handler,
                  TMethod& previous) noexcept;
