#include "delivery/EMailClientMapiMessage.h"

#include "delivery/ESocketsMail.h"
#include "platform/runtime/PathText.h"

std::optional<std::string> RecipientTooLongForMapi(const std::vector<std::string>& recipients) {
  for (const std::string& recipient : recipients)
    if (recipient.size() > kMapiLongestAddress) return recipient;
  return std::nullopt;
}

TMapiMessageData::TMapiMessageData(const std::vector<std::string>& recipients,
                                   std::string_view subject, std::string_view body,
                                   const std::vector<TDeliveryFile>& files)
    : subject_(CleanHeaderText(subject)), body_(body), names_(recipients) {
  // Every text is in place before a record points into it.
  for (const std::string& recipient : recipients)
    addresses_.push_back(std::string(kMapiAddressPrefix) + recipient);
  for (const TDeliveryFile& file : files) {
    paths_.push_back(file.Path);
    fileNames_.push_back(file.ShownName.empty() ? ExtractFileName(file.Path) : file.ShownName);
  }
  recipients_.resize(names_.size());
  for (std::size_t i = 0; i < names_.size(); ++i) {
    recipients_[i].RecipientClass = kMapiTo;
    recipients_[i].Name = names_[i].data();
    recipients_[i].Address = addresses_[i].data();
  }
  files_.resize(paths_.size());
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    files_[i].Position = kMapiNoPosition;
    files_[i].PathName = paths_[i].data();
    files_[i].FileName = fileNames_[i].data();
  }
  message_.Subject = subject_.data();
  message_.NoteText = body_.data();
  message_.RecipientCount = static_cast<std::uint32_t>(recipients_.size());
  message_.Recipients = recipients_.empty() ? nullptr : recipients_.data();
  message_.FileCount = static_cast<std::uint32_t>(files_.size());
  message_.Files = files_.empty() ? nullptr : files_.data();
}
