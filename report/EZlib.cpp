#include "report/EZlib.h"

#include <zlib.h>

#include <algorithm>

std::optional<std::vector<std::uint8_t>> InflateZlib(std::span<const std::uint8_t> compressed,
                                                     std::size_t maximumSize,
                                                     std::size_t* consumed) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  std::vector<std::uint8_t> plain;
  std::uint8_t chunk[16384];
  stream.next_in = const_cast<Bytef*>(compressed.data());
  stream.avail_in = static_cast<uInt>(compressed.size());
  int status = Z_OK;
  while (status == Z_OK) {
    stream.next_out = chunk;
    stream.avail_out = sizeof chunk;
    status = inflate(&stream, Z_NO_FLUSH);
    const std::size_t produced = sizeof chunk - stream.avail_out;
    if (plain.size() + produced > maximumSize)
      status = Z_MEM_ERROR;
    else
      plain.insert(plain.end(), chunk, chunk + produced);
    // No progress with input exhausted means the stream was cut short.
    if (status == Z_BUF_ERROR || (status == Z_OK && stream.avail_in == 0 && produced == 0)) break;
  }
  const std::size_t used = compressed.size() - stream.avail_in;
  inflateEnd(&stream);
  if (status != Z_STREAM_END) return std::nullopt;
  if (consumed) *consumed = used;
  return plain;
}

std::vector<std::uint8_t> DeflateZlib(std::span<const std::uint8_t> plain, int level) {
  uLongf size = compressBound(static_cast<uLong>(plain.size()));
  std::vector<std::uint8_t> packed(size);
  if (compress2(packed.data(), &size, plain.data(), static_cast<uLong>(plain.size()),
                std::clamp(level, 0, 9)) != Z_OK)
    return {};
  packed.resize(size);
  return packed;
}
