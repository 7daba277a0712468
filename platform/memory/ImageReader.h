// A loaded 32-bit PE image read through a memory reader: its headers and
// section table, bytes and texts at relative addresses, its exports and its
// imports. The one place that walks the headers of loaded images; a
// fabricated image in test memory serves as well as a live module.
//
// Pure: no windows.h. Reads never fault or raise (a damaged or unreadable
// image gives no layout, or empty lists); the reader allocates, so it does not
// belong where the heap is forbidden.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/MemoryReader.h"
#include "platform/memory/PeLayout.h"

struct TImageSection {
  std::array<char, 8> Name{};
  std::uint32_t VirtualSize = 0;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t RawSize = 0;
  std::uint32_t Characteristics = 0;
  // The bytes the section spans in memory (its raw size when the virtual one
  // is not given).
  std::uint32_t Span() const { return VirtualSize ? VirtualSize : RawSize; }
};

struct TImageLayout {
  std::array<TPeDataDirectory, kDataDirectoryCount> Directories{};
  std::vector<TImageSection> Sections;
  std::uint32_t SizeOfImage = 0;
  std::uint32_t ImageBase = 0;
  std::uint16_t Characteristics = 0;

  bool IsDll() const { return (Characteristics & kFileCharacteristicDll) != 0; }
  // The section whose 8-character name equals `name` (padded with zeros).
  const TImageSection* SectionNamed(std::string_view name) const;
  // The section whose span holds the relative address.
  const TImageSection* SectionContaining(std::uint32_t rva) const;
};

// One named export: forwarders (whose address lies inside the export
// directory) are marked.
struct TImageExport {
  std::string Name;
  std::uint32_t Rva = 0;
  bool Forwarder = false;
};

// One import descriptor: the module it imports from and where its address
// table (the slots the loader filled) lies.
struct TImageImport {
  std::string ModuleName;
  TAddress FirstSlot = 0;
};

class TImageReader {
 public:
  // Reads the headers of the image loaded at `handle` ("MZ", a non-zero new
  // header offset, "PE\0\0", a 32-bit optional header).
  TImageReader(const TMemoryReader& memory, TAddress handle);

  // Null when the headers are not those of a 32-bit PE image.
  const TImageLayout* Layout() const { return layout_ ? &*layout_ : nullptr; }
  TAddress Handle() const { return handle_; }
  const TMemoryReader& Memory() const { return memory_; }

  // `length` bytes at `rva`, or none when any of them is unreadable.
  std::optional<std::vector<std::uint8_t>> Bytes(std::uint32_t rva, std::uint32_t length) const;
  template <class Record>
  bool ReadRecord(std::uint32_t rva, Record& record) const {
    return memory_.ReadRecord(handle_ + rva, record);
  }
  // The zero-terminated text at `rva`; none when unreadable or longer than
  // `maxLength` characters.
  std::optional<std::string> Text(std::uint32_t rva, std::size_t maxLength) const;

  // The named exports in name-table order (at most 65536 of them); empty
  // without an export directory.
  std::vector<TImageExport> Exports() const;
  // The import descriptors up to the terminating empty one.
  std::vector<TImageImport> Imports() const;

 private:
  // The text at `rva` as far as it can be read, at most `maxLength`
  // characters; `complete` tells whether its terminator was met.
  std::string TextPrefix(std::uint32_t rva, std::size_t maxLength, bool& complete) const;

  const TMemoryReader& memory_;
  TAddress handle_;
  std::optional<TImageLayout> layout_;
};
