// The installer's modal message window: the text, one OK button, no icon,
// centred on the screen, captioned with the host executable's name.
#pragma once

#include <string>
#include <string_view>

// "SETUP.EXE" gives "Setup": the file name without folder, cut before its
// first full stop, every character after the first in lower case. The
// lowering of one character is passed in so the rule stays free of the
// system's code page.
std::string ApplicationTitle(std::string_view executablePath, char (*toLower)(char));

// Blocks the calling thread until the user presses OK.
void ShowInstallerMessage(const std::string& text);
