// The message handed to a mail client's MAPISendMail: Simple MAPI's records
// in their 32-bit layout, and the owner of one message with its texts, one
// recipient entry per recipient and one attachment entry per file.
//
// Pure: no windows.h. The layouts are checked against the system's
// declarations where the library is called.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/ESendProgress.h"

// Simple MAPI's constants.
inline constexpr std::uint32_t kMapiTo = 1;         // recipient class "to"
inline constexpr std::uint32_t kMapiLogonUi = 0x1;  // the client may show its logon
inline constexpr std::uint32_t kMapiDialog = 0x8;   // the client shows the message
inline constexpr std::uint32_t kMapiSuccess = 0;
inline constexpr std::uint32_t kMapiUserAbort = 1;
inline constexpr std::uint32_t kMapiNoPosition = 0xFFFFFFFF;  // attachment not placed in the text

// A recipient's address text is "SMTP:" + the address, at most 256
// characters: the longest address is 251 characters.
inline constexpr std::string_view kMapiAddressPrefix = "SMTP:";
inline constexpr std::size_t kMapiRecipientTextLimit = 256;
inline constexpr std::size_t kMapiLongestAddress =
    kMapiRecipientTextLimit - kMapiAddressPrefix.size();

struct TMapiRecipient {
  std::uint32_t Reserved = 0;
  std::uint32_t RecipientClass = 0;
  char* Name = nullptr;
  char* Address = nullptr;
  std::uint32_t EntryIdSize = 0;
  void* EntryId = nullptr;
};

struct TMapiFile {
  std::uint32_t Reserved = 0;
  std::uint32_t Flags = 0;
  std::uint32_t Position = 0;
  char* PathName = nullptr;
  char* FileName = nullptr;
  void* FileType = nullptr;
};

struct TMapiMessage {
  std::uint32_t Reserved = 0;
  char* Subject = nullptr;
  char* NoteText = nullptr;
  char* MessageType = nullptr;
  char* DateReceived = nullptr;
  char* ConversationId = nullptr;
  std::uint32_t Flags = 0;
  TMapiRecipient* Originator = nullptr;
  std::uint32_t RecipientCount = 0;
  TMapiRecipient* Recipients = nullptr;
  std::uint32_t FileCount = 0;
  TMapiFile* Files = nullptr;
};

// The first recipient longer than kMapiLongestAddress; such an address is
// refused, not cut.
std::optional<std::string> RecipientTooLongForMapi(const std::vector<std::string>& recipients);

// One message and everything its records point to. `files` are those that
// exist, with full paths; an empty shown name shows the path's file name.
// The subject has its control characters cleaned. Neither copied nor moved:
// the records point into the object.
class TMapiMessageData {
 public:
  TMapiMessageData(const std::vector<std::string>& recipients, std::string_view subject,
                   std::string_view body, const std::vector<TDeliveryFile>& files);
  TMapiMessageData(const TMapiMessageData&) = delete;
  TMapiMessageData& operator=(const TMapiMessageData&) = delete;

  TMapiMessage* Message() { return &message_; }

 private:
  std::string subject_;
  std::string body_;
  std::vector<std::string> names_;
  std::vector<std::string> addresses_;
  std::vector<std::string> paths_;
  std::vector<std::string> fileNames_;
  std::vector<TMapiRecipient> recipients_;
  std::vector<TMapiFile> files_;
  TMapiMessage message_;
};
