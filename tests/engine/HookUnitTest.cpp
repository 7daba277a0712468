// The hook unit's start and end: the end undoes import patches, method hooks
// and code hooks together.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "engine/EHook.h"
#include "tests/engine/support/ExecutableMemory.h"
#include "tests/engine/support/ProbeDll.h"
#include "tests/engine/support/VirtualCounter.h"

namespace {

int __attribute__((thiscall)) Seven(const TCounter*) {
  return 7;
}

int Negate(int value) {
  return -value;
}

DWORD WINAPI FixedTickCount() {
  return 5;
}

using TArgumentRoutine = int (*)(int);

}  // namespace

TEST(HookUnit, End_UndoesImportPatchesMethodHooksAndCodeHooks) {
  const TProbeDll probe;
  TExecutableMemory code;
  code.Put(0, {0x8B, 0x44, 0x24, 0x04, 0x83, 0xC0, 0x01, 0xC3});
  const auto routine = code.Routine<TArgumentRoutine>(0);
  const TCounter counter;

  // No ASSERT while the unit runs: the unit must end whatever happens.
  EHookInit();
  EHookInit();  // a second start keeps the lists
  void* replaced = nullptr;
  const std::vector<std::string> modules = {"hook_import_probe.dll"};
  EXPECT_TRUE(HookImport(modules, "kernel32.dll", true, replaced,
                         reinterpret_cast<void*>(&FixedTickCount), "GetTickCount"));
  HookVirtualMethod(MethodTableOf(counter), VirtualMethodSlot(&TCounter::Value),
                    reinterpret_cast<void*>(&Seven));
  HookProcedure(routine, &Negate, "Increment");
  EXPECT_EQ(probe.TickCount(), 5u);
  EXPECT_EQ(CallValue(counter), 7);
  EXPECT_EQ(routine(1), -1);

  EHookDone();
  EXPECT_NE(probe.TickCount(), 5u);
  EXPECT_EQ(CallValue(counter), 1);
  EXPECT_EQ(routine(1), 2);
  EXPECT_THROW(HookProcedure(routine, &Negate, "Increment"), EHookingError);
  EXPECT_THROW(HookImport(modules, "kernel32.dll", true, replaced,
                          reinterpret_cast<void*>(&FixedTickCount), "GetTickCount"),
               EHookingError);
  EHookDone();  // ending an ended unit changes nothing

  EHookInit();
  EXPECT_NE(HookProcedure(routine, &Negate, "Increment"), nullptr) << "started again";
  EHookDone();
}
