// disc-stand-in: the Win32 disc writing window, and from its Device menu
// the erase window, over a stand-in writer with a rewritable DVD, for the
// window tests and the screenshots (Wine has no disc writing service, so the
// real program never shows a writer there). The stand-in writes and erases
// nothing: it reports a write and an erase in steps from its own thread, as
// an engine does. The window shows the file named on the command line.
//
//   disc-stand-in [FILE]

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "disc/DiscCodes.h"
#include "disc/Imapi2Engine.h"
#include "platform/HostPath.h"
#include "platform/win32/WideText.h"
#include "win32/Win32Dialogs.h"
#include "win32/frmMaindvdwrite.h"

namespace {

using namespace disc;

// Runs `steps` on a thread of its own, one at a time, as an engine reports.
class Steps {
public:
    ~Steps() { wait(); }
    void run(std::function<void()> steps) {
        wait();
        worker_ = std::thread(std::move(steps));
    }
    void wait() {
        if (worker_.joinable()) worker_.join();
    }

private:
    std::thread worker_;
};

void pause() { std::this_thread::sleep_for(std::chrono::milliseconds(150)); }

class StandInDevice : public DiscDevice {
public:
    StandInDevice(DiscEvents*& events, Steps& steps) : events_(events), steps_(steps) {}
    std::string Name() const override { return "Stand-in DVD Writer"; }
    bool IsWriter() const override { return true; }
    bool SupportsCapability(int code) const override { return code == kFormatDvdPlusRw || code == kBufferProtection; }
    void RefreshMedia(bool) override {}
    DiscMedia Media() const override { return {kDvdPlusRw, true, true}; }
    std::int64_t FreeBlocks(bool) override { return 2295104; }  // a blank 4.7 GB disc
    int WriteSpeedCount() const override { return 2; }
    int WriteSpeed(int index) const override { return index == 0 ? 11080 : 5540; }
    double SpeedMultiplier(int speed) const override { return speed / 1385.0; }
    bool Eject() override { return true; }
    bool CloseTray() override { return true; }
    int EraseMode() const override { return kEraseByFormatting; }
    bool StartErase(bool, int) override {
        steps_.run([this] {
            for (int progress : {0, 50}) {
                if (events_) events_->eraseState(progress == 0 ? kEraseStarted : kErasing, progress);
                pause();
            }
            if (events_) events_->eraseState(kEraseCompleted, 100);
        });
        return true;
    }

private:
    DiscEvents*& events_;
    Steps& steps_;
};

class StandInEngine : public DiscEngine {
public:
    void setEvents(DiscEvents* events) override { events_ = events; }
    bool InitializeDevices(bool) override { return true; }
    std::vector<std::string> DeviceProblems() const override { return {}; }
    int DeviceCount() const override { return 1; }
    DiscDevice* Device(int index) override { return index == 0 ? &device_ : nullptr; }
    DiscImage& Image() override { return image_; }
    WriteSettings& Settings() override { return settings_; }
    std::string& VolumeIdentifier() override { return volume_; }
    int BlockSize() const override { return kBlockSize; }
    double ImageSize() override { return EstimateImageSize(image_, settings_.VolumeType); }
    bool StartWrite(DiscDevice*) override {
        abort_ = false;
        steps_.run([this] {
            events_->writeState(kPreparingImage, 0);
            for (int progress = 0; progress <= 100 && !abort_; progress += 25) {
                events_->writeState(kWritingData, progress);
                pause();
            }
            events_->writeState(abort_ ? kWriteCancelled : kWriteCompleted, 100);
        });
        return true;
    }
    void AbortWrite() override { abort_ = true; }
    void Wait() override { steps_.wait(); }

private:
    Steps steps_;
    DiscEvents* events_ = nullptr;
    StandInDevice device_{events_, steps_};
    DiscImage image_;
    WriteSettings settings_;
    std::string volume_;
    std::atomic<bool> abort_{false};
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::string file = words && count > 1 ? platform::utf8(words[1]) : std::string();
    LocalFree(words);
    win32::Win32Dialogs dialogs;
    win32::ShowDiscWindow(dialogs, nullptr, std::make_unique<StandInEngine>(), file.empty() ? "" : platform::bareName(file),
                          file);
    return 0;
}
