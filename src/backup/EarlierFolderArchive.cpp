#include "backup/EarlierFolderArchive.h"

#include <algorithm>
#include <cstring>
#include <memory>

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

bool FileMatchesEntry(const std::string& path, const ReusableEntry& entry) {
    platform::RawFile file;
    if (!file.openForReading(path)) return false;
    constexpr std::size_t kStep = 1 << 20;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kStep);
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    for (;;) {
        const long long n = file.readAt(size, buffer.get(), kStep);
        if (n < 0) return false;
        if (n == 0) break;
        crc = Crc32(crc, buffer.get(), static_cast<std::size_t>(n));
        size += static_cast<std::uint64_t>(n);
        if (size > entry.size) return false;
    }
    return size == entry.size && crc == entry.crc;
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
