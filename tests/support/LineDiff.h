// A readable difference of two texts, line by line, for golden-text tests:
// the lines only the expected text has start with "-", those only the
// actual text has with "+", and up to three unchanged lines around each
// change start with " ". Line numbers head each stretch.
#pragma once

#include <string>
#include <string_view>

// Empty when the texts are equal. Lines are split at LF (a CR before it
// stays part of the line, shown as "\r").
std::string LineDiff(std::string_view expected, std::string_view actual);
