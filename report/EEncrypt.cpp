#include "report/EEncrypt.h"

#include <cstring>

#include "report/EHash.h"

namespace {

constexpr std::uint32_t kDelta = 0x9E3779B9u;
constexpr std::uint32_t kDecryptStartSum = 0xC6EF3720u;  // 32 * kDelta modulo 2^32
static_assert(static_cast<std::uint32_t>(32u * kDelta) == kDecryptStartSum);

std::uint32_t ReadBigEndian(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
         static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

void WriteBigEndian(std::uint32_t value, std::uint8_t* bytes) {
  bytes[0] = static_cast<std::uint8_t>(value >> 24);
  bytes[1] = static_cast<std::uint8_t>(value >> 16);
  bytes[2] = static_cast<std::uint8_t>(value >> 8);
  bytes[3] = static_cast<std::uint8_t>(value);
}

std::uint32_t Round(std::uint32_t half, std::uint32_t sum, std::uint32_t keyA, std::uint32_t keyB) {
  return (half << 4) + (half ^ keyA) + ((half >> 5) ^ sum) + keyB;
}

// The final 1 to 7 bytes: XORed with the enciphered chaining register.
void XorTail(const TBlockCipher& cipher, TCipherBlock chain, const std::uint8_t* in,
             std::uint8_t* out, std::size_t count) {
  cipher.EncryptBlock(chain.data());
  for (std::size_t i = 0; i < count; ++i) out[i] = in[i] ^ chain[i];
}

}  // namespace

void TBlockCipher::SetKey(std::string_view password) {
  const TMd5Digest digest = Md5(password.data(), password.size());
  for (int i = 0; i < 4; ++i) key_[i] = ReadBigEndian(digest.data() + 4 * i);
}

void TBlockCipher::EncryptBlock(std::uint8_t block[8]) const {
  std::uint32_t left = ReadBigEndian(block), right = ReadBigEndian(block + 4), sum = 0;
  for (int round = 0; round < 32; ++round) {
    sum += kDelta;
    left += Round(right, sum, key_[0], key_[1]);
    right += Round(left, sum, key_[2], key_[3]);
  }
  WriteBigEndian(left, block);
  WriteBigEndian(right, block + 4);
}

void TBlockCipher::DecryptBlock(std::uint8_t block[8]) const {
  std::uint32_t left = ReadBigEndian(block), right = ReadBigEndian(block + 4),
                sum = kDecryptStartSum;
  for (int round = 0; round < 32; ++round) {
    right -= Round(left, sum, key_[2], key_[3]);
    left -= Round(right, sum, key_[0], key_[1]);
    sum -= kDelta;
  }
  WriteBigEndian(left, block);
  WriteBigEndian(right, block + 4);
}

void TBlockCipher::DecryptBuffer(const void* source, void* destination, std::size_t length) const {
  if (!source || !destination || length == 0) return;
  const auto* in = static_cast<const std::uint8_t*>(source);
  auto* out = static_cast<std::uint8_t*>(destination);
  TCipherBlock chain;
  chain.fill(0xFF);
  std::size_t at = 0;
  for (; length - at >= 8; at += 8) {
    TCipherBlock cipherText, plain;
    std::memcpy(cipherText.data(), in + at, 8);
    plain = cipherText;
    DecryptBlock(plain.data());
    for (int i = 0; i < 8; ++i) out[at + i] = plain[i] ^ chain[i];
    chain = cipherText;
  }
  if (at < length) XorTail(*this, chain, in + at, out + at, length - at);
}

void TBlockCipher::EncryptBuffer(const void* source, void* destination, std::size_t length) const {
  if (!source || !destination || length == 0) return;
  const auto* in = static_cast<const std::uint8_t*>(source);
  auto* out = static_cast<std::uint8_t*>(destination);
  TCipherBlock chain;
  chain.fill(0xFF);
  std::size_t at = 0;
  for (; length - at >= 8; at += 8) {
    TCipherBlock block;
    for (int i = 0; i < 8; ++i) block[i] = in[at + i] ^ chain[i];
    EncryptBlock(block.data());
    std::memcpy(out + at, block.data(), 8);
    chain = block;
  }
  if (at < length) XorTail(*this, chain, in + at, out + at, length - at);
}
