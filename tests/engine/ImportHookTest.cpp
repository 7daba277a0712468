// Import hooks on a real DLL: hook_import_probe.dll calls kernel32's
// GetTickCount through its import table.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "engine/EHook.h"
#include "tests/engine/support/HookUnitScope.h"
#include "tests/engine/support/ProbeDll.h"

namespace {

constexpr DWORD kFakeTickCount = 0x12345678;
int replacementCalls = 0;

DWORD WINAPI FakeTickCount() {
  ++replacementCalls;
  return kFakeTickCount;
}

const std::vector<std::string> kProbeOnly = {"hook_import_probe.dll"};

void* RealTickCount() {
  return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount"));
}

}  // namespace

TEST(ImportHook, KernelRoutineImportedByADll_GoesToTheReplacementUntilUndone) {
  TProbeDll probe;
  THookUnitScope unit;
  void* replaced = nullptr;
  replacementCalls = 0;

  EXPECT_TRUE(HookImport(kProbeOnly, "kernel32.dll", false, replaced,
                         reinterpret_cast<void*>(&FakeTickCount), "GetTickCount"));
  EXPECT_EQ(replaced, RealTickCount()) << "the replaced address is the real routine";
  EXPECT_EQ(probe.TickCount(), kFakeTickCount);
  EXPECT_EQ(replacementCalls, 1);
  EXPECT_NE(GetTickCount(), kFakeTickCount) << "the test program's own import is not in the list";

  UndoImportHooks();
  EXPECT_NE(probe.TickCount(), kFakeTickCount);
  EXPECT_EQ(replacementCalls, 1);
  EXPECT_TRUE(HookImport(kProbeOnly, "KERNEL32.DLL", true, replaced,
                         reinterpret_cast<void*>(&FakeTickCount), "GetTickCount"))
      << "the slot holds the real routine again; module names compare without case";
}

TEST(ImportHook, UnitEnd_WritesTheReplacedRoutineBack) {
  TProbeDll probe;
  {
    THookUnitScope unit;
    void* replaced = nullptr;
    ASSERT_TRUE(HookImport(kProbeOnly, "kernel32.dll", true, replaced,
                           reinterpret_cast<void*>(&FakeTickCount), "GetTickCount"));
    ASSERT_EQ(probe.TickCount(), kFakeTickCount);
  }
  EXPECT_NE(probe.TickCount(), kFakeTickCount);
}

TEST(ImportHook, RoutineTheModuleDoesNotImport_IsFalseSilentlyAndAnErrorOtherwise) {
  TProbeDll probe;
  THookUnitScope unit;
  void* replaced = nullptr;
  EXPECT_FALSE(HookImport(kProbeOnly, "kernel32.dll", true, replaced,
                          reinterpret_cast<void*>(&FakeTickCount), "Beep"));
  EXPECT_EQ(replaced, GetProcAddress(GetModuleHandleA("kernel32.dll"), "Beep"));
  try {
    HookImport(kProbeOnly, "kernel32.dll", false, replaced, reinterpret_cast<void*>(&FakeTickCount),
               "Beep");
    ADD_FAILURE() << "nothing was patched, yet no error";
  } catch (const EHookingError& failure) {
    EXPECT_STREQ(failure.what(), "Cannot hook the procedure \"kernel32.dll.Beep\".");
  }
}

TEST(ImportHook, EmptyAndUnloadedModuleNames_AreSkipped) {
  TProbeDll probe;
  THookUnitScope unit;
  void* replaced = nullptr;
  const std::vector<std::string> modules = {"", "not_loaded_anywhere.dll", "hook_import_probe.dll"};
  EXPECT_TRUE(HookImport(modules, "kernel32.dll", true, replaced,
                         reinterpret_cast<void*>(&FakeTickCount), "GetTickCount"));
  EXPECT_EQ(probe.TickCount(), kFakeTickCount);
  const std::vector<std::string> none = {"", "not_loaded_anywhere.dll"};
  EXPECT_FALSE(HookImport(none, "kernel32.dll", true, replaced,
                          reinterpret_cast<void*>(&FakeTickCount), "GetTickCount"));
}
