// A 32-bit PE file (executable or DLL) held in memory, with the few changes
// the build tool makes to it: a rebuilt resource section, data appended at
// the end, and the header checksum. Pure: bytes in, bytes out.
//
// Every read is checked against the file's size; a file that is not a
// well-formed 32-bit PE raises TPeError with a readable message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "platform/memory/PeLayout.h"

class TPeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TPeSection {
  std::string Name;
  std::uint32_t VirtualSize = 0;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t SizeOfRawData = 0;
  std::uint32_t PointerToRawData = 0;
  std::uint32_t Characteristics = 0;
};

struct TCoffSymbol {
  std::string Name;
  std::uint32_t Rva = 0;
  std::uint32_t Size = 0;  // up to the next symbol of its section (or the section's end)
};

// A resource's type or name: a number or an (upper-case) name.
using TResourceKey = std::variant<std::uint16_t, std::u16string>;

struct TResourceEntry {
  TResourceKey Type;
  TResourceKey Name;
  std::uint16_t Language = 0;
  std::uint32_t CodePage = 0;
  std::vector<std::uint8_t> Data;
};

inline constexpr int kResourceDirectory = kDirectoryResource;
inline constexpr int kSecurityDirectory = kDirectorySecurity;

class TPeImage {
 public:
  explicit TPeImage(std::vector<std::uint8_t> bytes);

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::vector<TPeSection> Sections() const;
  std::uint32_t ImageBase() const;
  std::uint32_t SizeOfImage() const;
  std::uint32_t StoredChecksum() const;
  std::pair<std::uint32_t, std::uint32_t> DataDirectory(int index) const;  // RVA, size

  // The file bytes that hold [rva, rva + size), or none when they are not in
  // one section's raw data.
  std::optional<std::span<const std::uint8_t>> RvaBytes(std::uint32_t rva,
                                                        std::uint32_t size) const;

  // The symbols of the COFF symbol table the linker left in the file.
  std::vector<TCoffSymbol> CoffSymbols() const;

  // The resources of the resource directory (empty when there is none).
  std::vector<TResourceEntry> Resources() const;
  // Replaces the resource directory by one holding `resources`, in a section
  // ".rsrc" added after the last one (or rebuilt in place when the current
  // resource section is the last section and ends the file).
  void SetResources(const std::vector<TResourceEntry>& resources);

  void Append(std::span<const std::uint8_t> bytes);
  void Truncate(std::size_t size);

  // The header checksum as the system computes it; UpdateChecksum stores it.
  std::uint32_t ComputeChecksum() const;
  void UpdateChecksum();

 private:
  std::uint32_t U32(std::size_t offset) const;
  std::uint16_t U16(std::size_t offset) const;
  void PutU32(std::size_t offset, std::uint32_t value);
  void PutU16(std::size_t offset, std::uint16_t value);
  std::size_t SectionTable() const;
  std::size_t NumberOfSections() const { return U16(coffHeader_ + 2); }

  std::vector<std::uint8_t> bytes_;
  std::size_t coffHeader_ = 0;
  std::size_t optionalHeader_ = 0;
};
