// The disc writing window's rules against an engine whose answers the test sets.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "qt/frmMaindvdwrite.h"
#include "platform/ScriptedDialogs.h"

using namespace disc;

namespace {

struct FakeDevice : DiscDevice {
    std::vector<int> capabilities;
    std::vector<int> speeds;
    DiscMedia media{kDvdPlusRw, true, true};
    std::int64_t freeBlocks = 0;
    std::string Name() const override { return "Fake Writer"; }
    bool IsWriter() const override { return true; }
    bool SupportsCapability(int code) const override {
        return std::find(capabilities.begin(), capabilities.end(), code) != capabilities.end();
    }
    void RefreshMedia(bool) override {}
    DiscMedia Media() const override { return media; }
    std::int64_t FreeBlocks(bool) override { return freeBlocks; }
    int WriteSpeedCount() const override { return static_cast<int>(speeds.size()); }
    int WriteSpeed(int i) const override { return speeds[static_cast<std::size_t>(i)]; }
    double SpeedMultiplier(int speed) const override { return speed / 1385.0; }
    bool Eject() override { return true; }
    bool CloseTray() override { return true; }
    int EraseMode() const override { return 0; }
    bool StartErase(bool, int) override { return false; }
};

struct FakeEngine : DiscEngine {
    FakeDevice device;
    DiscImage image;
    WriteSettings settings;
    std::string volume;
    DiscEvents* events = nullptr;
    bool starts = true;
    double size = 0;
    int writes = 0;
    void setEvents(DiscEvents* e) override { events = e; }
    bool InitializeDevices(bool) override { return true; }
    std::vector<std::string> DeviceProblems() const override { return {}; }
    int DeviceCount() const override { return 1; }
    DiscDevice* Device(int) override { return &device; }
    DiscImage& Image() override { return image; }
    WriteSettings& Settings() override { return settings; }
    std::string& VolumeIdentifier() override { return volume; }
    int BlockSize() const override { return 2048; }
    double ImageSize() override { return size; }
    bool StartWrite(DiscDevice*) override { return starts && ++writes; }
    void AbortWrite() override {}
    void Wait() override {}
};

std::vector<std::string> texts(platform::ScriptedDialogs& dialogs) {
    std::vector<std::string> out;
    for (const auto& m : dialogs.messages) out.push_back(m.text);
    dialogs.messages.clear();
    return out;
}

}  // namespace

TEST(DiscWindowRules, FreeSpaceSpeedsStatesAndBufferProtection) {
    auto owned = std::make_unique<FakeEngine>();
    FakeEngine& engine = *owned;
    engine.device.speeds = {11080, 5540};
    platform::ScriptedDialogs dialogs;
    frmMaindvdwrite window(std::move(owned), dialogs);
    ASSERT_TRUE(window.Form_Load());
    ASSERT_EQ(window.cboWriteSpeed->count(), 2);
    EXPECT_EQ(window.cboWriteSpeed->itemText(0), "8.0x");
    EXPECT_EQ(window.cboWriteSpeed->itemData(1).toInt(), 5540);
    EXPECT_FALSE(window.chkUseBufferProtect->isEnabled());  // no capability 57
    EXPECT_FALSE(window.chkUseBufferProtect->isChecked());

    engine.size = 4096;
    engine.device.freeBlocks = 1;
    window.cmdWriteDisc->click();
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Free Space on the loaded disc is 0.00 MB!\r\n"
                                                        "This data image requires 0.00 MB of Free Space!"}));
    EXPECT_EQ(engine.writes, 0);
    engine.device.media.IsWritable = false;
    window.cmdWriteDisc->click();
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Please Insert Writable Media before continuing!"}));
    engine.device.media.IsWritable = true;
    engine.starts = false;
    engine.device.freeBlocks = 2;  // exactly the image's size: it fits
    window.cmdWriteDisc->click();
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Disc Write could not be started."}));
    EXPECT_TRUE(window.ready());

    engine.starts = true;
    window.chkDiscAtOnce->setChecked(true);
    window.cmdWriteDisc->click();
    EXPECT_EQ(engine.writes, 1);
    EXPECT_EQ(engine.settings.WriteMode, 248);
    EXPECT_EQ(engine.settings.WriteSpeed, 11080);
    EXPECT_EQ(engine.settings.VolumeType, 7);
    EXPECT_EQ(engine.volume, "Windows Live Mail Data Backup CD");
    EXPECT_FALSE(window.ready());
    auto* events = engine.events;
    events->writeState(kIdle, 0);
    events->writeState(12, 0);
    events->verifyFile({"\\a.wlm", "/src/a.wlm"}, kMatched, 1, 2);
    events->verifyFile({"\\b.wlm", "/src/b.wlm"}, kSkipped, 2, 2);
    events->writeState(kUpdatingVolume, 0);
    QTest::qWait(20);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(window.sbrPanels[0]->text(), "Updating Volume....");
    events->verifyFile({"\\b.wlm", "/src/b.wlm"}, kSizesDiffer, 2, 2);
    events->writeState(kWriteCompleted, 100);
    QTest::qWait(20);
    EXPECT_EQ(texts(dialogs),
              (std::vector<std::string>{"Verify Error - Size of Source and Destination file did not match: \r\n"
                                        "\\b.wlm (disc)\r\n/src/b.wlm (source)",
                                        "Write Complete!"}));
    EXPECT_TRUE(window.ready());
    EXPECT_FALSE(window.chkUseBufferProtect->isEnabled());  // still none after the write
}
