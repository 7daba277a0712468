// Folder helpers of our runtime library.
#pragma once

#include <string>

bool DirectoryExists(const std::string& path);

// Creates the folder and every missing parent. An empty path raises
// EInOutError("Unable to create directory"); otherwise the result says whether
// the folder exists afterwards.
bool ForceDirectories(const std::string& path);
