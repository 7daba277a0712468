// The PNG file of a palette image: signature, IHDR (8-bit palette image, no
// interlace), PLTE of 256 entries, the image data in IDAT chunks of 262143
// bytes (the last one shorter) holding one zlib stream at level 9, IEND. Each
// row is the filter byte 0 and one palette index per pixel. Pure; no
// windows.h; never raises except std::bad_alloc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "report/EScreenshotOctree.h"

inline constexpr std::size_t kPngIdatChunkSize = 262143;

// `indices` holds width * height palette indices, rows from top to bottom.
std::vector<std::uint8_t> EncodePalettePng(int width, int height, const TPalette& palette,
                                           std::span<const std::uint8_t> indices);

// Colour reduction and encoding of a captured image in one step.
std::vector<std::uint8_t> EncodeScreenshotPng(const TPixelImage& image);
