// Registry keys opened one at a time, as the runtime library's registry
// object does: a root, the current key, and typed value writes.
#pragma once

#include <windows.h>

#include <string>

class TRegistry {
 public:
  explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) : access_(access) {}
  ~TRegistry() { CloseKey(); }
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  void SetRootKey(HKEY root);
  HKEY RootKey() const { return root_; }
  HKEY CurrentKey() const { return current_; }

  // Opens `path` (a leading "\" means from the root, as does a path given
  // while no key is open), creating it when missing and `canCreate` is set.
  // False when the key cannot be opened or created.
  bool OpenKey(const std::string& path, bool canCreate);
  // Closes the current key (without an explicit flush).
  void CloseKey();

  // Raise ERegistryException("Failed to set data for '<name>'") when the
  // value cannot be written. Strings are REG_SZ with the terminating zero
  // counted; Booleans a 4-byte REG_DWORD.
  void WriteString(const std::string& name, const std::string& value);
  void WriteBool(const std::string& name, bool value);
  void WriteInteger(const std::string& name, DWORD value);

 private:
  void PutData(const std::string& name, DWORD type, const void* data, DWORD size);

  REGSAM access_;
  HKEY root_ = HKEY_CURRENT_USER;
  HKEY current_ = nullptr;
};
