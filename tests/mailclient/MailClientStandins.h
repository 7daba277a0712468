// The stand-in mail programs registered for one test, and everything put
// back afterwards: the current user's mail client (its name under
// "SOFTWARE\Clients\Mail" and its "DLLPath"), the "mailto" command of
// HKEY_CLASSES_ROOT, the environment the stand-ins read, and their journals.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/mailclient/standin/StandinJournal.h"
#include "tests/support/RegistryTools.h"
#include "tests/support/TempFolder.h"

// A registry value set (or removed, with no value given) for the life of
// the object; the value before is put back, or removed when there was none
// (with the keys the object created, while they are empty).
class RegistryValueOverride {
 public:
  RegistryValueOverride(HKEY root, std::string path, std::string name,
                        std::optional<std::string> text, DWORD type = REG_SZ);
  ~RegistryValueOverride();
  RegistryValueOverride(const RegistryValueOverride&) = delete;
  RegistryValueOverride& operator=(const RegistryValueOverride&) = delete;

 private:
  HKEY root_;
  std::string path_, name_;
  std::vector<std::string> createdKeys_;  // deepest first
  RegistryValue before_;
};

// An environment variable of this process (seen by the stand-in library and
// inherited by the stand-in program) for the life of the object.
class EnvironmentOverride {
 public:
  EnvironmentOverride(std::string name, const std::string& value);
  ~EnvironmentOverride();
  EnvironmentOverride(const EnvironmentOverride&) = delete;
  EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

 private:
  std::string name_;
  std::optional<std::string> before_;
};

inline constexpr char kMailClientsKey[] = "SOFTWARE\\Clients\\Mail";
inline constexpr char kStandinClient[] = "VipcStandinMail";
inline constexpr char kMailtoCommandKey[] = "mailto\\shell\\open\\command";
// Holds this program's folder, so registered paths use a variable.
inline constexpr char kProgramFolderVariable[] = "VIPC_MAILCLIENT_PROGRAMS";

// The current user's mail client: the stand-in library `libraryFile` (a
// name beside this program, registered through kProgramFolderVariable), a
// full path, or none at all (the machine's client applies).
class RegisteredMailClient {
 public:
  static RegisteredMailClient Standin(const std::string& libraryFile);
  static RegisteredMailClient AtPath(const std::string& dllPath);
  static RegisteredMailClient None();
  ~RegisteredMailClient();
  RegisteredMailClient(RegisteredMailClient&&) = delete;

 private:
  RegisteredMailClient(std::optional<std::string> dllPath, DWORD type);
  RegistryValueOverride name_;
};

// The "mailto" command of HKEY_CLASSES_ROOT: the stand-in program with "%1"
// (through kProgramFolderVariable), or any command.
class RegisteredMailtoCommand {
 public:
  RegisteredMailtoCommand();
  explicit RegisteredMailtoCommand(const std::string& command);

 private:
  RegistryValueOverride command_;
};

// The stand-ins' journals in a fresh folder, their modes, and the program
// folder variable, for one test.
class StandinSession {
 public:
  StandinSession(const std::string& mapiMode, const std::string& mailtoMode);

  TJournalLines MapiJournal() const;
  TJournalLines MailtoJournal() const;
  const std::string& Folder() const { return folder_.Path(); }

 private:
  TempFolder folder_;
  EnvironmentOverride programs_, mapiJournal_, mapiMode_, mailtoJournal_, mailtoMode_;
};

// The journal at `path` once it holds `key` (its writer may start after the
// caller returned); empty when it never does.
TJournalLines JournalOnceItHolds(const std::string& path, const std::string& key);
// The values of `key`, in journal order.
std::vector<std::string> JournalValues(const TJournalLines& lines, const std::string& key);
// The single value of `key`, or "(missing)".
std::string JournalValue(const TJournalLines& lines, const std::string& key);
