#include "MailPeers.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::string Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
  }
  return out;
}

std::vector<std::string> Fields(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  for (std::string field; std::getline(stream, field, separator);) fields.push_back(field);
  return fields;
}

TReceivedMail ParseSession(const std::string& folder, const std::string& text) {
  TReceivedMail mail;
  std::stringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const auto colon = line.find(": ");
    if (colon == std::string::npos) continue;
    const std::string key = line.substr(0, colon);
    const std::string value = Unescaped(line.substr(colon + 2));
    if (key == "command") mail.Commands.push_back(value);
    if (key == "mail-from") mail.MailFrom = value;
    if (key == "rcpt-to") mail.Recipients.push_back(value);
    if (key == "message") mail.Raw = ReadBytes(folder + "\\" + value);
    if (key == "from-name") mail.FromName = value;
    if (key == "from-address") mail.FromAddress = value;
    if (key == "subject") mail.Subject = value;
    if (key == "to-address") mail.ToAddress = value;
    if (key == "text-encoding") mail.TextEncoding = value;
    if (key == "text") mail.Text = value;
    if (key == "attachment") {
      const std::vector<std::string> parts = Fields(value, '\t');
      if (parts.size() == 3) {
        mail.Attachments.push_back({parts[0], parts[1], ReadBytes(folder + "\\" + parts[2])});
      }
    }
  }
  return mail;
}

}  // namespace

std::uint16_t PeerPort(const char* name) {
  const char* value = std::getenv(name);
  return value ? static_cast<std::uint16_t>(std::atoi(value)) : 0;
}

std::string PeerText(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string JournalFolder(const std::string& name) {
  std::string path = "Z:" + PeerText("VIPC_PEER_JOURNAL") + "/" + name;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::vector<std::string> JournalEntries(const std::string& name) {
  std::vector<std::string> entries;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(JournalFolder(name), error)) {
    entries.push_back(entry.path().filename().string());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<TReceivedMail> ReceivedMails(const std::string& name, std::size_t skip) {
  const std::vector<std::string> entries = JournalEntries(name);
  std::vector<TReceivedMail> mails;
  for (std::size_t i = skip; i < entries.size(); ++i) {
    if (entries[i].ends_with("-session")) {
      mails.push_back(
          ParseSession(JournalFolder(name), ReadBytes(JournalFolder(name) + "\\" + entries[i])));
    }
  }
  return mails;
}

std::vector<std::string> TProgressJournal::Steps() const {
  std::vector<std::string> steps;
  std::copy_if(Lines.begin(), Lines.end(), std::back_inserter(steps),
               [](const std::string& line) { return !line.starts_with("bar "); });
  return steps;
}
