// A module made of files and image bytes in memory, for the debug sources'
// tests: a file name, files beside it, and an image buffer at a handle.
#pragma once

#include <cstring>
#include <map>

#include "debuginfo/EDebugSource.h"

class FakeModuleAccess : public TModuleAccess {
 public:
  static constexpr std::uintptr_t kHandle = 0x00400000;
  static constexpr std::uintptr_t kCodeBase = kHandle + 0x1000;

  std::string FileName = "C:\\fixture\\Module.dll";
  std::map<std::string, std::string> Files;
  std::string Image;  // bytes from kHandle on

  std::string ModuleFileName(std::uintptr_t) const override { return FileName; }
  std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) const override {
    auto it = Files.find(path);
    if (it == Files.end()) return std::nullopt;
    return std::vector<std::uint8_t>(it->second.begin(), it->second.end());
  }
  bool ReadMemory(std::uintptr_t address, void* buffer, std::size_t length) const override {
    if (address < kHandle || address - kHandle > Image.size() ||
        length > Image.size() - (address - kHandle)) {
      return false;
    }
    std::memcpy(buffer, Image.data() + (address - kHandle), length);
    return true;
  }
};
