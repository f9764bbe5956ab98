#include "backup/ZipStreamCheck.h"

#include <functional>
#include <string_view>

#include "backup/DeflateChunks.h"

namespace backup {

namespace {

constexpr std::uint32_t kLocal = 0x04034b50, kCentral = 0x02014b50, kZip64End = 0x06064b50,
                        kLocator = 0x07064b50, kEnd = 0x06054b50;
constexpr std::uint32_t k32 = 0xFFFFFFFFu;
constexpr std::uint64_t kWholeAtMost = 1u << 20;

std::uint64_t le(const std::string& s, std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
    return v;
}

std::uint64_t hashOf(std::string_view name) { return std::hash<std::string_view>()(name); }

// The Zip64 extra field's values, each present only where the header's own
// field is full, in the order usize, csize, offset.
void readZip64(std::string_view extra, std::uint64_t* fields[], int count) {
    for (std::size_t at = 0; at + 4 <= extra.size();) {
        const std::string block(extra.substr(at, 4));
        const auto id = le(block, 0, 2), length = le(block, 2, 2);
        if (id == 0x0001) {
            const std::string data(extra.substr(at + 4, length));
            std::size_t next = 0;
            for (int i = 0; i < count; ++i) {
                if (*fields[i] != k32 || next + 8 > data.size()) continue;
                *fields[i] = le(data, next, 8);
                next += 8;
            }
        }
        at += 4 + length;
    }
}

}  // namespace

ZipStreamCheck::ZipStreamCheck(Large large) : large_(large) {}
ZipStreamCheck::~ZipStreamCheck() = default;

bool ZipStreamCheck::fail(const std::string& why) {
    if (error_.empty()) error_ = why + " (at byte " + std::to_string(recordAt_) + ")";
    return false;
}

void ZipStreamCheck::expect(Stage stage, std::size_t bytes) {
    stage_ = stage;
    wanted_ = bytes;
    held_.clear();
    recordAt_ = position_;
}

bool ZipStreamCheck::gather(const char*& data, std::size_t& size) {
    const std::size_t n = std::min(wanted_ - held_.size(), size);
    held_.append(data, n);
    data += n;
    size -= n;
    position_ += n;
    return held_.size() == wanted_;
}

bool ZipStreamCheck::feed(const char* data, std::size_t size) {
    while (error_.empty() && size > 0) {
        if (stage_ == Stage::Done) return fail("bytes follow the end of the archive");
        if (stage_ == Stage::Data) {
            consumeData(data, size);
            continue;
        }
        if (gather(data, size) && !step()) return false;
    }
    // A member of no bytes ends as soon as its header is read.
    if (error_.empty() && stage_ == Stage::Data && remaining_ == 0) endOfMember();
    return error_.empty();
}

bool ZipStreamCheck::step() {
    switch (stage_) {
    case Stage::Signature: return signature();
    case Stage::Local:
        method_ = static_cast<std::uint16_t>(le(held_, 4, 2));
        if (le(held_, 2, 2) & 0x9) return fail("a member is encrypted or has its sizes after its data");
        current_ = Entry{recordAt_ - 4, le(held_, 14, 4), le(held_, 18, 4), 0, static_cast<std::uint32_t>(le(held_, 10, 4))};
        nameLength_ = static_cast<std::uint16_t>(le(held_, 22, 2));
        extraLength_ = static_cast<std::uint16_t>(le(held_, 24, 2));
        expect(Stage::LocalNames, nameLength_ + extraLength_);
        return wanted_ > 0 || localNames();
    case Stage::LocalNames: return localNames();
    case Stage::Central:
        current_ = Entry{le(held_, 38, 4), le(held_, 16, 4), le(held_, 20, 4), 0, static_cast<std::uint32_t>(le(held_, 12, 4))};
        nameLength_ = static_cast<std::uint16_t>(le(held_, 24, 2));
        extraLength_ = static_cast<std::uint16_t>(le(held_, 26, 2));
        commentLength_ = static_cast<std::uint16_t>(le(held_, 28, 2));
        expect(Stage::CentralNames, nameLength_ + extraLength_ + commentLength_);
        return wanted_ > 0 || centralNames();
    case Stage::CentralNames: return centralNames();
    case Stage::Zip64End: return zip64End();
    case Stage::Locator: return locator();
    case Stage::End: return end();
    case Stage::Comment: expect(Stage::Done, 0); return true;
    default: return fail("the archive is not read in order");
    }
}

bool ZipStreamCheck::signature() {
    const auto sig = static_cast<std::uint32_t>(le(held_, 0, 4));
    const bool inCentral = centralIndex_ > 0 || centralAt_ != 0;
    if (sig == kLocal && !inCentral) {
        expect(Stage::Local, 26);
    } else if (sig == kCentral) {
        if (!inCentral) centralAt_ = recordAt_;
        expect(Stage::Central, 42);
    } else if (sig == kZip64End) {
        zip64EndAt_ = recordAt_;
        expect(Stage::Zip64End, 52);
    } else if (sig == kLocator) {
        expect(Stage::Locator, 16);
    } else if (sig == kEnd) {
        if (entries_.empty()) centralAt_ = recordAt_;
        expect(Stage::End, 18);
    } else {
        return fail("no zip record where one should begin");
    }
    return true;
}

bool ZipStreamCheck::localNames() {
    const std::string_view all(held_);
    current_.nameHash = hashOf(all.substr(0, nameLength_));
    std::uint64_t* fields[] = {&current_.size, &current_.compressedSize};
    readZip64(all.substr(nameLength_, extraLength_), fields, 2);
    if (method_ != 0 && method_ != 8) return fail("a member is packed with method " + std::to_string(method_));
    remaining_ = current_.compressedSize;
    inflated_ = 0;
    crc_ = 0;
    streamEnded_ = method_ == 0;
    whole_ = method_ == 8 && current_.size <= kWholeAtMost && current_.compressedSize <= kWholeAtMost;
    chunked_ = method_ == 8 && !whole_ && large_ == Large::InChunks;
    packed_.clear();
    if (chunked_) chunks_.reset(current_.size, current_.crc);
    else if (method_ == 8 && !whole_ && !inflater_.reset()) return fail("no inflater could be made");
    expect(Stage::Data, 0);
    return true;
}

void ZipStreamCheck::consumeData(const char*& data, std::size_t& size) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, size));
    if (method_ == 0) {
        crc_ = Crc32(crc_, data, n);
        inflated_ += n;
    } else if (whole_) {
        AppendBytes(packed_, data, n);
    } else if (chunked_) {
        if (!chunks_.feed(data, n)) {
            failedInChunks_ = true;
            fail("a member does not inflate in chunks");
            return;
        }
    } else {
        const bool ok = inflater_.feed(data, n, [this](const char* out, std::size_t k) {
            crc_ = Crc32(crc_, out, k);
            inflated_ += k;
            return true;
        });
        if (!ok) {
            fail(inflater_.ended() ? "a member has bytes after its end" : "a member does not inflate");
            return;
        }
        streamEnded_ = inflater_.ended();
    }
    data += n;
    size -= n;
    position_ += n;
    remaining_ -= n;
    if (remaining_ == 0 && (!whole_ || inflateWhole()) && (!chunked_ || finishChunks())) endOfMember();
}

bool ZipStreamCheck::finishChunks() {
    if (!chunks_.finish()) {
        failedInChunks_ = true;
        return fail("a member does not inflate in chunks to the size and CRC its header declares");
    }
    inflated_ = current_.size;
    crc_ = current_.crc;
    streamEnded_ = true;
    return true;
}

bool ZipStreamCheck::inflateWhole() {
    unpacked_.resize(static_cast<std::size_t>(current_.size));
    if (!InflateExactly(packed_.data(), packed_.size(), unpacked_.data(), unpacked_.size(), wholeInflater_)) {
        return fail("a member does not inflate to the size its header declares");
    }
    crc_ = Crc32(0, unpacked_.data(), unpacked_.size());
    inflated_ = current_.size;
    streamEnded_ = true;
    return true;
}

bool ZipStreamCheck::endOfMember() {
    if (!streamEnded_) return fail("a member ends before its deflate stream does");
    if (inflated_ != current_.size || crc_ != current_.crc) return fail("a member's size or CRC is wrong");
    entries_.push_back(current_);
    expect(Stage::Signature, 4);
    return true;
}

bool ZipStreamCheck::centralNames() {
    if (centralIndex_ >= entries_.size()) return fail("the central directory lists more members than there are");
    const std::string_view all(held_);
    std::uint64_t* fields[] = {&current_.size, &current_.compressedSize, &current_.offset};
    readZip64(all.substr(nameLength_, extraLength_), fields, 3);
    current_.nameHash = hashOf(all.substr(0, nameLength_));
    const Entry& local = entries_[centralIndex_++];
    if (local.offset != current_.offset || local.nameHash != current_.nameHash || local.crc != current_.crc ||
        local.size != current_.size || local.compressedSize != current_.compressedSize) {
        return fail("the central directory does not match member " + std::to_string(centralIndex_));
    }
    expect(Stage::Signature, 4);
    return true;
}

bool ZipStreamCheck::zip64End() {
    if (le(held_, 0, 8) != 44 || le(held_, 28, 8) != entries_.size() || le(held_, 44, 8) != centralAt_) {
        return fail("the Zip64 end record does not match the archive");
    }
    zip64End_ = true;
    expect(Stage::Signature, 4);
    return true;
}

bool ZipStreamCheck::locator() {
    if (!zip64End_ || le(held_, 4, 8) != zip64EndAt_) return fail("the Zip64 locator points elsewhere");
    expect(Stage::Signature, 4);
    return true;
}

bool ZipStreamCheck::end() {
    const std::uint64_t count = le(held_, 6, 2), at = le(held_, 12, 4);
    const bool countOk = count == entries_.size() || (zip64End_ && count == 0xFFFF);
    const bool atOk = at == centralAt_ || (zip64End_ && at == k32);
    if (!countOk || !atOk || centralIndex_ != entries_.size()) return fail("the end record does not match the archive");
    commentLength_ = static_cast<std::uint16_t>(le(held_, 16, 2));
    expect(Stage::Comment, commentLength_);
    if (commentLength_ == 0) expect(Stage::Done, 0);
    return true;
}

bool ZipStreamCheck::finish() {
    if (!error_.empty()) return false;
    if (stage_ != Stage::Done) return fail("the archive ends early");
    return true;
}

}  // namespace backup
