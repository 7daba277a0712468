// The instruction templates of the disassembler (TDisAsm): 1200 strings in five
// blocks, indexed by the constants below. The table itself is data, kept in
// EDisAsmTemplates.cpp.
#pragma once

#include <cstddef>
#include <span>

inline constexpr std::size_t kDisAsmTemplateCount = 1200;
inline constexpr std::size_t kDisAsmOneByteBase = 0;    // by the opcode byte
inline constexpr std::size_t kDisAsmTwoByteBase = 256;  // after 0F, by the second byte
inline constexpr std::size_t kDisAsmGroupBase = 512;    // groups a-j, 8 entries each
inline constexpr std::size_t kDisAsmTailBase = 592;     // operand tails 1-4, 8 entries each
inline constexpr std::size_t kDisAsmFloatBase = 624;    // escapes D8-DF, 72 entries each
inline constexpr std::size_t kDisAsmFloatEntries = 72;

using TDisAsmTemplates = std::span<const char* const, kDisAsmTemplateCount>;

// The built-in table (static storage, never freed).
TDisAsmTemplates DisAsmTemplates();
