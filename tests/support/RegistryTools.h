// Registry helpers for tests: read values back, remove keys, and deny write
// access to a key for real through its security descriptor.
#pragma once

#include <windows.h>

#include <string>

struct RegistryValue {
  bool exists = false;
  DWORD type = 0;
  std::string data;  // the raw bytes, terminating zero included for strings
};

RegistryValue ReadRegistryValue(HKEY root, const std::string& path, const std::string& name);
// Writes a value of `type` with the raw bytes `data` (a text's terminating
// zero included by the caller), creating the key when missing.
void WriteRegistryValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                        const std::string& data);
// Removes the key and everything below it; a missing key is fine.
void DeleteRegistryTree(HKEY root, const std::string& path);

// Creates the key and lets everyone read it but not write it, until the
// object goes away (then the key is removed).
class ReadOnlyRegistryKey {
 public:
  ReadOnlyRegistryKey(HKEY root, std::string path);
  ~ReadOnlyRegistryKey();
  ReadOnlyRegistryKey(const ReadOnlyRegistryKey&) = delete;
  ReadOnlyRegistryKey& operator=(const ReadOnlyRegistryKey&) = delete;

 private:
  HKEY root_;
  std::string path_;
};
