// Rounds of preparing an exception's attachments as the engine does: a fresh
// folder, the log copy, the XML copy and the zip package, each checked to
// still hold this process's own text before the folder is removed. Two
// processes run it at once.
#pragma once

#include <string>

// Empty when every round found its own files; else what went wrong.
std::string PrepareRounds(int rounds, const std::string& tag);
