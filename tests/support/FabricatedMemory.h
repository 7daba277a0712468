// Memory made of byte regions at chosen addresses, for code that reads
// through a memory reader: stacks, code and images built by a test, with
// everything outside the regions unreadable. Adjacent regions read as one.
#pragma once

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <map>
#include <span>
#include <string_view>
#include <vector>

#include "platform/memory/MemoryReader.h"

class TFabricatedMemory : public TMemoryReader {
 public:
  TFabricatedMemory() = default;
  TFabricatedMemory(TAddress address, std::span<const std::uint8_t> bytes) { Put(address, bytes); }

  // Makes [address, address + bytes.size()) readable with these bytes,
  // replacing what an earlier region held there.
  void Put(TAddress address, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    Remove(address, bytes.size());
    regions_[address].assign(bytes.begin(), bytes.end());
  }
  void Put(TAddress address, std::initializer_list<std::uint8_t> bytes) {
    Put(address, std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
  }
  void Put(TAddress address, std::string_view bytes) {
    Put(address, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  }
  void Put32(TAddress address, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    Put(address, bytes);
  }
  // Makes [address, address + count) unreadable again.
  void Remove(TAddress address, std::size_t count) {
    if (!Overlaps(address, count)) return;
    std::map<TAddress, std::vector<std::uint8_t>> kept;
    for (auto& [start, bytes] : regions_) {
      const TAddress end = start + bytes.size();
      if (end <= address || start >= address + count) {
        kept.emplace(start, std::move(bytes));
        continue;
      }
      if (start < address)
        kept.emplace(start, std::vector(bytes.begin(), bytes.begin() + (address - start)));
      if (end > address + count)
        kept.emplace(address + count,
                     std::vector(bytes.end() - (end - (address + count)), bytes.end()));
    }
    regions_ = std::move(kept);
  }

  std::size_t Read(TAddress address, void* buffer, std::size_t count) const noexcept override {
    ++reads;
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t copied = 0;
    while (copied < count) {
      const auto region = RegionAt(address + copied);
      if (region == regions_.end()) break;
      const std::size_t from = address + copied - region->first;
      const std::size_t part = std::min(count - copied, region->second.size() - from);
      std::memcpy(out + copied, region->second.data() + from, part);
      copied += part;
    }
    return copied;
  }

  std::size_t ReadableLength(TAddress address, std::size_t limit) const noexcept override {
    std::size_t covered = 0;
    while (covered < limit) {
      const auto region = RegionAt(address + covered);
      if (region == regions_.end()) break;
      covered += region->second.size() - (address + covered - region->first);
    }
    return std::min(covered, limit);
  }

  mutable int reads = 0;  // calls of Read, for tests of how often code reads

 private:
  bool Overlaps(TAddress address, std::size_t count) const {
    auto region = regions_.upper_bound(address);
    if (region != regions_.begin() &&
        std::prev(region)->first + std::prev(region)->second.size() > address) {
      return true;
    }
    return region != regions_.end() && region->first < address + count;
  }

  std::map<TAddress, std::vector<std::uint8_t>>::const_iterator RegionAt(TAddress address) const {
    auto after = regions_.upper_bound(address);
    if (after == regions_.begin()) return regions_.end();
    const auto region = std::prev(after);
    if (address - region->first >= region->second.size()) return regions_.end();
    return region;
  }

  std::map<TAddress, std::vector<std::uint8_t>> regions_;
};
