// The records of a 32-bit PE image that the engine and the build tool read:
// the headers, section table, export and import directories and debug
// directory entries, as the file format lays them out (little-endian, the
// offsets checked below). The loaded-image reader (ImageReader.h) reads them
// through a memory reader; the build tool reads the same records at file
// offsets. Pure: no windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint16_t kDosSignature = 0x5A4D;     // "MZ"
inline constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
inline constexpr std::uint16_t kOptionalHeader32Magic = 0x10B;
inline constexpr std::size_t kDosHeaderSize = 64;
inline constexpr std::size_t kNewHeaderOffsetField = 0x3C;  // in the DOS header
inline constexpr std::size_t kDataDirectoryCount = 16;

inline constexpr std::size_t kDirectoryExport = 0;
inline constexpr std::size_t kDirectoryImport = 1;
inline constexpr std::size_t kDirectoryResource = 2;
inline constexpr std::size_t kDirectorySecurity = 4;
inline constexpr std::size_t kDirectoryDebug = 6;

inline constexpr std::uint16_t kFileCharacteristicDll = 0x2000;

struct TPeFileHeader {
  std::uint16_t Machine;
  std::uint16_t NumberOfSections;
  std::uint32_t TimeDateStamp;
  std::uint32_t PointerToSymbolTable;
  std::uint32_t NumberOfSymbols;
  std::uint16_t SizeOfOptionalHeader;
  std::uint16_t Characteristics;
};
static_assert(sizeof(TPeFileHeader) == 20);
static_assert(offsetof(TPeFileHeader, SizeOfOptionalHeader) == 16);

struct TPeDataDirectory {
  std::uint32_t VirtualAddress;
  std::uint32_t Size;
};
static_assert(sizeof(TPeDataDirectory) == 8);

struct TPeOptionalHeader32 {
  std::uint16_t Magic;
  std::uint8_t MajorLinkerVersion;
  std::uint8_t MinorLinkerVersion;
  std::uint32_t SizeOfCode;
  std::uint32_t SizeOfInitializedData;
  std::uint32_t SizeOfUninitializedData;
  std::uint32_t AddressOfEntryPoint;
  std::uint32_t BaseOfCode;
  std::uint32_t BaseOfData;
  std::uint32_t ImageBase;
  std::uint32_t SectionAlignment;
  std::uint32_t FileAlignment;
  std::uint16_t MajorOperatingSystemVersion;
  std::uint16_t MinorOperatingSystemVersion;
  std::uint16_t MajorImageVersion;
  std::uint16_t MinorImageVersion;
  std::uint16_t MajorSubsystemVersion;
  std::uint16_t MinorSubsystemVersion;
  std::uint32_t Win32VersionValue;
  std::uint32_t SizeOfImage;
  std::uint32_t SizeOfHeaders;
  std::uint32_t CheckSum;
  std::uint16_t Subsystem;
  std::uint16_t DllCharacteristics;
  std::uint32_t SizeOfStackReserve;
  std::uint32_t SizeOfStackCommit;
  std::uint32_t SizeOfHeapReserve;
  std::uint32_t SizeOfHeapCommit;
  std::uint32_t LoaderFlags;
  std::uint32_t NumberOfRvaAndSizes;
  TPeDataDirectory DataDirectory[kDataDirectoryCount];
};
static_assert(sizeof(TPeOptionalHeader32) == 224);
static_assert(offsetof(TPeOptionalHeader32, ImageBase) == 28);
static_assert(offsetof(TPeOptionalHeader32, SizeOfImage) == 56);
static_assert(offsetof(TPeOptionalHeader32, CheckSum) == 64);
static_assert(offsetof(TPeOptionalHeader32, NumberOfRvaAndSizes) == 92);
static_assert(offsetof(TPeOptionalHeader32, DataDirectory) == 96);

// The signature, the file header and the 32-bit optional header, as they
// follow each other at the new-header offset.
struct TPeHeaders32 {
  std::uint32_t Signature;
  TPeFileHeader FileHeader;
  TPeOptionalHeader32 OptionalHeader;
};
static_assert(sizeof(TPeHeaders32) == 248);
static_assert(offsetof(TPeHeaders32, OptionalHeader) == 24);

struct TPeSectionHeader {
  char Name[8];
  std::uint32_t VirtualSize;
  std::uint32_t VirtualAddress;
  std::uint32_t SizeOfRawData;
  std::uint32_t PointerToRawData;
  std::uint32_t PointerToRelocations;
  std::uint32_t PointerToLinenumbers;
  std::uint16_t NumberOfRelocations;
  std::uint16_t NumberOfLinenumbers;
  std::uint32_t Characteristics;
};
static_assert(sizeof(TPeSectionHeader) == 40);
static_assert(offsetof(TPeSectionHeader, Characteristics) == 36);

struct TPeExportDirectory {
  std::uint32_t Characteristics;
  std::uint32_t TimeDateStamp;
  std::uint16_t MajorVersion;
  std::uint16_t MinorVersion;
  std::uint32_t Name;
  std::uint32_t Base;
  std::uint32_t NumberOfFunctions;
  std::uint32_t NumberOfNames;
  std::uint32_t AddressOfFunctions;
  std::uint32_t AddressOfNames;
  std::uint32_t AddressOfNameOrdinals;
};
static_assert(sizeof(TPeExportDirectory) == 40);
static_assert(offsetof(TPeExportDirectory, NumberOfFunctions) == 20);

struct TPeImportDescriptor {
  std::uint32_t OriginalFirstThunk;
  std::uint32_t TimeDateStamp;
  std::uint32_t ForwarderChain;
  std::uint32_t Name;
  std::uint32_t FirstThunk;
};
static_assert(sizeof(TPeImportDescriptor) == 20);

struct TPeDebugDirectory {
  std::uint32_t Characteristics;
  std::uint32_t TimeDateStamp;
  std::uint16_t MajorVersion;
  std::uint16_t MinorVersion;
  std::uint32_t Type;
  std::uint32_t SizeOfData;
  std::uint32_t AddressOfRawData;
  std::uint32_t PointerToRawData;
};
static_assert(sizeof(TPeDebugDirectory) == 28);
