// Readable texts of the stand-in engine's result codes (pure).
#pragma once

#include <string_view>

#include "platform/idapi/Idapi.h"

std::string_view EngineErrorText(DBIResult code);
