// The option stream: the current writer (SaveToStream) and the reader for
// every older data version (LoadFromStream), both members of
// TDovaroModuleOptions; the helpers below carry the version rules.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/ECoreByteStream.h"
#include "engine/ECoreOptions.h"

// GeneralFieldsShown as stored by `dataVersion` (4 bytes below 500, 5 bytes
// below 6000, 6 bytes from 6000), widened to the 48 current items: items that
// did not exist then are shown, the stored bits fill the others in order.
std::uint64_t WidenGeneralFieldsShown(std::uint64_t stored, int dataVersion);
int GeneralFieldsShownBytes(int dataVersion);

// SaveToStream into a new buffer.
std::vector<std::uint8_t> SaveOptionsToBytes(const TDovaroModuleOptions& options);
