#pragma once
// The central directory of a zip read straight from the file, with what
// libzip does not tell: where each member's data starts. The zip may lie
// inside another file (a folder archive stored in a backup), at `base`.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {
class RawFile;
}

namespace backup {

struct DirectoryEntry {
    std::string_view name;  // valid during the callback only
    std::uint64_t localOffset = 0;  // from the zip's start
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::uint32_t dosTime = 0;
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
};

// Calls `each` for every entry of the zip in [base, base + length) of
// `file`, in directory order; false with the reason when the directory
// cannot be read whole.
bool ReadZipDirectory(platform::RawFile& file, std::uint64_t base, std::uint64_t length,
                      const std::function<void(const DirectoryEntry&)>& each, std::string* why);

struct LocalHeader {
    std::string name;
    std::uint64_t dataOffset = 0;  // from the zip's start
};
// The local header at `localOffset` of the zip at `base`; nothing when
// there is none.
std::optional<LocalHeader> ReadLocalHeader(platform::RawFile& file, std::uint64_t base, std::uint64_t localOffset);

// Where the data of the member `name` starts in the zip that is all of
// `file` (`length` bytes): its directory entry and its local header must
// both name it. Nothing, with the reason, otherwise.
std::optional<std::uint64_t> FindMemberData(platform::RawFile& file, std::uint64_t length, std::string_view name,
                                            std::string* why);

}  // namespace backup
