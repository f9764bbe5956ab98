// The disc writing and erase windows' rules, without a toolkit: a view that
// records what the window would show, an engine whose answers the test sets,
// and scripted message boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "disc/DiscWriteWindow.h"
#include "disc/EraseWindow.h"
#include "platform/FsPath.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"

using namespace disc;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

struct FakeDevice : DiscDevice {
    std::vector<int> capabilities;
    std::vector<int> speeds;
    DiscMedia media{kDvdPlusRw, true, true};
    std::int64_t freeBlocks = 0;
    bool writer = true;
    bool eraseStarts = true;
    std::vector<std::pair<bool, int>> erases;
    int ejects = 0;
    std::string Name() const override { return "Fake Writer"; }
    bool IsWriter() const override { return writer; }
    bool SupportsCapability(int code) const override {
        return std::find(capabilities.begin(), capabilities.end(), code) != capabilities.end();
    }
    void RefreshMedia(bool) override {}
    DiscMedia Media() const override { return media; }
    std::int64_t FreeBlocks(bool) override { return freeBlocks; }
    int WriteSpeedCount() const override { return static_cast<int>(speeds.size()); }
    int WriteSpeed(int i) const override { return speeds[static_cast<std::size_t>(i)]; }
    double SpeedMultiplier(int speed) const override { return speed / 1385.0; }
    bool Eject() override { return ++ejects; }
    bool CloseTray() override { return true; }
    int EraseMode() const override { return kEraseByBlanking; }
    bool StartErase(bool quick, int mode) override {
        erases.emplace_back(quick, mode);
        return eraseStarts;
    }
};

struct FakeEngine : DiscEngine {
    FakeDevice device;
    DiscImage image;
    WriteSettings settings;
    std::string volume;
    DiscEvents* events = nullptr;
    std::vector<std::string> problems;
    int devices = 1;
    bool starts = true;
    double size = 0;
    int writes = 0;
    void setEvents(DiscEvents* e) override { events = e; }
    bool InitializeDevices(bool) override { return true; }
    std::vector<std::string> DeviceProblems() const override { return problems; }
    int DeviceCount() const override { return devices; }
    DiscDevice* Device(int i) override { return i < devices ? &device : nullptr; }
    DiscImage& Image() override { return image; }
    WriteSettings& Settings() override { return settings; }
    std::string& VolumeIdentifier() override { return volume; }
    int BlockSize() const override { return 2048; }
    double ImageSize() override { return size; }
    bool StartWrite(DiscDevice*) override { return starts && ++writes; }
    void AbortWrite() override {}
    void Wait() override {}
};

// What a window would show: the tree as key -> (parent, text), the file
// list's rows, the lists' entries and the controls' states.
struct RecordingView : DiscWriteWindowView {
    struct Node {
        std::string parent, text;
        bool expanded = false;
    };
    std::map<std::string, Node> folders;
    std::vector<std::vector<std::string>> files;  // key, name, size, date
    std::string folderChosen, fileChosen, volume, renaming;
    std::map<Choice, std::vector<ChoiceEntry>> lists;
    std::map<Choice, int> chosen;
    std::map<WriteOption, bool> checked, enabled;
    bool composing = false, busy = false, closed = false, eraseShown = false;
    std::string status[3];
    int progress = -1;

    void clearFolders() override { folders.clear(); }
    void addFolderNode(const std::string& parent, const std::string& key, const std::string& text) override {
        if (parent.empty() || folders.count(parent)) folders[key] = {parent, text};
    }
    void rekeyFolderNode(const std::string& oldKey, const std::string& newKey, const std::string& text) override {
        auto node = folders.extract(oldKey);
        if (node.empty()) return;
        node.key() = newKey;
        node.mapped().text = text;
        folders.insert(std::move(node));
        for (auto& [key, child] : folders) {
            if (child.parent == oldKey) child.parent = newKey;  // children move with their node
        }
    }
    void removeFolderNode(const std::string& key) override {
        folders.erase(key);
        for (auto it = folders.begin(); it != folders.end();) {
            if (!it->second.parent.empty() && !folders.count(it->second.parent)) {
                it = folders.erase(it);  // and the nodes below it
            } else {
                ++it;
            }
        }
    }
    void setFolderText(const std::string& key, const std::string& text) override {
        if (folders.count(key)) folders[key].text = text;
    }
    void expandFolder(const std::string& key) override {
        if (folders.count(key)) folders[key].expanded = true;
    }
    std::string selectedFolder() const override { return folderChosen; }
    void clearFiles() override { files.clear(); }
    void addFileRow(const std::string& key, const std::string& name, const std::string& size,
                    const std::string& date) override {
        files.push_back({key, name, size, date});
    }
    std::string selectedFile() const override { return fileChosen; }
    void beginRename(const std::string& key, bool) override { renaming = key; }
    std::string volumeText() const override { return volume; }
    void setVolumeText(const std::string& text) override { volume = text; }
    void fillChoices(Choice list, const std::vector<ChoiceEntry>& entries, int current) override {
        lists[list] = entries;
        chosen[list] = current;
    }
    int chosenNumber(Choice list) const override {
        const auto& entries = lists.at(list);
        const int at = chosen.at(list);
        return at < 0 || at >= static_cast<int>(entries.size()) ? -1 : entries[static_cast<std::size_t>(at)].second;
    }
    bool optionChecked(WriteOption option) const override { return checked.count(option) && checked.at(option); }
    void setOptionChecked(WriteOption option, bool on) override { checked[option] = on; }
    void setOptionEnabled(WriteOption option, bool on) override { enabled[option] = on; }
    void setComposing(bool on) override {
        composing = on;
        for (const auto& row : kWriteOptions) enabled[row.option] = on;
    }
    void setBusyPointer(bool on) override { busy = on; }
    void letEventsRun() override {}
    void setStatus(int panel, const std::string& text) override { status[panel] = text; }
    void setProgress(int percent) override { progress = percent; }
    void showEraseWindow(DiscDevice&, DiscEngine& engine) override {
        eraseShown = true;
        engine.setEvents(nullptr);  // as an erase window leaves it when it goes
    }
    void closeWindow() override { closed = true; }

    std::vector<std::string> fileNames() const {
        std::vector<std::string> out;
        for (const auto& row : files) out.push_back(row[1]);
        return out;
    }
};

// Work posted to "the window's thread" waits until the test runs it.
struct Queue {
    std::mutex mutex;
    std::deque<std::function<void()>> work;
    Poster poster() {
        return [this](std::function<void()> w) {
            std::lock_guard lock(mutex);
            work.push_back(std::move(w));
        };
    }
    bool empty() {
        std::lock_guard lock(mutex);
        return work.empty();
    }
    void run() {
        for (;;) {
            std::function<void()> w;
            {
                std::lock_guard lock(mutex);
                if (work.empty()) return;
                w = std::move(work.front());
                work.pop_front();
            }
            w();
        }
    }
};

std::vector<std::string> texts(platform::ScriptedDialogs& dialogs) {
    std::vector<std::string> out;
    for (const auto& m : dialogs.messages) out.push_back(m.text);
    dialogs.messages.clear();
    return out;
}

std::string path(const TempDir& dir, const std::string& name) { return platform::pathText(dir / name); }

}  // namespace

TEST(DiscWriteWindow, OpeningFillsTheListsAndShowsThePendingBackup) {
    TempDir dir;
    writeFile(dir / "Backup.wlm", std::string(200000, 'w'));
    FakeEngine engine;
    engine.device.speeds = {11080, 5540};
    engine.device.capabilities = {kBufferProtection};
    platform::ScriptedDialogs dialogs;
    RecordingView view;
    Queue queue;
    DiscWriteWindowLogic window(engine, dialogs, view, queue.poster());
    ASSERT_TRUE(window.Form_Load("Backup.wlm", path(dir, "Backup.wlm")));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(view.lists[Choice::Devices], (std::vector<ChoiceEntry>{{"Fake Writer", 0}}));
    EXPECT_EQ(view.lists[Choice::WriteSpeed], (std::vector<ChoiceEntry>{{"8.0x", 11080}, {"4.0x", 5540}}));
    ASSERT_EQ(view.lists[Choice::VolumeType].size(), 5u);
    EXPECT_EQ(view.lists[Choice::VolumeType][4], (ChoiceEntry{"ISO9660/Joliet/UDF Bridge", 7}));
    EXPECT_EQ(view.chosenNumber(Choice::VolumeType), 7);
    EXPECT_TRUE(view.checked[WriteOption::UseFileDates]);
    EXPECT_FALSE(view.checked[WriteOption::AutoVerify]);
    EXPECT_TRUE(view.checked[WriteOption::BufferProtect]);  // the writer has it
    EXPECT_TRUE(view.enabled[WriteOption::BufferProtect]);
    EXPECT_EQ(view.volume, "Windows Live Mail Data Backup CD");
    EXPECT_EQ(view.folders["\\"].text, "Windows Live Mail Data Backup CD");
    EXPECT_EQ(view.folders["\\"].parent, "");
    EXPECT_TRUE(view.folders["\\"].expanded);
    ASSERT_EQ(view.files.size(), 1u);
    EXPECT_EQ(view.files[0][0], "\\Backup.wlm");
    EXPECT_EQ(view.files[0][2], "200.00 KB");
    EXPECT_EQ(view.status[1], "Files: 1");
    EXPECT_EQ(view.status[2], "Folders: 0");
    EXPECT_TRUE(view.composing);
    EXPECT_TRUE(window.mayClose());

    view.volume = "Mail 2026";  // typed
    window.txtVolIdentifier_Change();
    EXPECT_EQ(view.folders["\\"].text, "Mail 2026");
    window.FileMenu(FileCommand::ClearAll);
    EXPECT_EQ(view.folders.size(), 1u);
    EXPECT_EQ(view.folders["\\"].text, "New Disc");
    EXPECT_EQ(view.volume, "New Disc");
    EXPECT_TRUE(view.files.empty());
}

TEST(DiscWriteWindow, WithoutWritersTheProblemsAndTheNoDeviceMessageAreSaid) {
    FakeEngine engine;
    engine.problems = {"The first drive cannot be used.", "The second drive cannot be used."};
    engine.device.writer = false;  // a reader only is not offered
    platform::ScriptedDialogs dialogs;
    RecordingView view;
    DiscWriteWindowLogic window(engine, dialogs, view, Queue().poster());
    ASSERT_TRUE(window.Form_Load());
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"The first drive cannot be used.\r\nThe second drive cannot be used.",
                                                        kNoDevicesMessage}));
    EXPECT_TRUE(view.lists[Choice::Devices].empty());
    EXPECT_EQ(view.chosenNumber(Choice::Devices), -1);
    window.cmdWriteDisc_Click();
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{kNoDevicesMessage}));
    EXPECT_EQ(engine.writes, 0);
    EXPECT_TRUE(window.ready());
    window.DeviceMenu(DeviceCommand::Erase);  // nothing to erase in
    EXPECT_FALSE(view.eraseShown);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(DiscWriteWindow, FreeSpaceSettingsAndTheWriteStates) {
    FakeEngine engine;
    engine.device.speeds = {11080, 5540};
    platform::ScriptedDialogs dialogs;
    RecordingView view;
    Queue queue;
    DiscWriteWindowLogic window(engine, dialogs, view, queue.poster());
    ASSERT_TRUE(window.Form_Load());
    EXPECT_FALSE(view.enabled[WriteOption::BufferProtect]);  // no capability 57
    EXPECT_FALSE(view.checked[WriteOption::BufferProtect]);

    engine.size = 4096;
    engine.device.freeBlocks = 1;
    window.cmdWriteDisc_Click();
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Free Space on the loaded disc is 0.00 MB!\r\n"
                                                        "This data image requires 0.00 MB of Free Space!"}));
    engine.device.media.IsWritable = false;
    window.cmdWriteDisc_Click();
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Please Insert Writable Media before continuing!"}));
    engine.device.media.IsWritable = true;
    engine.starts = false;
    engine.device.freeBlocks = 2;  // exactly the image's size: it fits
    window.cmdWriteDisc_Click();
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Disc Write could not be started."}));
    EXPECT_EQ(engine.writes, 0);
    EXPECT_TRUE(window.ready());

    engine.starts = true;
    view.checked[WriteOption::DiscAtOnce] = true;
    view.checked[WriteOption::AutoVerify] = true;
    view.checked[WriteOption::UseFileDates] = false;
    window.chkUseFileDates_Click();
    view.chosen[Choice::WriteSpeed] = 1;
    view.chosen[Choice::VolumeType] = 0;
    view.volume = "Mail";
    window.cmdWriteDisc_Click();
    ASSERT_EQ(engine.writes, 1);
    EXPECT_EQ(engine.settings.WriteMode, 248);
    EXPECT_EQ(engine.settings.WriteSpeed, 5540);
    EXPECT_EQ(engine.settings.VolumeType, 1);
    EXPECT_TRUE(engine.settings.AutoVerify);
    EXPECT_FALSE(engine.settings.UseFileDates);
    EXPECT_EQ(engine.volume, "Mail");
    EXPECT_FALSE(window.mayClose());
    EXPECT_FALSE(view.composing);
    EXPECT_TRUE(view.busy);

    // Engine events come from the engine's thread and are handled when the window's thread runs them.
    std::thread([&] {
        engine.events->writeState(kPreparingImage, 0);
        engine.events->writeState(kWritingData, 42);
        engine.events->verifyFile({"\\a.wlm", "/src/a.wlm"}, kMatched, 1, 3);
        engine.events->verifyFile({"\\b.wlm", "/src/b.wlm"}, kSizesDiffer, 2, 3);
        engine.events->trackReading(3, 17, "Data");
    }).join();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(view.progress, -1);
    queue.run();
    EXPECT_EQ(view.progress, 67);
    EXPECT_EQ(view.status[0], "Track: 03 - Reading...17 - Data");
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Verify Error - Size of Source and Destination file did not match: \r\n"
                                                        "\\b.wlm (disc)\r\n/src/b.wlm (source)"}));
    EXPECT_FALSE(window.ready());
    engine.events->writeState(kWriteCompleted, 100);
    queue.run();
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Write and Verify Complete!"}));
    EXPECT_EQ(view.status[0], "Write Completed!");
    EXPECT_TRUE(window.ready());
    EXPECT_TRUE(view.composing);
    EXPECT_FALSE(view.busy);
    EXPECT_FALSE(view.enabled[WriteOption::BufferProtect]);  // still none after the write
}

TEST(DiscWriteWindow, AFileWarningWaitsForTheAnswerOnTheWindowsThread) {
    FakeEngine engine;
    platform::ScriptedDialogs dialogs;
    dialogs.answers = {platform::Answer::Cancel};
    RecordingView view;
    Queue queue;
    auto window = std::make_unique<DiscWriteWindowLogic>(engine, dialogs, view, queue.poster());
    ASSERT_TRUE(window->Form_Load());
    bool goOn = true;
    std::thread writer([&] { goOn = engine.events->fileWarning({7, "is open", "\\a.wlm"}); });
    while (queue.empty()) std::this_thread::yield();
    queue.run();
    writer.join();
    EXPECT_FALSE(goOn);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "File Warning(7):\\a.wlm\r\nis open");
    EXPECT_EQ(dialogs.messages[0].buttons, platform::Buttons::OkCancel);
    EXPECT_EQ(view.status[0], "File Warning!");

    // A warning still waiting when the window goes gives up the write instead of hanging it.
    std::thread late([&] { goOn = engine.events->fileWarning({8, "is open", "\\b.wlm"}); });
    while (queue.empty()) std::this_thread::yield();
    window.reset();
    late.join();
    EXPECT_FALSE(goOn);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(engine.events, nullptr);  // the engine no longer reports to the window
}

TEST(DiscWriteWindow, DropsRemovalsAndRenamesKeepTreeListAndImageInStep) {
    TempDir dir;
    writeFile(dir / "old.wlm", "o");
    writeFile(dir / "src" / "Mail" / "inbox.eml", "m");
    writeFile(dir / "src" / "Mail" / "Sub" / "x.eml", "x");
    FakeEngine engine;
    platform::ScriptedDialogs dialogs;
    RecordingView view;
    DiscWriteWindowLogic window(engine, dialogs, view, Queue().poster());
    ASSERT_TRUE(window.Form_Load());
    window.DropPaths({path(dir, "old.wlm"), platform::pathText(dir / "src" / "Mail")});
    EXPECT_EQ(view.fileNames(), (std::vector<std::string>{"old.wlm"}));
    EXPECT_EQ(view.folders["\\Mail"].parent, "\\");
    EXPECT_EQ(view.folders["\\Mail\\Sub"].parent, "\\Mail");
    EXPECT_EQ(view.status[1], "Files: 3");
    EXPECT_EQ(view.status[2], "Folders: 2");

    view.folderChosen = "\\";
    window.FileMenu(FileCommand::RenameFolder);
    view.fileChosen = "";
    window.FileMenu(FileCommand::RemoveFile);
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Root directory can not be renamed.", "No Item Selected."}));
    EXPECT_EQ(view.renaming, "");

    view.fileChosen = "\\old.wlm";
    window.FileMenu(FileCommand::RenameFile);
    EXPECT_EQ(view.renaming, "\\old.wlm");
    window.EditEnded("\\old.wlm", "new.wlm", false);
    EXPECT_EQ(view.fileNames(), (std::vector<std::string>{"new.wlm"}));

    view.folderChosen = "\\Mail";
    window.FileMenu(FileCommand::RenameFolder);
    EXPECT_EQ(view.renaming, "\\Mail");
    view.folders["\\Mail"].text = "Post";  // what the editor leaves in the tree
    window.EditEnded("\\Mail", "Post", true);
    EXPECT_EQ(view.folders.count("\\Mail"), 0u);
    EXPECT_EQ(view.folders["\\Post"].text, "Post");
    EXPECT_EQ(view.folders["\\Post\\Sub"].parent, "\\Post");  // subfolders move with their folder
    bool moved = false;
    for (const auto& f : engine.image.files()) moved |= f.imagePath == "\\Post\\Sub\\x.eml";
    EXPECT_TRUE(moved);

    view.folderChosen = "\\Post";
    view.folders["\\Post"].text = "a\\b";
    window.EditEnded("\\Post", "a\\b", true);  // no separators in a name
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Folder could not be renamed."}));
    EXPECT_EQ(view.folders["\\Post"].text, "Post");
    window.EditEnded("\\new.wlm", "", false);
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"File could not be renamed."}));

    window.FileMenu(FileCommand::RemoveFolder);
    EXPECT_EQ(view.folders.count("\\Post"), 0u);
    EXPECT_EQ(view.folders.count("\\Post\\Sub"), 0u);
    EXPECT_EQ(engine.image.FileCount(), 1);
    window.FileMenu(FileCommand::Exit);
    EXPECT_TRUE(view.closed);
}

namespace {

struct RecordingEraseView : EraseWindowView {
    bool quick = true, buttons = false, closed = false;
    std::string status;
    int progress = -1;
    bool quickEraseChecked() const override { return quick; }
    void setStatus(const std::string& text) override { status = text; }
    void setProgress(int percent) override { progress = percent; }
    void setButtonsEnabled(bool on) override { buttons = on; }
    void closeWindow() override { closed = true; }
};

}  // namespace

TEST(EraseWindow, RefusesWhatCannotBeErasedAndReportsAnErase) {
    FakeEngine engine;
    platform::ScriptedDialogs dialogs;
    RecordingEraseView view;
    Queue queue;
    {
        EraseWindowLogic erase(dialogs, view, queue.poster());
        erase.PrepareErase(&engine.device, &engine);
        EXPECT_TRUE(view.buttons);
        engine.device.media = {kNoMedia, false, false};
        erase.cmdErase_Click();
        engine.device.media = {kDvdR, true, false};
        erase.cmdErase_Click();
        engine.device.media = {kDvdRw, true, true};
        erase.cmdErase_Click();  // no capability to blank a DVD-RW
        EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"No Media Loaded.", "The current media is not re-writable.",
                                                            "Selected drive does not support re-writable discs of this format."}));
        EXPECT_TRUE(engine.device.erases.empty());

        engine.device.capabilities = {kBlankDvdRw};
        view.closed = false;
        view.quick = false;
        erase.cmdErase_Click();
        ASSERT_EQ(engine.device.erases.size(), 1u);
        EXPECT_EQ(engine.device.erases[0], (std::pair<bool, int>{false, kEraseByBlanking}));
        EXPECT_FALSE(view.closed);
        engine.events->eraseState(kEraseStarted, 0);
        engine.events->eraseState(kErasing, 40);
        queue.run();
        EXPECT_TRUE(erase.busy());
        EXPECT_FALSE(erase.mayClose());
        EXPECT_FALSE(view.buttons);
        EXPECT_EQ(view.progress, 40);
        EXPECT_EQ(view.status, "Erasing Disc...Please Wait!!");
        engine.events->eraseState(kEraseCompleted, 100);
        queue.run();
        EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Erase Completed!!!"}));
        EXPECT_TRUE(erase.mayClose());
        EXPECT_TRUE(view.closed);

        engine.device.eraseStarts = false;
        erase.cmdErase_Click();
        EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Could not start Erase operation!!!"}));
    }
    EXPECT_EQ(engine.events, nullptr);  // given back when the window goes
}

TEST(DiscWriteWindow, TheEraseWindowGivesTheEngineBack) {
    FakeEngine engine;
    platform::ScriptedDialogs dialogs;
    RecordingView view;
    Queue queue;
    DiscWriteWindowLogic window(engine, dialogs, view, queue.poster());
    ASSERT_TRUE(window.Form_Load());
    DiscEvents* ours = engine.events;
    window.DeviceMenu(DeviceCommand::Erase);
    EXPECT_TRUE(view.eraseShown);
    EXPECT_EQ(engine.events, ours);
    window.DeviceMenu(DeviceCommand::Eject);
    EXPECT_EQ(engine.device.ejects, 1);
}
