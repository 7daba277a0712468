// The bytes of a report file as the web requests send it.
//
// Pure: no windows.h; never raises except for memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The whole file; none when it cannot be opened.
std::optional<std::string> ReadWholeFile(const std::string& path);
// The file's size; none when it does not exist.
std::optional<std::uint64_t> FileSizeOf(const std::string& path);
