#include "backup/EarlierFolderArchive.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

#include "backup/ZipDirectory.h"

namespace backup {

namespace {

constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kEncrypted = 1, kDataDescriptor = 1u << 3;

// FNV-1a: the index keeps a number per name, not the name; the local
// header's name is compared before anything is copied.
std::uint64_t nameHash(std::string_view name) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : name) h = (h ^ c) * 0x100000001b3ull;
    return h;
}

bool lessByHash(const std::pair<std::uint64_t, ReusableEntry>& a, const std::pair<std::uint64_t, ReusableEntry>& b) {
    return a.first < b.first;
}

}  // namespace

std::shared_ptr<EarlierFolderArchive> EarlierFolderArchive::Open(const std::string& path, std::uint64_t base,
                                                                 std::uint64_t length, std::string* why) {
    std::shared_ptr<EarlierFolderArchive> archive(new EarlierFolderArchive);
    archive->path_ = path;
    archive->base_ = base;
    archive->length_ = length;
    if (!archive->file_.openForReading(path)) {
        *why = "\"" + path + "\" cannot be read: " + archive->file_.error();
        return nullptr;
    }
    auto& entries = archive->entries_;
    const auto keep = [&](const DirectoryEntry& e) {
        const bool copyable = e.method == kDeflated && !(e.flags & (kEncrypted | kDataDescriptor)) &&
                              e.localOffset + e.compressedSize <= length;
        if (copyable) entries.push_back({nameHash(e.name), {e.localOffset, e.compressedSize, e.size, e.crc, e.dosTime}});
    };
    if (!ReadZipDirectory(archive->file_, base, length, keep, why)) return nullptr;
    entries.shrink_to_fit();
    std::stable_sort(entries.begin(), entries.end(), lessByHash);
    return archive;
}

const ReusableEntry* EarlierFolderArchive::find(std::string_view name) const {
    const std::pair<std::uint64_t, ReusableEntry> key{nameHash(name), {}};
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), key, lessByHash);
    return it != entries_.end() && it->first == key.first ? &it->second : nullptr;
}

EarlierFolderArchive::Read EarlierFolderArchive::readDeflated(const ReusableEntry& entry, std::string_view name,
                                                              Bytes& out) const {
    return readDeflatedRange(entry, name, 0, entry.compressedSize, out);
}

EarlierFolderArchive::Read EarlierFolderArchive::readDeflatedRange(const ReusableEntry& entry, std::string_view name,
                                                                   std::uint64_t offset, std::uint64_t length,
                                                                   Bytes& out) const {
    const auto header = ReadLocalHeader(file_, base_, entry.localOffset);
    if (!header || header->dataOffset + entry.compressedSize > length_ || offset + length > entry.compressedSize) {
        return Read::Unsound;
    }
    if (header->name != name) return Read::OtherName;
    out.resize(length);
    return file_.readExactly(base_ + header->dataOffset + offset, out.data(), length) ? Read::Done : Read::Unsound;
}

void EarlierFolderArchive::markDamaged(const std::string& why) {
    std::lock_guard lock(mutex_);
    if (!damaged_) damage_ = why;
    damaged_ = true;
}

std::string EarlierFolderArchive::damage() const {
    std::lock_guard lock(mutex_);
    return damage_;
}

namespace {

struct RangeSum {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    bool read = false;
};

// The CRC-32 of the file's bytes from `from` up to `to`, or to its end
// when that comes first.
RangeSum SumRange(const std::string& path, std::uint64_t from, std::uint64_t to) {
    RangeSum sum;
    platform::RawFile file;
    if (!file.openForReading(path)) return sum;
    constexpr std::size_t kStep = 1 << 20;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kStep);
    while (from + sum.size < to) {
        const long long n = file.readAt(from + sum.size, buffer.get(),
                                        static_cast<std::size_t>(std::min<std::uint64_t>(kStep, to - from - sum.size)));
        if (n < 0) return sum;
        if (n == 0) break;
        sum.crc = Crc32(sum.crc, buffer.get(), static_cast<std::size_t>(n));
        sum.size += static_cast<std::uint64_t>(n);
    }
    sum.read = true;
    return sum;
}

// Above this, the file's second half is read on another thread: the
// pipeline waits for the answer, and the other core would sit idle.
constexpr std::uint64_t kInHalvesAbove = 64u << 20;

}  // namespace

bool FileMatchesEntry(const std::string& path, const ReusableEntry& entry) {
    // Read to one byte past the entry's size, to see a file that has grown.
    if (entry.size <= kInHalvesAbove) {
        const RangeSum whole = SumRange(path, 0, entry.size + 1);
        return whole.read && whole.size == entry.size && whole.crc == entry.crc;
    }
    const std::uint64_t half = entry.size / 2;
    RangeSum second;
    std::thread other([&] { second = SumRange(path, half, entry.size + 1); });
    const RangeSum first = SumRange(path, 0, half);
    other.join();
    return first.read && second.read && first.size == half && second.size == entry.size - half &&
           Crc32Combine(first.crc, second.crc, second.size) == entry.crc;
}

bool CopyUnchanged(EarlierFolderArchive& earlier, const ReusableEntry& entry, std::string_view name, const char* raw,
                   std::uint64_t size, std::uint32_t crc, bool provenLater, Bytes& deflated, Decompressor& inflater,
                   Bytes& scratch) {
    if (earlier.damaged() || entry.size != size || entry.crc != crc) return false;
    const auto read = earlier.readDeflated(entry, name, deflated);
    if (read != EarlierFolderArchive::Read::Done) {
        if (read == EarlierFolderArchive::Read::Unsound) {
            earlier.markDamaged("its member \"" + std::string(name) + "\" cannot be read");
        }
        deflated.clear();
        return false;
    }
    if (provenLater) return true;
    scratch.resize(static_cast<std::size_t>(size));
    if (!InflateExactly(deflated.data(), deflated.size(), scratch.data(), scratch.size(), inflater) ||
        std::memcmp(scratch.data(), raw, scratch.size()) != 0) {
        earlier.markDamaged("its member \"" + std::string(name) + "\" does not inflate to the file it holds");
        deflated.clear();
        return false;
    }
    return true;
}

}  // namespace backup
