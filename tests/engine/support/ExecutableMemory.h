// Memory for hand-assembled routines: written while writable, then left
// execute-read like a module's code, so hooks must open it to patch it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>

class TExecutableMemory {
 public:
  explicit TExecutableMemory(std::size_t size = 4096);
  ~TExecutableMemory();
  TExecutableMemory(const TExecutableMemory&) = delete;
  TExecutableMemory& operator=(const TExecutableMemory&) = delete;

  std::uint8_t* At(std::size_t offset) const { return base_ + offset; }
  std::uint32_t AddressOf(std::size_t offset) const {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(At(offset)));
  }
  template <class Function>
  Function Routine(std::size_t offset) const {
    return reinterpret_cast<Function>(At(offset));
  }

  void Put(std::size_t offset, std::initializer_list<std::uint8_t> bytes);
  void Put32(std::size_t offset, std::uint32_t value);
  // Puts E8/E9 with the displacement to `destination` at `offset`.
  void PutRelative(std::size_t offset, std::uint8_t opcode, std::size_t destination);
  DWORD Protection(std::size_t offset) const;

 private:
  void Write(std::size_t offset, const void* bytes, std::size_t count);

  std::uint8_t* base_;
  std::size_t size_;
};

// A committed page that cannot be read, and the readable page before it.
class TReadableThenInaccessible {
 public:
  TReadableThenInaccessible();
  ~TReadableThenInaccessible();
  TReadableThenInaccessible(const TReadableThenInaccessible&) = delete;
  TReadableThenInaccessible& operator=(const TReadableThenInaccessible&) = delete;

  std::uint8_t* Readable() const { return base_; }
  std::uint8_t* Inaccessible() const { return base_ + 4096; }

 private:
  std::uint8_t* base_;
};
