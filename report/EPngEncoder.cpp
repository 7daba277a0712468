#include "report/EPngEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <string_view>

#include "report/EHash.h"

namespace {

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 24));
  out.push_back(static_cast<std::uint8_t>(value >> 16));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

void PutChunk(std::vector<std::uint8_t>& out, std::string_view type, const std::uint8_t* data,
              std::size_t length) {
  PutBigEndian(out, static_cast<std::uint32_t>(length));
  const std::size_t start = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data, data + length);
  PutBigEndian(out, Crc32(out.data() + start, out.size() - start));
}

// Deflates the rows at level 9 into a buffer of one IDAT chunk's size; each
// full buffer becomes a chunk and the remainder the last one.
void PutImageData(std::vector<std::uint8_t>& out, int width, int height,
                  std::span<const std::uint8_t> indices) {
  std::vector<std::uint8_t> buffer(kPngIdatChunkSize);
  z_stream stream{};
  deflateInit(&stream, 9);
  stream.next_out = buffer.data();
  stream.avail_out = static_cast<uInt>(buffer.size());
  auto drain = [&](int flush) {
    int status = Z_OK;
    do {
      status = deflate(&stream, flush);
      if (stream.avail_out == 0) {
        PutChunk(out, "IDAT", buffer.data(), buffer.size());
        stream.next_out = buffer.data();
        stream.avail_out = static_cast<uInt>(buffer.size());
      }
    } while (stream.avail_in > 0 || (flush == Z_FINISH && status == Z_OK));
  };
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) + 1);
  for (int y = 0; y < height; ++y) {
    row[0] = 0;  // no filter
    const auto source = indices.subspan(static_cast<std::size_t>(y) * width, width);
    std::copy(source.begin(), source.end(), row.begin() + 1);
    stream.next_in = row.data();
    stream.avail_in = static_cast<uInt>(row.size());
    drain(Z_NO_FLUSH);
  }
  stream.next_in = nullptr;
  stream.avail_in = 0;
  drain(Z_FINISH);
  PutChunk(out, "IDAT", buffer.data(), buffer.size() - stream.avail_out);
  deflateEnd(&stream);
}

}  // namespace

std::vector<std::uint8_t> EncodePalettePng(int width, int height, const TPalette& palette,
                                           std::span<const std::uint8_t> indices) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  std::vector<std::uint8_t> padded;
  if (indices.size() < static_cast<std::size_t>(width) * height) {
    padded.assign(indices.begin(), indices.end());
    padded.resize(static_cast<std::size_t>(width) * height, 0);
    indices = padded;
  }
  std::vector<std::uint8_t> out = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<std::uint8_t> header;
  PutBigEndian(header, static_cast<std::uint32_t>(width));
  PutBigEndian(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(),
                {8, 3, 0, 0, 0});  // depth 8, palette, deflate, no filter, no interlace
  PutChunk(out, "IHDR", header.data(), header.size());
  std::vector<std::uint8_t> colours;
  colours.reserve(palette.size() * 3);
  for (const TRgb& entry : palette)
    colours.insert(colours.end(), {entry.Red, entry.Green, entry.Blue});
  PutChunk(out, "PLTE", colours.data(), colours.size());
  PutImageData(out, width, height, indices);
  PutChunk(out, "IEND", nullptr, 0);
  return out;
}

std::vector<std::uint8_t> EncodeScreenshotPng(const TPixelImage& image) {
  const TPalette palette = OctreePalette(image);
  return EncodePalettePng(image.Width, image.Height, palette, MapToPalette(image, palette));
}
