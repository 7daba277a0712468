// The report's files on disk: the exception's own temporary folder (one per
// process and exception inside the system's temporary folder, so that two
// processes never overwrite or delete each other's files), the log copy and
// the XML copy, and the computer name that shown names carry.
//
// Runs on the handling or sending thread. Nothing here raises: a file that
// cannot be written is missing and drops out of the attachment list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The system's temporary folder with its trailing "\".
std::string SystemTemporaryFolder();

class TAttachmentFolder {
 public:
  TAttachmentFolder() = default;
  ~TAttachmentFolder() { Remove(); }
  TAttachmentFolder(const TAttachmentFolder&) = delete;
  TAttachmentFolder& operator=(const TAttachmentFolder&) = delete;

  // A fresh folder for the next exception of this module in `processId`
  // (the previous one removed first); its path ends with "\". Empty when it
  // cannot be made.
  const std::string& Prepare(std::uint32_t processId, std::uintptr_t moduleHandle);
  // The current exception's folder ("" before Prepare or after Remove).
  const std::string& Path() const { return path_; }
  // Deletes the exception's folder with every file in it, and the process's
  // folder when nothing else is left there.
  void Remove();

 private:
  std::uint32_t processId_ = 0;
  std::uintptr_t module_ = 0;
  std::uint32_t exceptions_ = 0;
  std::string path_;
};

bool AttachmentFileExists(const std::string& path);
// The log copy of the text to send; false when it could not be written.
bool WriteLogCopy(const std::string& fileName, std::string_view textToSend);
// The XML copy: from the log copy when it exists, else from the text to
// send; protected names turned back with `password`. False when not written.
bool WriteXmlCopy(const std::string& xmlFileName, const std::string& logCopyFileName,
                  std::string_view textToSend, std::string_view password);
// The computer name as the system reports it (read with a 16-character buffer).
std::string AttachmentComputerName();
