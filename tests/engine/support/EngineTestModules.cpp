#include "tests/engine/support/EngineTestModules.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/ECoreOptionStream.h"
#include "engine/ECoreSharedArea.h"
#include "tests/support/ChildProcess.h"

TLoadedModule::TLoadedModule(const std::string& fileName)
    : module_(LoadLibraryA(fileName.c_str())) {
  if (!module_) throw std::runtime_error("cannot load " + fileName);
}

TLoadedModule::~TLoadedModule() {
  FreeLibrary(module_);
}

std::optional<std::string> PublishedOptionsError(HMODULE module, TDovaroModuleOptions& options) {
  const auto payload = ReadSharedOptionsArea(module, GetCurrentProcessId());
  if (!payload) return "no shared options area";
  if (payload->empty() || (*payload)[0] != 1) return "the area holds no options";
  try {
    TByteReader reader(std::span<const std::uint8_t>(*payload).subspan(1));
    options.LoadFromStream(reader, kEngineDataVersion);
  } catch (const std::exception& error) {
    return std::string("the area's options cannot be read: ") + error.what();
  }
  return std::nullopt;
}

void ExpectInstallerOptions(const TDovaroModuleOptions& o) {
  EXPECT_EQ(o.WebDelivery(), 6);
  EXPECT_EQ(o.WebServerPort(), 80u);
  EXPECT_EQ(o.MailDelivery(), 0);
  EXPECT_EQ(o.SendFlags(), 0x0055);
  EXPECT_EQ(o.DialogFlags(), 0x018F);
  EXPECT_EQ(o.DialogKind(), 2);
  EXPECT_EQ(o.BehaviourFlags(), 0x0018);
  EXPECT_EQ(o.LogFlags(), 0x38);
  EXPECT_EQ(o.StackFlags(), 0x0F);
  EXPECT_EQ(o.LeakFlags(), 0x1E);
  EXPECT_EQ(o.CrashBurstCount(), 20u);
  EXPECT_FALSE(o.FreezeWatch());
  EXPECT_EQ(o.MaxLoggedErrors(), 32u);
  ASSERT_EQ(o.Filters().Count(), 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const TDovaroExceptionFilter& filter = o.Filters().Item(i);
    EXPECT_TRUE(filter.FilterEnabled);
    EXPECT_FALSE(filter.FilterClassName.empty());
    EXPECT_EQ(filter.FilterScope, 2);
    EXPECT_EQ(filter.FilterDialog, 3);
    EXPECT_EQ(filter.FilterHandler, 1);
    EXPECT_EQ(filter.FilterAfterAction, 0);
  }
}

std::string BesideTests(const std::string& name) {
  return ProgramFolder() + name;
}
