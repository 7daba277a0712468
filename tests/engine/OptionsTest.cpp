// The option object: defaults, setters, change batches, Assign, the filters
// and the customizable texts.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine/ECoreModules.h"
#include "engine/ECoreOptions.h"
#include "engine/ECoreServices.h"
#include "platform/runtime/Exception.h"
#include "tests/support/EngineEnvironment.h"
#include "tests/support/TempFolder.h"

namespace {

// Options of the current module that count their publications.
class TCountingOptions : public TDovaroModuleOptions {
 public:
  explicit TCountingOptions(TModuleHandle owner = CurrentModuleHandle())
      : TDovaroModuleOptions("counting.exe", owner) {}
  void Publish() override { ++published; }
  int published = 0;
};

}  // namespace

TEST(Options, NewObject_HoldsTheDefaults) {
  const TDovaroModuleOptions o;
  EXPECT_FALSE(o.BuildFlag());
  EXPECT_TRUE(o.ApplyFilters());
  EXPECT_EQ(o.LogFlags(), 0x30);
  EXPECT_TRUE(o.WriteLogFile());
  EXPECT_EQ(o.FreezeTimeoutSecs(), 60u);
  EXPECT_EQ(o.SmtpSender(), kDefaultSmtpSender);
  EXPECT_EQ(o.SmtpServerPort(), 25);
  EXPECT_EQ(o.TerminateAction(), 2);
  EXPECT_EQ(o.MaxLoggedErrors(), 32u);
  EXPECT_EQ(o.TerminateButtonAfter(), 3u);
  EXPECT_EQ(o.GeneralFieldsShown(), 0xFFFFFFFFFFFFu);
  EXPECT_EQ(o.SendFlags(), 0x0051);
  EXPECT_EQ(o.DialogFlags(), 0x018F);
  EXPECT_EQ(o.StackFlags(), 0x0F);
  EXPECT_EQ(o.BehaviourFlags(), 0x0058);
  EXPECT_EQ(o.LeakFlags(), 0x1E);
  EXPECT_EQ(o.CrashBurstAction(), 2);
  EXPECT_EQ(o.CrashBurstCount(), 10u);
  EXPECT_EQ(o.CrashBurstMinutes(), 1u);
  EXPECT_EQ(o.OutputFileFlags(), 1);
  EXPECT_EQ(o.DialogKind(), 2);
  EXPECT_EQ(o.ProxyServerPort(), 8080);
  EXPECT_EQ(o.TextsLanguage(), "English");
  EXPECT_TRUE(o.Enabled());
  EXPECT_EQ(o.Filters().Count(), 0);
  EXPECT_EQ(o.UpdateDepth(), 0);
  EXPECT_EQ(o.WebPageTemplate().substr(0, 16), "<html>\r\n  <head>");
  EXPECT_EQ(o.WebPageTemplate().substr(o.WebPageTemplate().size() - 9), "\r\n</html>");
  EXPECT_NE(o.WebPageTemplate().find("<%HTML_TAG%>"), std::string::npos);
}

TEST(Options, DefaultTexts_AreTheEnglishSet) {
  const TDovaroModuleOptions o;
  EXPECT_EQ(o.StoredText(0), "Information.");
  EXPECT_EQ(o.StoredText(4),
            "An error has occurred during program execution.\r\n"
            "Please read the following information for further details.");
  EXPECT_EQ(o.StoredText(36), "&Don't Send");
  EXPECT_EQ(o.StoredText(146),
            "These BUG is just closed.\r\nContact the program support to obtain an update.");
  EXPECT_EQ(o.StoredText(153), "");
  EXPECT_EQ(o.StoredText(156), "The application seems to be frozen.");
  EXPECT_EQ(o.StoredText(157), "Invalid email.");
  EXPECT_THROW(o.StoredText(158), EListError);
  EXPECT_THROW(o.StoredText(-1), EListError);
}

TEST(Options, MaxLoggedErrorsZero_StoresOne) {
  TDovaroModuleOptions o;
  o.SetMaxLoggedErrors(0);
  EXPECT_EQ(o.MaxLoggedErrors(), 1u);
  o.SetMaxLoggedErrors(2);
  EXPECT_EQ(o.MaxLoggedErrors(), 2u);
}

TEST(Options, GeneralFieldsShown_KeepsOnlyTheFortyEightItems) {
  TDovaroModuleOptions o;
  o.SetGeneralFieldsShown(~0ull);
  EXPECT_EQ(o.GeneralFieldsShown(), kAllGeneralFieldsShown);
}

TEST(Options, SettersOfTheCurrentModule_PublishOutsideABatchOnly) {
  TCountingOptions o;
  o.SetWebDelivery(6);
  o.SetText(3, "Oops");
  o.Filters().Add({});
  EXPECT_EQ(o.published, 3);
  o.BeginUpdate();
  o.BeginUpdate();
  o.SetDialogKind(1);
  o.SetSmtpServer("smtp");
  o.EndUpdate();
  EXPECT_EQ(o.published, 3) << "still inside the outer batch";
  o.EndUpdate();
  EXPECT_EQ(o.published, 4) << "the end of the batch publishes once";
}

TEST(Options, OptionsOfAnotherModule_AreNeverPublished) {
  TCountingOptions foreign(reinterpret_cast<TModuleHandle>(0x10000000));
  foreign.SetWebDelivery(6);
  TCountingOptions ownerless(nullptr);
  ownerless.SetWebDelivery(6);
  EXPECT_EQ(foreign.published + ownerless.published, 0);
}

TEST(Options, AssignNil_FailsWithTheConversionError) {
  TDovaroModuleOptions o;
  try {
    o.Assign(nullptr);
    FAIL() << "no exception";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "Impossible to assign nil as TDovaroModuleOptions.");
  }
}

TEST(Options, Assign_CopiesEveryStoredFieldButNotEnabledNorTheOwner) {
  TDovaroModuleOptions source("source.dll", reinterpret_cast<TModuleHandle>(0x10000000));
  source.SetWebDelivery(6);
  source.SetLeakFlags(0x01);
  source.SetTerminateAction(0);
  source.SetText(10, "Modules!");
  source.SetTextsLanguage("Deutsch");
  source.Filters().Add({true, "EOne", "m", 2, 3, 1, 0});
  source.SetEnabled(false);
  source.RequestedTerminateAction = 1;
  source.ReproduceNote = "steps";
  source.PostBuildSuccessCommand = "copy";

  TCountingOptions target;
  target.Filters().Add({true, "EOld", "", 0, 0, 0, 0});
  const int before = target.published;
  target.Assign(&source);
  EXPECT_TRUE(target.SameStoredValues(source));
  EXPECT_EQ(target.RequestedTerminateAction, 1);
  EXPECT_EQ(target.ReproduceNote, "steps");
  EXPECT_EQ(target.PostBuildSuccessCommand, "copy");
  EXPECT_TRUE(target.Enabled());
  EXPECT_EQ(target.ModulePath(), "counting.exe");
  EXPECT_EQ(target.OwnerModule(), CurrentModuleHandle());
  EXPECT_EQ(target.published - before, 1) << "one publication for the whole copy";
  EXPECT_EQ(target.UpdateDepth(), 0);
}

TEST(Options, AssignToItself_ChangesNothing) {
  TCountingOptions o;
  o.SetWebDelivery(3);
  const int before = o.published;
  o.Assign(&o);
  EXPECT_EQ(o.WebDelivery(), 3);
  EXPECT_EQ(o.published, before);
}

TEST(Options, SetDefaults_ClearsFiltersTextsAndTheReproduceNote) {
  TDovaroModuleOptions o;
  o.SetWebDelivery(6);
  o.SetText(0, "changed");
  o.Filters().Add({});
  o.ReproduceNote = "note";
  o.SetEnabled(false);
  o.SetDefaults();
  EXPECT_TRUE(o.SameStoredValues(TDovaroModuleOptions()));
  EXPECT_EQ(o.ReproduceNote, "");
  EXPECT_TRUE(o.Enabled());
}

TEST(Options, Filters_AddDeleteClearAndBadIndexes) {
  TCountingOptions o;
  o.Filters().Add({true, "EA", "", 0, 0, 0, 0});
  o.Filters().Add({true, "EB", "", 0, 0, 0, 0});
  o.Filters().Add({true, "EC", "", 0, 0, 0, 0});
  o.Filters().Delete(1);
  ASSERT_EQ(o.Filters().Count(), 2);
  EXPECT_EQ(o.Filters().Item(1).FilterClassName, "EC");
  EXPECT_THROW(o.Filters().Item(2), EListError);
  EXPECT_THROW(o.Filters().Delete(-1), EListError);
  o.Filters().Clear();
  EXPECT_EQ(o.Filters().Count(), 0);
  EXPECT_EQ(o.published, 5);
}

TEST(Options, Text_ExpandsVariables) {
  SetEnvironmentVariableA("_EngineTestName", "Brisole");
  TDovaroModuleOptions o;
  o.SetText(3, "Hello %_EngineTestName%, 100% sure in %cd%!");
  char folder[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, folder);
  EXPECT_EQ(o.Text(3), std::string("Hello Brisole, 100% sure in ") + folder + "!");
  EXPECT_EQ(o.StoredText(3), "Hello %_EngineTestName%, 100% sure in %cd%!");
  SetEnvironmentVariableA("_EngineTestName", nullptr);
}

namespace {

std::vector<bool> freezeWatchRequests;
void RecordFreezeWatch(bool run) {
  freezeWatchRequests.push_back(run);
}

}  // namespace

TEST(Options, CurrentModulesOptions_SwitchTheFreezeWatchOnChangesOnly) {
  TDovaroModuleInfo* self = CurrentModuleInfo();
  ASSERT_NE(self, nullptr);
  TestEngineContext().ControlFreezeWatch = RecordFreezeWatch;
  self->Options->SetFreezeWatch(true);   // enabled and watching: run
  self->Options->SetFreezeWatch(true);   // no change
  self->Options->SetEnabled(false);      // stop
  self->Options->SetEnabled(true);       // run again
  self->Options->SetFreezeWatch(false);  // stop
  TDovaroModuleOptionsEx other("other.dll", nullptr);
  other.SetFreezeWatch(true);  // not the current module's options
  TestEngineContext().ControlFreezeWatch = nullptr;
  EXPECT_EQ(freezeWatchRequests, (std::vector<bool>{true, false, true, false}));
}

TEST(Options, SaveToFileThenLoadFromFile_GivesEveryValueBack) {
  TempFolder folder;
  TDovaroModuleOptions saved;
  saved.SetWebDelivery(4);
  saved.Filters().Add({true, "EOne", "", 2, 3, 1, 0});
  saved.SetText(5, "Generale");
  saved.SaveToFile(folder.Path() + "options.bin");
  TDovaroModuleOptions loaded;
  loaded.LoadFromFile(folder.Path() + "options.bin");
  EXPECT_TRUE(loaded.SameStoredValues(saved));
  EXPECT_THROW(loaded.LoadFromFile(folder.Path() + "missing.bin"), EInOutError);
  EXPECT_THROW(saved.SaveToFile(folder.Path() + "no\\such\\folder\\x.bin"), EInOutError);
}
