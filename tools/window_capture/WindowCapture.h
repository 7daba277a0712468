// A picture of a window as the screen shows it, saved as a PNG file, for
// the tests and the demo to show what a person would see.
#pragma once

#include <windows.h>

#include <string>

// Copies the window's rectangle from the screen and writes it as an RGB PNG
// file; false when the window or the file cannot be had.
bool SaveWindowPng(HWND window, const std::string& path);
