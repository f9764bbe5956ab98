// The disc engine over libburn (drives, media, writing, blanking) and
// libisofs (the image stream and the read-back for verification).

#include "disc/DiscCodes.h"
#include "disc/DiscEngine.h"
#include "disc/DiscTexts.h"
#include "disc/IsoComposer.h"
#include "disc/LibburnDrive.h"

#include <libburn/libburn.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace burn;

namespace disc {
namespace {

class LibburnEngine final : public DiscEngine, private DriveOwner {
public:
    explicit LibburnEngine(std::string pseudoDrives) : pseudoDrives_(std::move(pseudoDrives)) {}
    ~LibburnEngine() override {
        AbortWrite();
        Wait();
        devices_.clear();
    }

    void setEvents(DiscEvents* events) override { events_ = events; }
    bool InitializeDevices(bool /*rescan*/) override;
    std::vector<std::string> DeviceProblems() const override { return problems_; }
    int DeviceCount() const override { return static_cast<int>(devices_.size()); }
    DiscDevice* Device(int index) override {
        return index >= 0 && index < DeviceCount() ? devices_[static_cast<std::size_t>(index)].get() : nullptr;
    }
    DiscImage& Image() override { return image_; }
    WriteSettings& Settings() override { return settings_; }
    std::string& VolumeIdentifier() override { return volumeId_; }
    int BlockSize() const override { return kBlockSize; }
    double ImageSize() override;
    bool StartWrite(DiscDevice* device) override;
    void AbortWrite() override { abort_ = true; }
    void Wait() override {
        if (worker_.joinable()) worker_.join();
    }

private:
    bool startErase(LibburnDrive& drive, bool quick, int mode) override;
    bool busy() const override { return busy_; }
    DiscEvents& events() { return events_ ? *events_ : silent_; }
    IsoSettings isoSettings() const { return {volumeId_, settings_.VolumeType, settings_.UseFileDates}; }
    bool launch(std::function<void()> work);
    void write(LibburnDrive& drive);
    bool burnImage(LibburnDrive& drive, burn_source* stream);
    bool verify(LibburnDrive& drive);
    void erase(LibburnDrive& drive, bool quick, int mode);

    std::string pseudoDrives_;
    std::vector<std::unique_ptr<LibburnDrive>> devices_;
    std::vector<std::string> problems_;
    DiscImage image_;
    WriteSettings settings_;
    std::string volumeId_ = "New Disc";
    DiscEvents* events_ = nullptr;
    DiscEvents silent_;
    std::thread worker_;
    std::atomic<bool> busy_{false};
    std::atomic<bool> abort_{false};
    unsigned long sizedRevision_ = ~0UL;
    IsoSettings sizedSettings_;
    double size_ = 0;
};

bool LibburnEngine::InitializeDevices(bool) {
    if (busy_ || !InitialiseLibburn()) return false;
    devices_.clear();
    problems_.clear();
    for (const auto& address : DriveAddresses(pseudoDrives_)) {
        std::string problem;
        auto drive = LibburnDrive::Open(*this, address, &problem);
        if (drive) devices_.push_back(std::move(drive));
        else problems_.push_back(problem);
    }
    return true;
}

double LibburnEngine::ImageSize() {
    const IsoSettings now = isoSettings();
    if (sizedRevision_ != image_.revision() || now.volumeType != sizedSettings_.volumeType ||
        now.volumeId != sizedSettings_.volumeId) {
        size_ = ComputeImageSize(image_, now);
        sizedRevision_ = image_.revision();
        sizedSettings_ = now;
    }
    return size_;
}

bool LibburnEngine::launch(std::function<void()> work) {
    if (busy_.exchange(true)) return false;
    Wait();
    abort_ = false;
    worker_ = std::thread([this, work = std::move(work)] {
        work();
        busy_ = false;
    });
    return true;
}

bool LibburnEngine::StartWrite(DiscDevice* device) {
    auto* drive = dynamic_cast<LibburnDrive*>(device);
    if (!drive || !drive->IsWriter() || image_.FileCount() + image_.FolderCount() == 0) return false;
    return launch([this, drive] { write(*drive); });
}

void LibburnEngine::write(LibburnDrive& drive) {
    events().writeState(kPreparingImage, 0);
    ErrorRecord error;
    burn_source* stream = CreateImageStream(image_, isoSettings(), &error);
    if (!stream) {
        events().writeError(error);
        events().writeState(kWriteFailed, 0);
        return;
    }
    const bool written = burnImage(drive, stream);
    if (abort_) return events().writeState(kWriteCancelled, 0);
    if (!written) return events().writeState(kWriteFailed, 0);
    if (settings_.AutoVerify && !settings_.TestWrite && !verify(drive)) {
        return events().writeState(kWriteFailed, 0);
    }
    events().writeState(kWriteCompleted, 100);
}

bool LibburnEngine::burnImage(LibburnDrive& drive, burn_source* stream) {
    BurnJob job(drive, settings_);
    ErrorRecord error;
    if (!job.prepare(stream, &error)) {
        events().writeError(error);
        return false;
    }
    int lastState = -1, lastProgress = -1;
    job.run([&](int state, int progress) {
        if (abort_) job.cancel();
        if (state == lastState && progress == lastProgress) return;
        lastState = state;
        lastProgress = progress;
        events().writeState(state, progress);
    });
    if (abort_) return false;
    if (!job.finish(&error)) {
        events().writeError(error);
        return false;
    }
    return true;
}

bool LibburnEngine::verify(LibburnDrive& drive) {
    long checked = 0, matched = 0;
    VerifyListener listener{
        [&](long count) { events().verifyStart(count); },
        [&](const VerifiedFile& f, int result, long position, long total) {
            events().verifyFile(f, result, position, total);
        },
        [&](long c, long m) {
            checked = c;
            matched = m;
            events().verifyComplete(c, m);
        },
        [&] { return abort_.load(); }};
    drive.reassess();
    const bool ok = drive.stdioPath().empty() ? VerifyWrittenImage(drive.handle(), image_, listener)
                                              : VerifyImageFile(drive.stdioPath(), image_, listener);
    if (!ok && !abort_) {
        events().writeError(VerifyMismatchError(checked, matched));
    }
    return ok;
}

bool LibburnEngine::startErase(LibburnDrive& drive, bool quick, int mode) {
    if (mode != kEraseByBlanking && mode != kEraseByFormatting) return false;
    return launch([this, &drive, quick, mode] { erase(drive, quick, mode); });
}

void LibburnEngine::erase(LibburnDrive& drive, bool quick, int mode) {
    events().eraseState(kEraseStarted, 0);
    DeviceErrorRecord error;
    const bool ok = drive.erase(quick, mode, [&](int progress) { events().eraseState(kErasing, progress); }, &error);
    if (!ok) events().deviceError(error);
    events().eraseState(ok ? kEraseCompleted : kEraseFailed, ok ? 100 : 0);
}

}  // namespace

std::unique_ptr<DiscEngine> CreateLibburnEngine(const std::string& pseudoDrives) {
    return std::make_unique<LibburnEngine>(pseudoDrives);
}

}  // namespace disc
