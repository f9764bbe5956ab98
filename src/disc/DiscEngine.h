#pragma once
// The disc engine the disc windows drive: writers and their media, the data
// image, writing with verification, erasing. Calls return at once; a write or
// an erase runs on the engine's own thread and reports through DiscEvents
// (from that thread: a window adaptor moves them onto its own).

#include "disc/DiscCodes.h"
#include "disc/DiscImage.h"
#include "disc/DiscRecords.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace disc {

class DiscEvents {
public:
    virtual ~DiscEvents() = default;
    virtual void writeState(int /*state*/, int /*progress*/) {}
    virtual void verifyStart(long /*count*/) {}
    virtual void verifyFile(const VerifiedFile&, int /*result*/, long /*position*/, long /*total*/) {}
    virtual void verifyComplete(long /*checked*/, long /*matched*/) {}
    // true goes on, false gives up the write
    virtual bool fileWarning(const FileRecord&) { return true; }
    virtual void trackReading(int /*track*/, long /*value*/, const std::string& /*text*/) {}
    virtual void writeError(const ErrorRecord&) {}
    virtual void eraseState(int /*state*/, int /*progress*/) {}
    virtual void deviceError(const DeviceErrorRecord&) {}
};

struct DiscMedia {
    int MediaType = 0;
    bool IsWritable = false;
    bool IsRewritable = false;
};

class DiscDevice {
public:
    virtual ~DiscDevice() = default;
    virtual std::string Name() const = 0;
    virtual bool IsWriter() const = 0;
    virtual bool SupportsCapability(int code) const = 0;
    virtual void RefreshMedia(bool full) = 0;
    virtual DiscMedia Media() const = 0;
    virtual std::int64_t FreeBlocks(bool writable) = 0;
    virtual int WriteSpeedCount() const = 0;
    virtual int WriteSpeed(int index) const = 0;
    virtual double SpeedMultiplier(int speed) const = 0;
    virtual bool Eject() = 0;
    virtual bool CloseTray() = 0;
    virtual int EraseMode() const = 0;
    virtual bool StartErase(bool quick, int mode) = 0;
};

// The erase rule: one listed pair must hold, the drive's capability together
// with exactly its media type.
inline bool SupportsErasePair(const DiscDevice& device, int mediaType) {
    for (const auto& [capability, type] : kErasePairs) {
        if (device.SupportsCapability(capability) && mediaType == type) return true;
    }
    return false;
}

// Settings the write window sets before StartWrite.
struct WriteSettings {
    int VolumeType = 7;
    int InitialSetting = 1;
    bool UseFileDates = true;
    int WriteControl = 1;
    int WriteSpeed = 0;  // a device's speed value; 0 = fastest
    bool AutoVerify = false;
    bool Mode2XA = false;
    bool CacheImage = false;
    bool TestWrite = false;
    bool FinalizeDisc = false;
    bool BufferProtect = false;
    int WriteMode = 2;  // 248 disc-at-once
};

class DiscEngine {
public:
    virtual ~DiscEngine() = default;
    virtual void setEvents(DiscEvents* events) = 0;
    virtual bool InitializeDevices(bool rescan) = 0;
    // Drives that were named but could not be opened, one sentence each.
    virtual std::vector<std::string> DeviceProblems() const = 0;
    virtual int DeviceCount() const = 0;
    virtual DiscDevice* Device(int index) = 0;
    virtual DiscImage& Image() = 0;
    virtual WriteSettings& Settings() = 0;
    virtual std::string& VolumeIdentifier() = 0;
    virtual int BlockSize() const = 0;
    virtual double ImageSize() = 0;
    virtual bool StartWrite(DiscDevice* device) = 0;
    virtual void AbortWrite() = 0;
    // Waits for a running write or erase to end (the windows never need to).
    virtual void Wait() = 0;
};

// The engine over libburn and libisofs; pseudo-drives are read from
// $TARNHOLD_DISC_DRIVES (";"-separated libburn addresses such as
// "stdio:/tmp/disc.iso").
std::unique_ptr<DiscEngine> CreateLibburnEngine(const std::string& pseudoDrives);

}  // namespace disc
