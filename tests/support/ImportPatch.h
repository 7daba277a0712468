// Points one import slot of a loaded module at a replacement for the life of
// the object: the narrow seam through which a test makes a system call fail
// inside the real DLL without changing the DLL.
#pragma once

#include <windows.h>

class ImportPatch {
 public:
  // `dllName` compares without regard to case. Throws std::runtime_error
  // when the module does not import the function by name.
  ImportPatch(HMODULE module, const char* dllName, const char* function, void* replacement);
  ~ImportPatch();
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

  void* Original() const { return original_; }

 private:
  void** slot_ = nullptr;
  void* original_ = nullptr;
};
