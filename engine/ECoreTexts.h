// The customizable texts of a module: every dialog, message box and report
// label takes its words from here, addressed by index. A text may hold %NAME%
// variables, expanded when it is read (TDovaroModuleOptions::Text).
#pragma once

#include <array>
#include <string>

inline constexpr int kCustomizedTextCount = 158;
using TCustomizedTexts = std::array<std::string, kCustomizedTextCount>;

// The English defaults (index 153 is reserved and empty).
extern const char* const kDefaultCustomizedTexts[kCustomizedTextCount];
TCustomizedTexts DefaultCustomizedTexts();

// Whether option streams of data version `dataVersion` store text `index`;
// a text they lack keeps its current value when such a stream is read.
bool TextExistsInVersion(int index, int dataVersion);
