// What the mail tests see of the peers their driver started: the ports it
// put in the environment, the reason a peer is missing, and the journals.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "delivery/ESendProgress.h"

// The port in environment variable `name`; 0 when it is not set.
std::uint16_t PeerPort(const char* name);
// The text of environment variable `name`; empty when it is not set.
std::string PeerText(const char* name);

// The Windows path of the journal folder `name` of this run.
std::string JournalFolder(const std::string& name);
// The journal's file names (like "0003-session"), in order of arrival.
std::vector<std::string> JournalEntries(const std::string& name);
std::string ReadBytes(const std::string& path);

struct TReceivedAttachment {
  std::string Name, Type, Bytes;
};

// A message an SMTP peer accepted, as its session entry tells.
struct TReceivedMail {
  std::vector<std::string> Commands;
  std::string MailFrom;
  std::vector<std::string> Recipients;
  std::string Raw;  // the message as it arrived, dots unstuffed
  std::string FromName, FromAddress, Subject, ToAddress, TextEncoding, Text;
  std::vector<TReceivedAttachment> Attachments;
};

// The messages of journal `name` that arrived after its first `skip`
// entries.
std::vector<TReceivedMail> ReceivedMails(const std::string& name, std::size_t skip = 0);

// A progress window that writes down what it is told, one line each:
// "text 114", "counter 1/2", "reset", "bar 37", "close".
class TProgressJournal : public ISendProgress {
 public:
  void ShowText(int textNumber) override { Lines.push_back("text " + std::to_string(textNumber)); }
  void SetCounter(int number, int count) override {
    Lines.push_back("counter " + std::to_string(number) + "/" + std::to_string(count));
  }
  void ResetBar() override { Lines.push_back("reset"); }
  void SetBar(int position) override { Lines.push_back("bar " + std::to_string(position)); }
  void Close() override { Lines.push_back("close"); }

  // The lines without the bar's positions.
  std::vector<std::string> Steps() const;
  std::vector<std::string> Lines;
};
