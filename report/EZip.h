// The zip package of a report: a zip archive written fresh, one entry per
// file (its name without folders), deflated at level 9, stamped with the
// file's date, and with a password encrypted with the traditional zip
// encryption whose header is checked against the entry's CRC-32.
//
// Runs on the handling thread or the sending thread; raises nothing. A file
// that cannot be read whole (missing, locked by a writer, vanishing while
// read, a folder, too large for memory) is left out with one line on the
// debugger output, and the package is still written.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class TZipWriter {
 public:
  TZipWriter() = default;
  ~TZipWriter() { Destroy(); }
  TZipWriter(const TZipWriter&) = delete;
  TZipWriter& operator=(const TZipWriter&) = delete;

  // Creates the archive, deleting an existing file of that name first.
  bool Create(const std::string& zipFileName, const std::string& password);
  // Reads the whole file (others may read it meanwhile, not write) and adds
  // it as `nameInZip`; true only when it was read and written whole.
  bool AddFile(const std::string& sourcePath, const std::string& nameInZip);
  // Adds bytes as an entry with a DOS date-time stamp.
  bool AddBytes(std::span<const std::uint8_t> bytes, const std::string& nameInZip,
                std::uint32_t dosDateTime);
  // Closes the entry in progress and the archive.
  void Destroy();
  bool IsOpen() const { return zip_ != nullptr; }

 private:
  void* zip_ = nullptr;
  std::string password_;
};

struct TZipPackageResult {
  bool Written = false;
  std::vector<std::string> Entries;  // the names in the archive, in list order
  std::vector<std::string> LeftOut;  // the files that could not be read whole
};

// Packs the listed files in list order (nothing when the list is empty);
// files that share a name part get " (2)", " (3)", ... before the extension.
TZipPackageResult MakeZipPackage(const std::string& zipFileName, const std::string& password,
                                 const std::vector<std::string>& files);
