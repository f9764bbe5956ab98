// Writing the registry while Windows programs run in the prefix: asked
// first, ended only on Yes, and nothing written on No.

#include <gtest/gtest.h>

#include "config/SettingsFile.h"
#include "app/SettingsForm.h"
#include "app/WineGate.h"
#include "platform/HostPath.h"
#include "support/TestEnvironment.h"

using namespace app;
using platform::Answer;
using testing_support::TempDir;
using testing_support::TestPlatform;

TEST(WineGate, AsksBeforeEndingWineAndEndsItOnlyOnYes) {
    TempDir dir;
    TestPlatform t(dir.path());

    // Nothing runs: no question.
    EXPECT_TRUE(MayWriteRegistry(t.services));
    EXPECT_TRUE(t.dialogs.messages.empty());

    t.wine.isRunning = true;
    t.dialogs.answers = {Answer::No};
    EXPECT_FALSE(MayWriteRegistry(t.services));
    ASSERT_EQ(t.dialogs.messages.size(), 1u);
    EXPECT_EQ(t.dialogs.messages[0].text, WineRunningQuestion(t.env.winePrefix));
    EXPECT_NE(t.dialogs.messages[0].text.find(t.env.winePrefix), std::string::npos);
    EXPECT_EQ(t.dialogs.messages[0].buttons, platform::Buttons::YesNo);
    EXPECT_EQ(t.dialogs.messages[0].title, "");  // the program's title
    EXPECT_EQ(t.wine.endRequests, 0);

    // Yes, but the programs do not end: said, and nothing may be written.
    t.wine.endsWhenAsked = false;
    t.dialogs.answers = {Answer::Yes};
    EXPECT_FALSE(MayWriteRegistry(t.services));
    EXPECT_EQ(t.wine.endRequests, 1);
    EXPECT_EQ(t.dialogs.messages.back().text, WineStillRunningMessage(t.env.winePrefix));

    // Yes, and they end, waited for through the window's runner.
    t.wine.endsWhenAsked = true;
    t.dialogs.answers = {Answer::Yes};
    int runnerCalls = 0;
    EXPECT_TRUE(MayWriteRegistry(t.services, [&](const std::function<bool()>& task) {
        ++runnerCalls;
        return task();
    }));
    EXPECT_EQ(runnerCalls, 1);
    EXPECT_EQ(t.wine.endRequests, 2);
    EXPECT_FALSE(t.wine.isRunning);
}

TEST(WineGate, TheStartUpEntryIsWrittenWithItsTerminatorAndOnlyWhenWineMayBeEnded) {
    TempDir dir;
    TestPlatform t(dir.path());
    SettingsValues values;
    values.backupfolder = t.env.programFolder;
    values.startonwindows = true;

    int asked = 0;
    auto refuse = [&] { return ++asked, false; };
    EXPECT_FALSE(SaveSettingsValues(t.services, values, refuse));
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(std::filesystem::exists(config::SettingsPath(t.env)));  // nothing written
    EXPECT_FALSE(t.registry.value(platform::Hive::CurrentUser, kRunKey, kRunValueName));

    EXPECT_TRUE(SaveSettingsValues(t.services, values, [] { return true; }));
    const auto entry = t.registry.value(platform::Hive::CurrentUser, kRunKey, kRunValueName);
    ASSERT_TRUE(entry);
    ASSERT_GE(entry->data.size(), 2u);
    EXPECT_EQ(entry->data[entry->data.size() - 1], 0);
    EXPECT_EQ(entry->data[entry->data.size() - 2], 0);
    EXPECT_EQ(entry->text(), "\"" + platform::prefixViewOf(t.env.executableFolder + "/tarnhold") + "\"");

    // The entry does not change: Wine is not asked about.
    asked = 0;
    EXPECT_TRUE(SaveSettingsValues(t.services, values, refuse));
    EXPECT_EQ(asked, 0);
}
