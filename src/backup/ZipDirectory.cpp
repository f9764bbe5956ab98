#include "backup/ZipDirectory.h"

#include <algorithm>
#include <vector>

#include "platform/RawFile.h"

namespace backup {

namespace {

constexpr std::uint32_t k32 = 0xFFFFFFFFu;
constexpr std::size_t kEndRecord = 22, kLocator = 20, kZip64End = 56, kCentral = 46, kLocal = 30;
constexpr std::size_t kTailMax = kEndRecord + 0xFFFF;  // the end record and the longest comment
constexpr std::size_t kChunk = 1 << 20;

std::uint64_t get(const char* at, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(at[i]);
    return v;
}

struct Directory {
    std::uint64_t count = 0, size = 0, offset = 0;
};

// The end records: where the directory is and how many entries it holds.
bool findDirectory(platform::RawFile& file, std::uint64_t base, std::uint64_t length, Directory* d, std::string* why) {
    const std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(length, kTailMax));
    std::vector<char> bytes(tail);
    if (tail < kEndRecord || !file.readExactly(base + length - tail, bytes.data(), tail)) {
        *why = "it is too short to be a zip";
        return false;
    }
    std::size_t at = tail - kEndRecord + 1;
    do {
        --at;
    } while (at > 0 && get(&bytes[at], 4) != 0x06054b50);
    if (get(&bytes[at], 4) != 0x06054b50) {
        *why = "it has no end of central directory";
        return false;
    }
    const char* end = &bytes[at];
    *d = {get(end + 10, 2), get(end + 12, 4), get(end + 16, 4)};
    if (d->count == 0xFFFF || d->size == k32 || d->offset == k32) {
        const std::uint64_t endAt = length - tail + at;
        char locator[kLocator], record[kZip64End];
        if (endAt < kLocator || !file.readExactly(base + endAt - kLocator, locator, kLocator) ||
            get(locator, 4) != 0x07064b50 || get(locator + 8, 8) + kZip64End > length ||
            !file.readExactly(base + get(locator + 8, 8), record, kZip64End) || get(record, 4) != 0x06064b50) {
            *why = "its Zip64 end records are not sound";
            return false;
        }
        *d = {get(record + 32, 8), get(record + 40, 8), get(record + 48, 8)};
    }
    if (d->offset + d->size > length) {
        *why = "its central directory lies beyond its end";
        return false;
    }
    return true;
}

// The Zip64 values of a central record, in the order they stand.
void applyZip64(const char* extra, std::size_t extraLength, DirectoryEntry* e) {
    for (std::size_t at = 0; at + 4 <= extraLength;) {
        const std::size_t id = get(extra + at, 2), size = get(extra + at + 2, 2);
        if (at + 4 + size > extraLength) return;
        if (id == 0x0001) {
            const char* v = extra + at + 4;
            std::size_t used = 0;
            for (std::uint64_t* field : {&e->size, &e->compressedSize, &e->localOffset}) {
                if (*field == k32 && used + 8 <= size) {
                    *field = get(v + used, 8);
                    used += 8;
                }
            }
            return;
        }
        at += 4 + size;
    }
}

}  // namespace

bool ReadZipDirectory(platform::RawFile& file, std::uint64_t base, std::uint64_t length,
                      const std::function<void(const DirectoryEntry&)>& each, std::string* why) {
    Directory d;
    if (!findDirectory(file, base, length, &d, why)) return false;
    std::vector<char> buffer;
    std::size_t start = 0;       // the next record's place in buffer
    std::uint64_t readUpTo = 0;  // of the directory
    // At least `needed` bytes from the next record on in the buffer.
    const auto ensure = [&](std::size_t needed) {
        while (buffer.size() - start < needed) {
            if (readUpTo >= d.size) {
                *why = "its central directory ends inside an entry";
                return false;
            }
            buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(start));
            start = 0;
            const std::size_t more = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, d.size - readUpTo));
            const std::size_t old = buffer.size();
            buffer.resize(old + more);
            if (!file.readExactly(base + d.offset + readUpTo, buffer.data() + old, more)) {
                *why = "its central directory cannot be read";
                return false;
            }
            readUpTo += more;
        }
        return true;
    };
    for (std::uint64_t n = 0; n < d.count; ++n) {
        if (!ensure(kCentral)) return false;
        if (get(&buffer[start], 4) != 0x02014b50) {
            *why = "entry " + std::to_string(n) + " of its central directory is not sound";
            return false;
        }
        if (!ensure(kCentral + get(&buffer[start + 28], 2) + get(&buffer[start + 30], 2) + get(&buffer[start + 32], 2))) {
            return false;
        }
        const char* r = &buffer[start];
        const std::size_t nameLength = get(r + 28, 2), extraLength = get(r + 30, 2);
        DirectoryEntry e;
        e.flags = static_cast<std::uint16_t>(get(r + 8, 2));
        e.method = static_cast<std::uint16_t>(get(r + 10, 2));
        e.dosTime = static_cast<std::uint32_t>(get(r + 12, 4));
        e.crc = static_cast<std::uint32_t>(get(r + 16, 4));
        e.compressedSize = get(r + 20, 4);
        e.size = get(r + 24, 4);
        e.localOffset = get(r + 42, 4);
        e.name = std::string_view(r + kCentral, nameLength);
        applyZip64(r + kCentral + nameLength, extraLength, &e);
        each(e);
        start += kCentral + nameLength + extraLength + get(r + 32, 2);
    }
    return true;
}

std::optional<LocalHeader> ReadLocalHeader(platform::RawFile& file, std::uint64_t base, std::uint64_t localOffset) {
    char fixed[kLocal];
    if (!file.readExactly(base + localOffset, fixed, kLocal) || get(fixed, 4) != 0x04034b50) return std::nullopt;
    LocalHeader header;
    header.name.resize(get(fixed + 26, 2));
    if (!file.readExactly(base + localOffset + kLocal, header.name.data(), header.name.size())) return std::nullopt;
    header.dataOffset = localOffset + kLocal + header.name.size() + get(fixed + 28, 2);
    return header;
}

std::optional<std::uint64_t> FindMemberData(platform::RawFile& file, std::uint64_t length, std::string_view name,
                                            std::string* why) {
    std::optional<std::uint64_t> local;
    const auto find = [&](const DirectoryEntry& e) {
        if (!local && e.name == name) local = e.localOffset;
    };
    if (!ReadZipDirectory(file, 0, length, find, why)) return std::nullopt;
    const auto header = local ? ReadLocalHeader(file, 0, *local) : std::nullopt;
    if (!header || header->name != name) {
        *why = "its local header is not where the directory says";
        return std::nullopt;
    }
    return header->dataOffset;
}

}  // namespace backup
