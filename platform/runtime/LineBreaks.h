// Line breaks as stored texts expect them: CR LF pairs throughout.
// Pure; never raises.
#pragma once

#include <string>
#include <string_view>

// Every lone CR (not before an LF) and every lone LF (not after a CR) becomes
// a CR LF pair; an LF at the very first position stays as it is.
std::string NormaliseLineBreaks(std::string_view text);
