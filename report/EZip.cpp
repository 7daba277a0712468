#include "report/EZip.h"

#include <windows.h>
#include <minizip/zip.h>

#include <new>

#include "report/EAttachmentNames.h"
#include "report/EHash.h"

namespace {

struct TReadFile {
  std::vector<std::uint8_t> Bytes;
  std::uint32_t DosDateTime = 0;
  std::string Failure;  // empty when read whole
};

std::string SystemErrorText(DWORD code) {
  return "system error " + std::to_string(code);
}

TReadFile ReadWholeFileDenyingWrites(const std::string& path) {
  TReadFile result;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    result.Failure = "cannot be opened (" + SystemErrorText(GetLastError()) + ")";
    return result;
  }
  LARGE_INTEGER size{};
  FILETIME written{}, local{};
  WORD date = 0, time = 0;
  if (!GetFileSizeEx(file, &size)) {
    result.Failure = "size unknown (" + SystemErrorText(GetLastError()) + ")";
  } else if (size.QuadPart > 0x7FFFFFFF) {
    result.Failure = "too large";
  } else {
    try {
      result.Bytes.resize(static_cast<std::size_t>(size.QuadPart));
      DWORD read = 0;
      if (!ReadFile(file, result.Bytes.data(), static_cast<DWORD>(result.Bytes.size()), &read,
                    nullptr) ||
          read != result.Bytes.size()) {
        result.Failure = "not read whole (" + SystemErrorText(GetLastError()) + ")";
      }
    } catch (const std::bad_alloc&) {
      result.Failure = "too large for memory";
    }
    if (result.Failure.empty() && GetFileTime(file, nullptr, nullptr, &written) &&
        FileTimeToLocalFileTime(&written, &local) && FileTimeToDosDateTime(&local, &date, &time)) {
      result.DosDateTime = static_cast<std::uint32_t>(date) << 16 | time;
    }
  }
  CloseHandle(file);
  if (!result.Failure.empty()) result.Bytes = {};
  return result;
}

void LeftOutLine(const std::string& path, const std::string& why) {
  const std::string line = "[ZIP] " + path + " left out of the package: " + why;
  OutputDebugStringA(line.c_str());
}

}  // namespace

bool TZipWriter::Create(const std::string& zipFileName, const std::string& password) {
  Destroy();
  SetFileAttributesA(zipFileName.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(zipFileName.c_str());
  zip_ = zipOpen(zipFileName.c_str(), APPEND_STATUS_CREATE);
  password_ = password;
  return zip_ != nullptr;
}

bool TZipWriter::AddBytes(std::span<const std::uint8_t> bytes, const std::string& nameInZip,
                          std::uint32_t dosDateTime) {
  if (!zip_) return false;
  zip_fileinfo info{};
  info.dosDate = dosDateTime;
  info.tmz_date.tm_year = 1980 + (dosDateTime >> 25);
  info.tmz_date.tm_mon = ((dosDateTime >> 21) & 15) - 1;
  info.tmz_date.tm_mday = (dosDateTime >> 16) & 31;
  info.tmz_date.tm_hour = (dosDateTime >> 11) & 31;
  info.tmz_date.tm_min = (dosDateTime >> 5) & 63;
  info.tmz_date.tm_sec = (dosDateTime & 31) * 2;
  const bool encrypted = !password_.empty();
  const unsigned long crc = encrypted ? Crc32(bytes.data(), bytes.size()) : 0;
  if (zipOpenNewFileInZip3(zip_, nameInZip.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                           Z_DEFLATED, 9, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                           encrypted ? password_.c_str() : nullptr, crc) != ZIP_OK) {
    return false;
  }
  bool ok = true;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    const std::size_t piece = std::min<std::size_t>(bytes.size() - done, 1u << 20);
    ok = zipWriteInFileInZip(zip_, bytes.data() + done, static_cast<unsigned>(piece)) == ZIP_OK;
    done += piece;
  }
  return zipCloseFileInZip(zip_) == ZIP_OK && ok;
}

bool TZipWriter::AddFile(const std::string& sourcePath, const std::string& nameInZip) {
  TReadFile file = ReadWholeFileDenyingWrites(sourcePath);
  if (!file.Failure.empty()) {
    LeftOutLine(sourcePath, file.Failure);
    return false;
  }
  if (!AddBytes(file.Bytes, nameInZip, file.DosDateTime)) {
    LeftOutLine(sourcePath, "the entry could not be written");
    return false;
  }
  return true;
}

void TZipWriter::Destroy() {
  if (!zip_) return;
  zipCloseFileInZip(zip_);
  zipClose(zip_, nullptr);
  zip_ = nullptr;
}

TZipPackageResult MakeZipPackage(const std::string& zipFileName, const std::string& password,
                                 const std::vector<std::string>& files) {
  TZipPackageResult result;
  if (files.empty()) return result;
  try {
    TZipWriter writer;
    if (!writer.Create(zipFileName, password)) {
      LeftOutLine(zipFileName, "the package cannot be created");
      return result;
    }
    TZipEntryNames names;
    for (const std::string& file : files) {
      const std::string name = names.Candidate(file);
      if (writer.AddFile(file, name)) {
        names.Use(name);
        result.Entries.push_back(name);
      } else {
        result.LeftOut.push_back(file);
      }
    }
    writer.Destroy();
    result.Written = true;
  } catch (...) {
    // Out of memory while naming: the package is whatever was closed.
  }
  return result;
}
