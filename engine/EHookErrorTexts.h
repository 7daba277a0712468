// The hook engine's error texts, byte for byte; "%s" takes the name.
#pragma once

inline constexpr const char* kProcNullText = "Cannot hook a null procedure (\"%s\").";
inline constexpr const char* kSharedAreaText =
    "Cannot hook the module \"%s\" located into the shared-area.";
inline constexpr const char* kHookingErrorText = "Cannot hook the procedure \"%s\".";
