#include "tests/mailclient/MailClientStandins.h"

#include "tests/support/ChildProcess.h"

namespace {

std::string WithZero(const std::string& text) {
  return std::string(text.c_str(), text.size() + 1);
}

bool RegistryKeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The keys of `path` and its parents that do not exist yet, deepest first.
std::vector<std::string> MissingKeys(HKEY root, std::string path) {
  std::vector<std::string> missing;
  while (!path.empty() && !RegistryKeyExists(root, path)) {
    missing.push_back(path);
    const std::size_t parent = path.rfind('\\');
    path.resize(parent == std::string::npos ? 0 : parent);
  }
  return missing;
}

void RemoveRegistryValue(HKEY root, const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

std::string ProgramFolderVariable() {
  return std::string("%") + kProgramFolderVariable + "%\\";
}

std::string StandinClientKey() {
  return std::string(kMailClientsKey) + "\\" + kStandinClient;
}

}  // namespace

RegistryValueOverride::RegistryValueOverride(HKEY root, std::string path, std::string name,
                                             std::optional<std::string> text, DWORD type)
    : root_(root),
      path_(std::move(path)),
      name_(std::move(name)),
      createdKeys_(MissingKeys(root_, path_)),
      before_(ReadRegistryValue(root_, path_, name_)) {
  if (text)
    WriteRegistryValue(root_, path_, name_, type, WithZero(*text));
  else
    RemoveRegistryValue(root_, path_, name_);
}

RegistryValueOverride::~RegistryValueOverride() {
  if (before_.exists)
    WriteRegistryValue(root_, path_, name_, before_.type, before_.data);
  else
    RemoveRegistryValue(root_, path_, name_);
  for (const std::string& key : createdKeys_) RegDeleteKeyA(root_, key.c_str());
}

EnvironmentOverride::EnvironmentOverride(std::string name, const std::string& value)
    : name_(std::move(name)) {
  char buffer[1024];
  const DWORD length = GetEnvironmentVariableA(name_.c_str(), buffer, sizeof(buffer));
  if (length && length < sizeof(buffer)) before_ = std::string(buffer, length);
  SetEnvironmentVariableA(name_.c_str(), value.c_str());
}

EnvironmentOverride::~EnvironmentOverride() {
  SetEnvironmentVariableA(name_.c_str(), before_ ? before_->c_str() : nullptr);
}

RegisteredMailClient::RegisteredMailClient(std::optional<std::string> dllPath, DWORD type)
    : name_(HKEY_CURRENT_USER, kMailClientsKey, "",
            dllPath ? std::optional<std::string>(kStandinClient) : std::nullopt) {
  if (dllPath)
    WriteRegistryValue(HKEY_CURRENT_USER, StandinClientKey(), "DLLPath", type, WithZero(*dllPath));
}

RegisteredMailClient RegisteredMailClient::Standin(const std::string& libraryFile) {
  return RegisteredMailClient(ProgramFolderVariable() + libraryFile, REG_EXPAND_SZ);
}

RegisteredMailClient RegisteredMailClient::AtPath(const std::string& dllPath) {
  return RegisteredMailClient(dllPath, REG_SZ);
}

RegisteredMailClient RegisteredMailClient::None() {
  return RegisteredMailClient(std::nullopt, REG_SZ);
}

RegisteredMailClient::~RegisteredMailClient() {
  DeleteRegistryTree(HKEY_CURRENT_USER, StandinClientKey());
}

RegisteredMailtoCommand::RegisteredMailtoCommand()
    : RegisteredMailtoCommand("\"" + ProgramFolderVariable() +
                              "mailclient_standin_mailto.exe\" \"%1\"") {}

RegisteredMailtoCommand::RegisteredMailtoCommand(const std::string& command)
    : command_(HKEY_CLASSES_ROOT, kMailtoCommandKey, "", command) {}

StandinSession::StandinSession(const std::string& mapiMode, const std::string& mailtoMode)
    : programs_(kProgramFolderVariable,
                ProgramFolder().substr(0, ProgramFolder().size() - 1)),  // without its final "\"
      mapiJournal_(kMapiJournalVariable, folder_.Path() + "mapi.journal"),
      mapiMode_(kMapiModeVariable, mapiMode),
      mailtoJournal_(kMailtoJournalVariable, folder_.Path() + "mailto.journal"),
      mailtoMode_(kMailtoModeVariable, mailtoMode) {}

TJournalLines StandinSession::MapiJournal() const {
  return ParseJournal(ReadFileBytes(folder_.Path() + "mapi.journal"));
}

TJournalLines StandinSession::MailtoJournal() const {
  return ParseJournal(ReadFileBytes(folder_.Path() + "mailto.journal"));
}

TJournalLines JournalOnceItHolds(const std::string& path, const std::string& key) {
  // A bound only against a writer that never comes.
  for (int attempt = 0; attempt < 600; ++attempt) {
    const TJournalLines lines = ParseJournal(ReadFileBytes(path));
    for (const auto& line : lines)
      if (line.first == key) return lines;
    Sleep(100);
  }
  return {};
}

std::vector<std::string> JournalValues(const TJournalLines& lines, const std::string& key) {
  std::vector<std::string> values;
  for (const auto& [lineKey, value] : lines)
    if (lineKey == key) values.push_back(value);
  return values;
}

std::string JournalValue(const TJournalLines& lines, const std::string& key) {
  const std::vector<std::string> values = JournalValues(lines, key);
  return values.size() == 1 ? values.front() : "(missing)";
}
