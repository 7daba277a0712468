// One table of text cases: each input and the exact text `format` must give,
// a failing row named by its input.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

template <class Input, class Format>
void ExpectTexts(std::initializer_list<std::pair<Input, const char*>> rows, Format format) {
  for (const auto& [input, text] : rows) {
    SCOPED_TRACE(testing::PrintToString(input));
    EXPECT_EQ(format(input), text);
  }
}
