#pragma once
// Turns the composed image into an ISO 9660 stream through libisofs, and
// reads a written image back to compare it with the sources.

#include "disc/DiscImage.h"
#include "disc/DiscRecords.h"

#include <functional>
#include <memory>
#include <string>

namespace burn {  // libburn declares its C API in this namespace for C++
struct burn_source;
struct burn_drive;
}  // namespace burn

namespace disc {

struct IsoSettings {
    std::string volumeId;
    int volumeType = 7;
    bool useFileDates = true;
};

// The image stream for libburn; nullptr with *error filled when a source
// cannot be taken into the image (it vanished, it cannot be read).
burn::burn_source* CreateImageStream(const DiscImage& image, const IsoSettings& settings, ErrorRecord* error);
// Bytes the image takes on a disc.
double ComputeImageSize(const DiscImage& image, const IsoSettings& settings);

struct VerifyListener {
    std::function<void(long count)> start;
    std::function<void(const VerifiedFile&, int result, long position, long total)> file;
    std::function<void(long checked, long matched)> complete;
    std::function<bool()> cancelled;
};

// Reads every file of the image from the written disc in the drive and
// compares it with its source. True when every file matched.
bool VerifyWrittenImage(burn::burn_drive* drive, const DiscImage& image, const VerifyListener& listener);
// The same over an image file (a stdio pseudo-drive's target).
bool VerifyImageFile(const std::string& isoPath, const DiscImage& image, const VerifyListener& listener);

}  // namespace disc
