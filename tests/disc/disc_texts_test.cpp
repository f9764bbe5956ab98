#include "disc/DiscCodes.h"
#include "disc/DiscEngine.h"
#include "disc/DiscTexts.h"
#include "platform/LocalTime.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace disc;

TEST(DiscTexts, SizesSpeedsAndFreeSpaceReadAsTheWindowsShowThem) {
    EXPECT_EQ(FormatKilobytes(1500), "1.50 KB");
    EXPECT_EQ(FormatKilobytes(0), "0.00 KB");
    EXPECT_EQ(FormatKilobytes(1234567890), "1,234,567.89 KB");
    EXPECT_EQ(FormatMegabytes(0), "0.00 MB");
    EXPECT_EQ(FormatMegabytes(3.5 * 1048576), "3.50 MB");
    EXPECT_EQ(FormatSpeedMultiplier(8), "8.0x");
    EXPECT_EQ(FormatSpeedMultiplier(0.5), ".5x");
    EXPECT_EQ(FreeSpaceShortage(1048576, 1048576), "");  // equal sizes fit
    EXPECT_EQ(FreeSpaceShortage(1048576, 1048577 * 2.0),
              "Free Space on the loaded disc is 1.00 MB!\r\nThis data image requires 2.00 MB of Free Space!");
}

TEST(DiscTexts, ListDatesAreLocalTwelveHourTimesWithLeadingZeros) {
    // Moments whose local time is the one named, wherever the test runs.
    const auto localMoment = [](std::time_t asIfUtc) { return asIfUtc - platform::LocalOffsetAt(asIfUtc); };
    EXPECT_EQ(FormatListDate(localMoment(1767571629)), "01/05/2026 12:07:09 AM");  // 2026-01-05 00:07:09
    EXPECT_EQ(FormatListDate(localMoment(1783170300)), "07/04/2026 01:05:00 PM");  // 2026-07-04 13:05:00
}

TEST(DiscTexts, WriteErrorsAreWordedByTheirCategory) {
    ErrorRecord e;
    e.description = "general";
    e.DeviceError = {12, "Drive not ready", "Medium not present", 58};
    e.FileError = {3, "Cannot open", "C:\\a.wlm"};
    e.SystemCode = 5;
    e.Category = kDeviceError;
    EXPECT_EQ(FormatWriteError(e), "Device Error: (12)   Drive not ready\r\nMedium not present - 58");
    e.Category = kOutputFileError;
    EXPECT_EQ(FormatWriteError(e), "Output File Error: (3)   Cannot open\r\n'C:\\a.wlm'");
    e.Category = kSourceFileError;
    EXPECT_EQ(FormatWriteError(e), "Source File Error: (3)   Cannot open\r\n'C:\\a.wlm'");
    e.Category = kSystemError;
    EXPECT_EQ(FormatWriteError(e), "System Error: (5)   general");
    e.Category = 4;
    EXPECT_EQ(FormatWriteError(e), "Write Error: (4)   general");
    EXPECT_EQ(FormatEraseDeviceError(e.DeviceError), "Device Error: (12)   Drive not ready\r\n(58) Medium not present");
    EXPECT_EQ(VerifyErrorHeading(kSizesDiffer), "Verify Error - Size of Source and Destination file did not match: ");
    EXPECT_EQ(VerifyErrorHeading(kMatched), "");
    EXPECT_EQ(VerifyErrorHeading(kSkipped), "");
}

namespace {

struct FakeDevice : disc::DiscDevice {
    std::vector<int> caps;
    std::string Name() const override { return "fake"; }
    bool IsWriter() const override { return true; }
    bool SupportsCapability(int code) const override {
        return std::find(caps.begin(), caps.end(), code) != caps.end();
    }
    void RefreshMedia(bool) override {}
    disc::DiscMedia Media() const override { return {}; }
    std::int64_t FreeBlocks(bool) override { return 0; }
    int WriteSpeedCount() const override { return 0; }
    int WriteSpeed(int) const override { return 0; }
    double SpeedMultiplier(int) const override { return 0; }
    bool Eject() override { return true; }
    bool CloseTray() override { return true; }
    int EraseMode() const override { return 0; }
    bool StartErase(bool, int) override { return false; }
};

}  // namespace

TEST(DiscCodes, AnEraseNeedsACapabilityAndItsOwnMediaType) {
    FakeDevice drive;
    drive.caps = {disc::kFormatDvdRam};
    EXPECT_FALSE(disc::SupportsErasePair(drive, disc::kDvdRw));  // 17 does not cover type 4
    EXPECT_TRUE(disc::SupportsErasePair(drive, disc::kDvdRam));
    drive.caps = {disc::kBlankDvdRw, disc::kBlankCdRw};
    EXPECT_TRUE(disc::SupportsErasePair(drive, disc::kDvdRw));
    EXPECT_TRUE(disc::SupportsErasePair(drive, disc::kCdRw));
    EXPECT_FALSE(disc::SupportsErasePair(drive, disc::kStdioFile));
    EXPECT_FALSE(disc::SupportsErasePair(drive, disc::kNoMedia));
}
