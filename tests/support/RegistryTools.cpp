#include "tests/support/RegistryTools.h"

#include <aclapi.h>

#include <stdexcept>

namespace {

void SetEveryoneAccess(HKEY key, DWORD access) {
  EXPLICIT_ACCESSA entry{};
  entry.grfAccessPermissions = access;
  entry.grfAccessMode = SET_ACCESS;
  entry.grfInheritance = NO_INHERITANCE;
  entry.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  entry.Trustee.ptstrName = const_cast<char*>("EVERYONE");
  PACL acl = nullptr;
  if (SetEntriesInAclA(1, &entry, nullptr, &acl) != ERROR_SUCCESS)
    throw std::runtime_error("SetEntriesInAcl");
  const DWORD result = SetSecurityInfo(
      key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
      nullptr, nullptr, acl, nullptr);
  LocalFree(acl);
  if (result != ERROR_SUCCESS) throw std::runtime_error("SetSecurityInfo");
}

}  // namespace

RegistryValue ReadRegistryValue(HKEY root, const std::string& path, const std::string& name) {
  RegistryValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    RegQueryValueExA(key, name.c_str(), nullptr, &value.type,
                     reinterpret_cast<BYTE*>(value.data.data()), &size);
    value.exists = true;
  }
  RegCloseKey(key);
  return value;
}

void WriteRegistryValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                        const std::string& data) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    throw std::runtime_error("cannot create " + path);
  }
  const LONG result =
      RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                     static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) throw std::runtime_error("cannot write " + name);
}

void DeleteRegistryTree(HKEY root, const std::string& path) {
  RegDeleteTreeA(root, path.c_str());
}

ReadOnlyRegistryKey::ReadOnlyRegistryKey(HKEY root, std::string path)
    : root_(root), path_(std::move(path)) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot create " + path_);
  }
  SetEveryoneAccess(key, KEY_READ | WRITE_DAC | DELETE);
  RegCloseKey(key);
}

ReadOnlyRegistryKey::~ReadOnlyRegistryKey() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root_, path_.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
    SetEveryoneAccess(key, KEY_ALL_ACCESS);
    RegCloseKey(key);
  }
  DeleteRegistryTree(root_, path_);
}
