#pragma once
// The engine's numeric codes. The windows only compare against these values;
// what each means is this program's own choice, kept in this one table:
//
//   media type   medium (libburn profile)
//     0          none loaded
//     1          CD-R (0x09)                  2  CD-RW (0x0a)
//     3          DVD-R, DVD-R/DL (0x11, 0x15) 4  DVD-RW (0x13, 0x14)
//     5          DVD+RW (0x1a)                6  DVD+R, DVD+R/DL (0x1b, 0x2b)
//     8          read-only disc               9  DVD-RAM (0x12)
//    14          BD-R (0x41)                 15  BD-RE (0x43)
//    16          stdio pseudo-drive file (0xffff)
//
//   capability   the drive can
//    17          format DVD-RAM              19  blank DVD-RW
//    22          blank CD-RW                 23  format DVD+RW
//    27          format BD-RE                57  protect against buffer underrun
//
// An erase needs a capability and a medium that belong together; the pairs are
// tried in the order the erase window lists them.

#include <array>
#include <utility>

namespace disc {

enum MediaType : int {
    kNoMedia = 0, kCdR = 1, kCdRw = 2, kDvdR = 3, kDvdRw = 4, kDvdPlusRw = 5, kDvdPlusR = 6,
    kReadOnlyDisc = 8, kDvdRam = 9, kBdR = 14, kBdRe = 15, kStdioFile = 16,
};

enum Capability : int {
    kFormatDvdRam = 17, kBlankDvdRw = 19, kBlankCdRw = 22, kFormatDvdPlusRw = 23, kFormatBdRe = 27,
    kBufferProtection = 57,
};

// (capability, media type)
inline constexpr std::array<std::pair<int, int>, 5> kErasePairs{{
    {kFormatDvdRam, kDvdRam}, {kBlankDvdRw, kDvdRw}, {kBlankCdRw, kCdRw},
    {kFormatDvdPlusRw, kDvdPlusRw}, {kFormatBdRe, kBdRe},
}};

// Erase modes the device reports for its medium.
enum EraseMode : int { kEraseByBlanking = 1, kEraseByFormatting = 2 };

// Volume types of the write window. libisofs writes no UDF, so the UDF forms
// are written as the nearest ISO 9660 form (Rock Ridge is always added for
// POSIX readers; Joliet where the name promises it or UDF would give Windows
// long names).
enum VolumeType : int { kIso9660 = 1, kJolietBridge = 3, kUdf = 4, kUdfDvdVideoBridge = 5, kJolietUdfBridge = 7 };
inline bool VolumeTypeHasJoliet(int type) { return type == kJolietBridge || type == kUdf || type == kJolietUdfBridge; }

// Write states, erase states and verify results the engine reports.
enum WriteState : int {
    kPreparingImage = 0, kWritingPregap = 1, kWritingData = 2, kFlushingData = 3, kClosingTrack = 4,
    kWritingLeadIn = 5, kWritingLeadOut = 6, kIdle = 7, kUpdatingVolume = 8,
    kWriteCompleted = 9, kWriteCancelled = 10, kWriteFailed = 11,
};
enum EraseState : int { kEraseStarted = 0, kErasing = 1, kEraseCompleted = 2, kEraseFailed = 3 };
enum VerifyResult : int {
    kSourceUnreadable = 0, kDiscFileUnreadable = 1, kContentsDiffer = 2, kMatched = 3, kSkipped = 4, kSizesDiffer = 5,
};

// Error record categories.
enum ErrorCategory : int { kDeviceError = 1, kOutputFileError = 2, kSourceFileError = 3, kSystemError = 5 };

inline constexpr int kBlockSize = 2048;

}  // namespace disc
