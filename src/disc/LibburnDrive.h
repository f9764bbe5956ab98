#pragma once
// One drive as libburn sees it: a real writer or a stdio pseudo-drive.

#include "disc/DiscEngine.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace burn {  // libburn declares its C API in this namespace for C++
struct burn_drive;
struct burn_drive_info;
struct burn_source;
struct burn_disc;
struct burn_write_opts;
}  // namespace burn

namespace disc {

class LibburnDrive;

// What a drive needs from the engine that owns it.
class DriveOwner {
public:
    virtual ~DriveOwner() = default;
    virtual bool startErase(LibburnDrive& drive, bool quick, int mode) = 0;
    virtual bool busy() const = 0;
};

bool InitialiseLibburn();
// The real writers' addresses, then the pseudo-drives of the ";"-list.
std::vector<std::string> DriveAddresses(const std::string& pseudoDrives);

class LibburnDrive final : public DiscDevice {
public:
    // nullptr with *problem said in one sentence when the drive cannot be opened.
    static std::unique_ptr<LibburnDrive> Open(DriveOwner& owner, const std::string& address, std::string* problem);
    ~LibburnDrive() override;

    std::string Name() const override { return name_; }
    bool IsWriter() const override;
    bool SupportsCapability(int code) const override;
    void RefreshMedia(bool full) override;
    DiscMedia Media() const override { return media_; }
    std::int64_t FreeBlocks(bool writable) override;
    int WriteSpeedCount() const override { return static_cast<int>(speeds_.size()); }
    int WriteSpeed(int index) const override;
    double SpeedMultiplier(int speed) const override;
    bool Eject() override;
    bool CloseTray() override;
    int EraseMode() const override;
    bool StartErase(bool quick, int mode) override { return owner_.startErase(*this, quick, mode); }

    burn::burn_drive* handle() const { return drive_; }
    // The image file behind a stdio pseudo-drive, empty for a real drive.
    const std::string& stdioPath() const { return stdioPath_; }
    void reassess();
    bool erase(bool quick, int mode, const std::function<void(int)>& progress, DeviceErrorRecord* error);

private:
    LibburnDrive(DriveOwner& owner, std::string address) : owner_(owner), address_(std::move(address)) {}
    bool grab(bool load);
    void release(bool eject);
    int profile() const;

    DriveOwner& owner_;
    std::string address_;
    std::string name_;
    std::string stdioPath_;
    burn::burn_drive_info* info_ = nullptr;
    burn::burn_drive* drive_ = nullptr;
    DiscMedia media_;
    std::vector<int> speeds_;
    std::vector<int> capabilities_;
};

// One write of an image stream to a drive.
class BurnJob {
public:
    BurnJob(LibburnDrive& drive, const WriteSettings& settings) : drive_(drive), settings_(settings) {}
    ~BurnJob();
    bool prepare(burn::burn_source* stream, ErrorRecord* error);
    // Polls the drive until the write ends; report gets (write state, percent).
    void run(const std::function<void(int, int)>& report);
    void cancel();
    bool finish(ErrorRecord* error);

private:
    LibburnDrive& drive_;
    const WriteSettings& settings_;
    burn::burn_disc* disc_ = nullptr;
    burn::burn_write_opts* opts_ = nullptr;
    bool cancelled_ = false;
};

// The most serious queued libburn message, if any; the queue is emptied.
bool TakeLibburnMessage(DeviceErrorRecord* record);

}  // namespace disc
