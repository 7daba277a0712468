// A module made of files and image bytes in memory, for the debug sources'
// tests: a file name, files beside it, and an image buffer at a handle.
#pragma once

#include <cstring>
#include <map>

#include "debuginfo/EDebugSource.h"
#include "tests/support/FabricatedMemory.h"

class FakeModuleAccess : public TModuleAccess {
 public:
  static constexpr std::uintptr_t kHandle = 0x00400000;
  static constexpr std::uintptr_t kCodeBase = kHandle + 0x1000;

  std::string FileName = "C:\\fixture\\Module.dll";
  std::map<std::string, std::string> Files;
  // The image's bytes from kHandle on.
  void SetImage(std::string_view image) {
    memory_ = TFabricatedMemory();
    memory_.Put(kHandle, image);
  }

  std::string ModuleFileName(std::uintptr_t) const override { return FileName; }
  std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) const override {
    auto it = Files.find(path);
    if (it == Files.end()) return std::nullopt;
    return std::vector<std::uint8_t>(it->second.begin(), it->second.end());
  }
  const TMemoryReader& Memory() const override { return memory_; }

 private:
  TFabricatedMemory memory_;
};
