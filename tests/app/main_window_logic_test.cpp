// The main window's rules without any toolkit: the logic both front-ends
// call, over a view that only remembers what it was told.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "app/MainWindow.h"
#include "support/TestEnvironment.h"

using namespace app;

namespace {

struct NoTask : schedule::TaskScheduler {
    void end() override {}
    void remove() override {}
    void create(const schedule::ScheduledTask&) override {}
    std::string lastError() const override { return {}; }
    std::optional<bool> taskExists() override { return false; }
};

// Work "posted to the window" waits in a queue the test runs; a worker runs
// at once, on the test's thread.
struct FakeView : MainWindowView {
    std::array<bool, items::kItemCount> checked[2]{}, enabled[2]{};
    std::map<MainField, std::string> fields;
    bool protect = false, passwordsUsable = true, running = false, panel = false;
    int tab = 0, bar = 0;
    std::string applyCaption;
    bool applyEnabled = true;
    std::map<StatusLine, std::string> lines;
    std::vector<std::string> log;
    std::deque<std::function<void()>> posted;
    std::vector<std::string> shown;  // the windows opened, in order
    bool ended = false;

    static int side(ItemBoxes b) { return b == ItemBoxes::Backup ? 0 : 1; }
    bool itemChecked(ItemBoxes b, std::size_t i) const override { return checked[side(b)][i]; }
    void setItemChecked(ItemBoxes b, std::size_t i, bool on) override { checked[side(b)][i] = on; }
    bool itemEnabled(ItemBoxes b, std::size_t i) const override { return enabled[side(b)][i]; }
    void setItemEnabled(ItemBoxes b, std::size_t i, bool on) override { enabled[side(b)][i] = on; }
    std::string text(MainField f) const override {
        auto it = fields.find(f);
        return it == fields.end() ? "" : it->second;
    }
    void setText(MainField f, const std::string& t) override { fields[f] = t; }
    bool protectChecked() const override { return protect; }
    void setPasswordBoxesUsable(bool usable) override { passwordsUsable = usable; }
    int currentTab() const override { return tab; }
    void setApplyCaption(const std::string& c) override { applyCaption = c; }
    void setApplyEnabled(bool e) override { applyEnabled = e; }
    void showRunning(bool r) override { running = r; }
    void showProgressPanel(bool s) override { panel = s; }
    void setStatusLine(StatusLine l, const std::string& t) override { lines[l] = t; }
    int progress() const override { return bar; }
    void setProgress(int v) override { bar = v; }
    void showLogLines(const std::vector<std::string>& l) override { log = l; }
    void post(std::function<void()> work) override { posted.push_back(std::move(work)); }
    void startWorker(std::function<void()> work) override { work(); }
    bool runKeepingWindowAlive(const std::function<bool()>& task) override { return task(); }
    void showAbout() override { shown.push_back("about"); }
    void showSettings() override { shown.push_back("settings"); }
    void showSchedule(schedule::TaskScheduler&) override { shown.push_back("schedule"); }
    void showDiscWindow(const std::string& name, const std::string&) override { shown.push_back("disc " + name); }
    void endProgram() override { ended = true; }

    void runPosted() {
        while (!posted.empty()) {
            auto work = std::move(posted.front());
            posted.pop_front();
            work();
        }
    }
};

struct Fixture : testing_support::GeneratedPlatform {
    Fixture() : GeneratedPlatform({"--user", "owner", "--accounts", "1", "--messages", "3"}) {}
    session::MainSession session{services, ""};
    FakeView view;
    MainWindowLogic logic{session, view, [] { return std::make_unique<NoTask>(); }};
};

}  // namespace

TEST(MainWindowLogic, TabsMenusAndItemMenusFollowTheRulesWhateverDrawsThem) {
    Fixture f;
    f.view.enabled[0].fill(true);
    f.logic.Form_Load();
    EXPECT_EQ(f.view.fields[MainField::cbSource], "owner");
    EXPECT_EQ(f.view.applyCaption, "Backup Now");
    EXPECT_FALSE(f.view.fields[MainField::txtTargetFile].empty());
    EXPECT_FALSE(f.view.panel);

    // Select all ticks only the enabled boxes; deselect all keeps Calendars.
    f.view.enabled[0][items::kCalendars] = true;
    f.view.enabled[0][2] = false;
    f.logic.SelectAll(ItemBoxes::Backup);
    EXPECT_FALSE(f.view.checked[0][2]);
    EXPECT_TRUE(f.view.checked[0][0]);
    EXPECT_TRUE(f.view.checked[0][items::kCalendars]);
    f.logic.DeselectAll(ItemBoxes::Backup);
    EXPECT_FALSE(f.view.checked[0][0]);
    EXPECT_TRUE(f.view.checked[0][items::kCalendars]);

    const std::vector<std::string> captions{"Backup Now", "Restore Now", "Show Log File", "Help"};
    for (int tab = 0; tab < 4; ++tab) {
        f.logic.SSTab1_Click(tab);
        EXPECT_EQ(f.view.applyCaption, captions[static_cast<std::size_t>(tab)]);
    }

    // The menu bar: windows open through the view; "Check for Update" does nothing.
    for (auto command : {MainCommand::about, MainCommand::settings, MainCommand::TaskScheduler, MainCommand::update,
                         MainCommand::backuptocd}) {
        f.logic.menuCommand(command);
    }
    EXPECT_EQ(f.view.shown, (std::vector<std::string>{"about", "settings", "schedule", "disc "}));

    f.view.protect = false;
    f.logic.ifprotect_Click();
    EXPECT_FALSE(f.view.passwordsUsable);
}

TEST(MainWindowLogic, FileBackupNowRunsOnAnyTabAndQuitWaitsForTheRun) {
    Fixture f;
    f.logic.Form_Load();
    f.view.tab = 1;  // the Restore tab is shown
    f.view.checked[0][items::kMailRules] = true;
    f.logic.menuCommand(MainCommand::backup);
    // The run works; its end is posted to the window, which has not run it yet.
    EXPECT_TRUE(f.logic.running());
    EXPECT_TRUE(f.view.running);
    EXPECT_TRUE(f.view.panel);
    EXPECT_FALSE(f.logic.quit_Click());
    EXPECT_FALSE(f.view.ended);
    ASSERT_FALSE(f.dialogs.messages.empty());
    EXPECT_EQ(f.dialogs.messages.back().text, kRunMustFinishMessage);

    f.view.runPosted();
    EXPECT_FALSE(f.logic.running());
    EXPECT_FALSE(f.view.panel);
    EXPECT_EQ(f.view.bar, 0);
    EXPECT_EQ(f.view.lines[StatusLine::Label1], kIdleStatus);
    EXPECT_NE(f.dialogs.messages.back().text.find("Backup Mail Rules\tSuccessed!"), std::string::npos)
        << f.dialogs.messages.back().text;
    EXPECT_TRUE(std::filesystem::exists(f.session.BackupTargetFile));
    // The new file goes to the disc window (burndvd is on without a settings file).
    EXPECT_EQ(f.view.shown.back().rfind("disc ", 0), 0u);
    EXPECT_NE(f.view.shown.back(), "disc ");

    EXPECT_TRUE(f.logic.quit_Click());
    EXPECT_TRUE(f.view.ended);
}
