#include "platform/runtime/Registry.h"

#include "platform/runtime/Exception.h"

void TRegistry::SetRootKey(HKEY root) {
  CloseKey();
  root_ = root;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
  const bool fromRoot = current_ == nullptr || (!path.empty() && path.front() == '\\');
  const std::string relative = (!path.empty() && path.front() == '\\') ? path.substr(1) : path;
  HKEY parent = fromRoot ? root_ : current_;
  HKEY opened = nullptr;
  LONG result;
  if (canCreate) {
    DWORD disposition = 0;
    result = RegCreateKeyExA(parent, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_,
                             nullptr, &opened, &disposition);
  } else {
    result = RegOpenKeyExA(parent, relative.c_str(), 0, access_, &opened);
  }
  if (result != ERROR_SUCCESS) return false;
  CloseKey();
  current_ = opened;
  return true;
}

void TRegistry::CloseKey() {
  if (current_) RegCloseKey(current_);
  current_ = nullptr;
}

void TRegistry::PutData(const std::string& name, DWORD type, const void* data, DWORD size) {
  if (!current_ || RegSetValueExA(current_, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                                  size) != ERROR_SUCCESS) {
    throw ERegistryException("Failed to set data for '" + name + "'");
  }
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  PutData(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteBool(const std::string& name, bool value) {
  WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteInteger(const std::string& name, DWORD value) {
  PutData(name, REG_DWORD, &value, sizeof value);
}
