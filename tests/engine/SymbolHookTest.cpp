// Hooks by SymbolID and by export name.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine/EHook.h"
#include "tests/engine/support/ExecutableMemory.h"
#include "tests/engine/support/HookUnitScope.h"
#include "tests/engine/support/ProbeDll.h"

namespace {

using TArgumentRoutine = int (*)(int);
using TAddRoutine = int (*)(int, int);

TExecutableMemory* symbolCode = nullptr;
TArgumentRoutine symbolTrampoline = nullptr;
TAddRoutine addTrampoline = nullptr;

// SymbolID 0 is an increment routine, 7 a routine too short to hook.
void* FindTestSymbol(std::uint8_t symbolId) {
  if (symbolId == 0) return symbolCode->At(0);
  if (symbolId == 7) return symbolCode->At(0x40);
  return nullptr;
}

int Doubled(int value) {
  return 2 * symbolTrampoline(value);
}

int AddThenNegate(int a, int b) {
  return -addTrampoline(a, b);
}

}  // namespace

TEST(SymbolHook, SymbolInTheTable_IsHookedAndAMissingOneGivesNone) {
  TExecutableMemory code;
  THookUnitScope unit;
  symbolCode = &code;
  code.Put(0, {0x8B, 0x44, 0x24, 0x04, 0x83, 0xC0, 0x01, 0xC3});
  code.Put(0x40, {0x31, 0xC0, 0xC3, 0x55, 0x89, 0xE5});

  symbolTrampoline = reinterpret_cast<TArgumentRoutine>(
      HookSymbol(0, reinterpret_cast<void*>(&Doubled), &FindTestSymbol));
  ASSERT_NE(symbolTrampoline, nullptr);
  EXPECT_EQ(code.Routine<TArgumentRoutine>(0)(3), 8);
  EXPECT_EQ(HookSymbol(3, reinterpret_cast<void*>(&Doubled), &FindTestSymbol), nullptr);
  try {
    HookSymbol(7, reinterpret_cast<void*>(&Doubled), &FindTestSymbol);
    ADD_FAILURE() << "a routine too short was hooked";
  } catch (const EHookingError& failure) {
    EXPECT_STREQ(failure.what(), "Cannot hook the procedure \"SymbolID = 7\".");
  }
}

TEST(SymbolHook, ModuleWithoutASymbolTable_GivesNone) {
  THookUnitScope unit;  // this test program carries no engine data, so no SymbolTable
  EXPECT_EQ(HookSymbol(0, reinterpret_cast<void*>(&Doubled)), nullptr);
}

TEST(SymbolHook, ExportOfALoadedPackage_IsFoundHookedOrJustReturned) {
  TProbeDll probe;
  THookUnitScope unit;
  void* const address = probe.Export("ProbeAdd");
  ASSERT_NE(address, nullptr);
  EXPECT_EQ(HookExport(nullptr, "hook_import_probe.dll", "ProbeAdd", nullptr), address);
  EXPECT_EQ(HookExport(nullptr, "hook_import_probe.dll", "NoSuchExport", nullptr), nullptr);
  EXPECT_EQ(HookExport(nullptr, "not_loaded_anywhere.bpl", "ProbeAdd", nullptr), nullptr);
  EXPECT_EQ(HookExport(nullptr, "", "ProbeAdd", nullptr), nullptr);
  EXPECT_EQ(HookExport(nullptr, "not_loaded_anywhere.bpl", "ProbeAdd",
                       reinterpret_cast<void*>(&AddThenNegate)),
            nullptr)
      << "nothing to hook is no failure";

  addTrampoline = reinterpret_cast<TAddRoutine>(HookExport(
      nullptr, "hook_import_probe.dll", "ProbeAdd", reinterpret_cast<void*>(&AddThenNegate)));
  ASSERT_NE(addTrampoline, nullptr);
  EXPECT_EQ(reinterpret_cast<TAddRoutine>(address)(2, 3), -5);
  EXPECT_EQ(addTrampoline(2, 3), 5);
}

TEST(SymbolHook, ExportGivenByAddress_IsHookedUnderItsName) {
  TExecutableMemory code;
  THookUnitScope unit;
  code.Put(0, {0x31, 0xC0, 0xC3, 0x55, 0x89, 0xE5});
  try {
    HookExport(code.At(0), nullptr, "EndOfExcept", reinterpret_cast<void*>(&Doubled));
    ADD_FAILURE() << "a routine too short was hooked";
  } catch (const EHookingError& failure) {
    EXPECT_STREQ(failure.what(), "Cannot hook the procedure \"EndOfExcept\".");
  }
  EXPECT_EQ(HookExport(code.At(0), nullptr, nullptr, nullptr), code.At(0));
}
