// The live memory reader (readability by region) and following indirect-jump
// thunks, on real pages of this process.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "engine/ECoreMemory.h"
#include "tests/engine/support/ExecutableMemory.h"

namespace {

bool IsReadable(const void* address, std::size_t length) {
  return LiveMemory().IsReadable(AddressOf(address), length);
}

std::size_t ReadableLength(const void* address, std::size_t limit) {
  return LiveMemory().ReadableLength(AddressOf(address), limit);
}

}  // namespace

TEST(ECoreMemory, Readability_FollowsTheRegionsOfTheProcess) {
  TReadableThenInaccessible pages;
  const int onTheStack = 0;
  EXPECT_TRUE(IsReadable(&onTheStack, sizeof onTheStack));
  EXPECT_TRUE(IsReadable(reinterpret_cast<void*>(&ReadableLength), 64)) << "code";
  EXPECT_FALSE(IsReadable(nullptr, 1));
  EXPECT_FALSE(IsReadable(pages.Inaccessible(), 1));
  EXPECT_TRUE(IsReadable(pages.Readable(), 4096));
  EXPECT_FALSE(IsReadable(pages.Readable() + 4000, 97)) << "runs into the no-access page";
  EXPECT_EQ(ReadableLength(pages.Readable() + 4000, 500), 96u);
  EXPECT_TRUE(IsReadable(pages.Inaccessible(), 0));
}

TEST(ECoreMemory, GuardPage_IsNotReadable) {
  void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE | PAGE_GUARD);
  ASSERT_NE(page, nullptr);
  EXPECT_FALSE(IsReadable(page, 1));
  VirtualFree(page, 0, MEM_RELEASE);
}

TEST(ECoreMemory, Read_CopiesUpToTheUnreadablePage) {
  TReadableThenInaccessible pages;
  unsigned char buffer[16];
  std::memset(buffer, 0, sizeof buffer);
  EXPECT_EQ(LiveMemory().Read(AddressOf(pages.Readable() + 4090), buffer, sizeof buffer), 6u);
  EXPECT_EQ(buffer[5], 0x90);
  EXPECT_EQ(buffer[6], 0);
}

TEST(ECoreMemory, FollowJump_LeadsThroughAReadableThunkOnly) {
  TExecutableMemory code;
  code.Put(0, {0xFF, 0x25});
  code.Put32(2, code.AddressOf(0x20));
  code.Put32(0x20, code.AddressOf(0x40));
  EXPECT_EQ(FollowJump(code.At(0)), code.At(0x40));
  EXPECT_EQ(FollowJump(code.At(0x40)), code.At(0x40)) << "no thunk";
  EXPECT_EQ(FollowJump(nullptr), nullptr);

  TReadableThenInaccessible pages;
  code.Put32(2, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pages.Inaccessible())));
  EXPECT_EQ(FollowJump(code.At(0)), code.At(0)) << "the pointer is not readable";
  std::uint8_t* const edge = pages.Readable() + 4096 - 6;
  std::memcpy(edge, "\xFF\x25", 2);
  const auto pointer = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(code.At(0x20)));
  std::memcpy(edge + 2, &pointer, 4);
  EXPECT_EQ(FollowJump(edge), edge) << "fewer than 8 readable bytes at the thunk";
}
