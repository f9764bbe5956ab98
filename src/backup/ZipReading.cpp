// Opening archives, checking passwords and extracting members. Every read
// streams in chunks and is checked to its end (CRC, AES authentication)
// before a file is put in place.

#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "backup/ChunkedInflate.h"
#include "backup/DeflateChunks.h"
#include "backup/ZipDirectory.h"
#include "backup/ZipComponent.h"
#include "backup/ZipNames.h"
#include "backup/ZipReader.h"
#include "platform/AtomicFile.h"
#include "platform/Cores.h"
#include "platform/FsPath.h"
#include "platform/RawFile.h"

namespace backup {

namespace {

namespace fs = std::filesystem;

std::string zipErrorText(zip_t* za) { return zip_error_strerror(zip_get_error(za)); }

// Large reads keep the read-back of a whole backup cheap.
constexpr std::size_t kChunk = 1024 * 1024;
constexpr zip_uint32_t kUnixTypeMask = 0170000;
constexpr zip_uint32_t kUnixSymlink = 0120000;

// Deflate expands at most about 1032 times; a mail store holds no file that
// is nearly all one repeated byte, while a bomb is (a 2 GiB file from 2 MB).
// Small files, such as pre-allocated logs, get an allowance.
constexpr std::uint64_t kMaxExpansion = 500;
constexpr std::uint64_t kExpansionAllowance = 16u << 20;

bool outOfProportion(const ZipMember& m) {
    return m.size > kExpansionAllowance && (m.size - kExpansionAllowance) / kMaxExpansion > m.compressedSize;
}

zip_t* openReadOnly(const std::string& path, std::string* error) {
    int code = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!za && error) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        *error = "cannot open the archive \"" + path + "\": " + zip_error_strerror(&e);
        zip_error_fini(&e);
    }
    return za;
}

bool isSymlink(zip_t* za, zip_uint64_t index) {
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, index, 0, &opsys, &attributes) != 0) return false;
    return opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & kUnixTypeMask) == kUnixSymlink;
}

std::optional<ZipMember> statMember(zip_t* za, zip_uint64_t index) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) return std::nullopt;
    ZipMember m;
    m.index = index;
    const char* name = zip_get_name(za, index, ZIP_FL_ENC_GUESS);
    m.name = name ? name : st.name;
    m.size = st.size;
    m.compressedSize = st.comp_size;
    m.encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
    m.directory = !m.name.empty() && m.name.back() == '/';
    m.stored = (st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method == ZIP_CM_STORE;
    m.crc = (st.valid & ZIP_STAT_CRC) ? st.crc : 0;
    m.symlink = isSymlink(za, index);
    return m;
}

void setModificationTime(const fs::path& file, zip_t* za, zip_uint64_t index) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_MTIME)) return;
    std::error_code ec;
    const auto when = std::chrono::system_clock::from_time_t(st.mtime);
    fs::last_write_time(file, std::chrono::file_clock::from_sys(when), ec);
}

}  // namespace

// The bytes a public read (testMember, testAll, extractMember, unzipAll)
// takes through readMember, told to readProgress. Only the outermost read
// counts; the copies unzipAll reads with on other cores add to its count.
class ZipComponent::ReadTally {
public:
    ReadTally(ZipComponent& zip, std::uint64_t total) : zip_(zip), outermost_(zip.tally_ == nullptr), total_(total) {
        if (outermost_) zip_.tally_ = this;
    }
    ~ReadTally() {
        if (outermost_) zip_.tally_ = nullptr;
    }
    ReadTally(const ReadTally&) = delete;
    ReadTally& operator=(const ReadTally&) = delete;

    void add(std::size_t n, const ZipNotifications& notify) {
        const std::uint64_t done = done_ += n;
        if (notify.readProgress) notify.readProgress(done, total_);
    }
    // Called once the whole read succeeded.
    void finished() {
        if (outermost_ && zip_.notify_.readProgress) zip_.notify_.readProgress(done_, total_);
    }

private:
    ZipComponent& zip_;
    const bool outermost_;
    const std::uint64_t total_;
    std::atomic<std::uint64_t> done_{0};
};

bool ZipComponent::openArchive(const std::string& path) {
    closeArchive();
    zip_t* za = openReadOnly(path, &error_);
    if (!za) return false;
    reader_ = new Reader(za);
    openPath_ = path;
    return true;
}

bool ZipComponent::openArchiveMember(const ZipComponent& outer, const ZipMember& member) {
    closeArchive();
    if (!outer.reader_ || !opensInPlace(member)) return fail("the member is not stored as it is");
    // An archive object of its own: reads of the member must not move the
    // holder's position under another reader.
    zip_t* holder = openReadOnly(outer.openPath_, &error_);
    if (!holder) return false;
    zip_source_t* src = zip_source_zip(holder, holder, member.index, 0, 0, -1);
    zip_error_t error;
    zip_error_init(&error);
    zip_t* za = src ? zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    if (!za) {
        fail("cannot open \"" + member.name + "\" inside the backup: " +
             (src ? zip_error_strerror(&error) : zipErrorText(holder)));
        if (src) zip_source_free(src);
        zip_error_fini(&error);
        zip_discard(holder);
        return false;
    }
    zip_error_fini(&error);
    reader_ = new Reader(za, holder);
    openPath_ = outer.openPath_;
    openMember_ = member.index;
    return true;
}

// Another object reading the same archive, for a second thread.
bool ZipComponent::reopen(ZipComponent& copy) const {
    copy.setDecryptionPassword(decryptionPassword_);
    if (!openMember_) return copy.openArchive(openPath_);
    ZipComponent holder;
    if (!holder.openArchive(openPath_)) return false;
    ZipMember member;
    member.index = *openMember_;
    member.stored = true;
    return copy.openArchiveMember(holder, member);
}

int ZipComponent::isProtected(const std::string& path) const {
    zip_t* za = openReadOnly(path, nullptr);
    if (!za) return 0;
    Reader guard(za);
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        auto m = statMember(za, static_cast<zip_uint64_t>(i));
        if (m && m->encrypted) return 1;
    }
    return 0;
}

std::vector<ZipMember> ZipComponent::members() const {
    std::vector<ZipMember> list;
    if (!reader_) return list;
    const zip_int64_t count = zip_get_num_entries(reader_->za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        if (auto m = statMember(reader_->za, static_cast<zip_uint64_t>(i))) list.push_back(*m);
    }
    return list;
}

std::optional<ZipMember> ZipComponent::findMember(const std::string& bareName) const {
    if (!reader_ || bareName.empty()) return std::nullopt;
    const zip_int64_t index = zip_name_locate(reader_->za, bareName.c_str(), ZIP_FL_ENC_GUESS);
    if (index < 0) return std::nullopt;
    return statMember(reader_->za, static_cast<zip_uint64_t>(index));
}

bool ZipComponent::readMember(const ZipMember& member, const std::function<bool(const char*, std::size_t)>& sink) {
    zip_t* za = reader_->za;
    const char* password = decryptionPassword_.empty() ? nullptr : decryptionPassword_.c_str();
    zip_file_t* file = zip_fopen_index_encrypted(za, member.index, 0, password);
    if (!file) return fail(std::string("cannot read the member: ") + zipErrorText(za));
    // One buffer for every member: a folder archive holds thousands of small
    // ones. It grows only as far as the members need, as it lives as long as
    // the archive (an earlier backup's, open all through a backup).
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk - 1, member.size) + 1);  // never 0
    if (buffer_.size() < wanted) buffer_.resize(wanted);
    bool ok = true;
    // libzip notices a wrong size only at the end; a lying header must not
    // get to write (or fill memory with) more than it declares.
    for (std::uint64_t total = 0;;) {
        const std::uint64_t left = member.size - total;  // one byte more shows a lie
        const zip_int64_t n = zip_fread(file, buffer_.data(), left < buffer_.size() ? left + 1 : buffer_.size());
        if (n < 0) {
            ok = fail(std::string("the member is damaged: ") + zip_error_strerror(zip_file_get_error(file)));
            break;
        }
        if (n == 0) break;
        total += static_cast<std::uint64_t>(n);
        if (total > member.size) {
            ok = fail("the member holds more than the " + std::to_string(member.size) + " bytes its header declares");
            break;
        }
        if (!sink(buffer_.data(), static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
        if (tally_) tally_->add(static_cast<std::size_t>(n), notify_);
    }
    // Closing reports a CRC or authentication failure found at the end.
    const int closed = zip_fclose(file);
    if (ok && closed != 0) ok = fail("the member is damaged (check failed)");
    return ok;
}

// libzip sums a stored member's bytes with zlib's CRC, several times slower
// than ours, and a backup's folder archives are most of what its read-back
// reads: they are read straight from the file instead. Each read looks the
// member up in the directory, which is cheap for the few folder archives.
bool ZipComponent::readStoredInPlace(const ZipMember& member, const std::function<bool(const char*, std::size_t)>& sink) {
    platform::RawFile file;
    std::error_code ec;
    const std::uint64_t length = fs::file_size(platform::fsPath(openPath_), ec);
    if (ec || !file.openForReading(openPath_)) return fail("cannot read the member: " + file.error());
    std::string why;
    const auto at = FindMemberData(file, length, member.name, &why);
    if (!at) return fail("the member is damaged: " + why);
    if (member.compressedSize != member.size || *at + member.size > length) {
        return fail("the member is damaged: its sizes do not fit the archive");
    }
    buffer_.resize(kChunk);
    std::uint32_t crc = 0;
    for (std::uint64_t done = 0; done < member.size;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, member.size - done));
        if (!file.readExactly(*at + done, buffer_.data(), n)) return fail("cannot read the member: " + file.error());
        crc = Crc32(crc, buffer_.data(), n);
        if (!sink(buffer_.data(), n)) return false;
        if (tally_) tally_->add(n, notify_);
        done += n;
    }
    return crc == member.crc || fail("the member is damaged: CRC error");
}

bool ZipComponent::inflatesInChunks(const ZipMember& member) {
    zip_file_t* file = zip_fopen_index(reader_->za, member.index, ZIP_FL_COMPRESSED);
    if (!file) return false;
    const bool whole = InflatesInChunks(
        [file](char* into, std::size_t size) { return static_cast<long long>(zip_fread(file, into, size)); },
        member.size, member.crc);
    zip_fclose(file);
    return whole;
}

int ZipComponent::verifyPassword() {
    if (!reader_) return 0;
    std::optional<ZipMember> smallest;
    for (const auto& m : members()) {
        if (m.encrypted && (!smallest || m.size < smallest->size)) smallest = m;
    }
    if (!smallest) return 1;
    return readMember(*smallest, [](const char*, std::size_t) { return true; }) ? 1 : 0;
}

bool ZipComponent::readWhole(const ZipMember& member) {
    if (member.directory || readMember(member, [](const char*, std::size_t) { return true; })) return true;
    error_ = "\"" + member.name + "\": " + error_;
    return false;
}

bool ZipComponent::testAll() {
    if (!reader_) return fail("no archive is open");
    const auto list = members();
    std::uint64_t total = 0;
    for (const auto& m : list) total += m.directory ? 0 : m.size;
    ReadTally tally(*this, total);
    for (const auto& m : list) {
        if (!readWhole(m)) return false;
    }
    tally.finished();
    return true;
}

bool ZipComponent::testMember(const ZipMember& member) {
    if (!reader_) return fail("no archive is open");
    ReadTally tally(*this, member.directory ? 0 : member.size);
    if (!readWhole(member)) return false;
    tally.finished();
    return true;
}

// Streams the member into `path`; false (with the reason) when it cannot be
// read whole or written.
bool ZipComponent::writeMemberTo(const ZipMember& member, const std::string& path, const std::string& shownAs) {
    std::ofstream out(platform::fsPath(path), std::ios::binary | std::ios::trunc);
    if (!out) return fail("cannot write \"" + shownAs + "\"");
    int writeError = 0;
    bool ok = readMember(member, [&](const char* data, std::size_t n) {
        out.write(data, static_cast<std::streamsize>(n));
        if (!out) writeError = errno;
        return static_cast<bool>(out);
    });
    out.close();
    if (!out && !writeError) writeError = errno;
    // A full disk stops the read too: the write is the reason to give.
    if (!out) ok = fail("cannot write \"" + shownAs + "\": " + std::strerror(writeError));
    return ok;
}

bool ZipComponent::extractTo(const ZipMember& member, const std::string& targetFolder, bool intoFreshFolder) {
    const fs::path target = platform::fsPath(targetFolder) / platform::fsPath(member.name);
    std::error_code ec;
    if (member.directory) {
        fs::create_directories(target, ec);
        return ec ? fail("cannot create the folder \"" + target.string() + "\"") : true;
    }
    fs::create_directories(target.parent_path(), ec);
    if (notify_.unzippingFile) notify_.unzippingFile(member.name);
    // A folder nobody uses yet is flushed once when complete (unzipAll);
    // elsewhere each file is written beside its place and flushed before
    // it takes it.
    const std::string written = intoFreshFolder ? target.string() : platform::temporaryPathBeside(target.string());
    std::string why;
    bool ok = writeMemberTo(member, written, target.string());
    if (ok && !intoFreshFolder && !platform::commitTemporary(written, target.string(), &why)) ok = fail(why);
    if (!ok) {
        fs::remove(platform::fsPath(written), ec);
        return false;
    }
    setModificationTime(target, reader_->za, member.index);
    return true;
}

bool ZipComponent::checkMember(const ZipMember& member) {
    if (!IsSafeMemberName(member.name)) {
        return fail("the member name \"" + member.name + "\" is no plain path inside the target folder");
    }
    if (member.symlink) return fail("the member \"" + member.name + "\" is a link");
    if (outOfProportion(member)) {
        return fail("the member \"" + member.name + "\" declares " + std::to_string(member.size) + " bytes from " +
                    std::to_string(member.compressedSize) + ", far more than its data can hold");
    }
    return true;
}

bool ZipComponent::extractMember(const ZipMember& member, const std::string& targetFolder) {
    if (!reader_) return fail("no archive is open");
    ReadTally tally(*this, member.directory ? 0 : member.size);
    if (!checkMember(member) || !extractTo(member, targetFolder, false)) return false;
    tally.finished();
    return true;
}

std::optional<std::string> ZipComponent::readSmallMember(const ZipMember& member, std::size_t limit) {
    if (!reader_) {
        fail("no archive is open");
        return std::nullopt;
    }
    if (member.size > limit) {
        fail("the member \"" + member.name + "\" declares " + std::to_string(member.size) + " bytes, more than " +
             std::to_string(limit));
        return std::nullopt;
    }
    std::string data;
    if (!readMember(member, [&](const char* bytes, std::size_t n) {
            data.append(bytes, n);
            return true;
        })) {
        return std::nullopt;
    }
    return data;
}

// Members [first, last) of the list, into the target; the files written or -1.
int ZipComponent::unzipShare(const std::vector<ZipMember>& list, std::size_t first, std::size_t last,
                             const std::string& targetFolder) {
    int written = 0;
    for (std::size_t i = first; i < last; ++i) {
        if (!extractTo(list[i], targetFolder, true)) return -1;
        if (!list[i].directory) ++written;
    }
    return written;
}

int ZipComponent::unzipAll(const std::string& targetFolder) {
    if (!reader_) {
        fail("no archive is open");
        return -1;
    }
    const auto list = members();
    // Every name is checked before the first file is written.
    for (const auto& m : list) {
        if (!checkMember(m)) return -1;
    }
    std::uint64_t bytes = 0;
    for (const auto& m : list) bytes += m.directory ? 0 : m.size;
    ReadTally tally(*this, bytes);
    std::error_code ec;
    fs::create_directories(platform::fsPath(targetFolder), ec);
    // Each core takes a stretch of the members with an archive object of its
    // own; notifications come only from this thread's stretch, except the
    // count of bytes read, which every stretch adds to.
    const std::size_t shares = std::min<std::size_t>(platform::coreCount(), std::max<std::size_t>(list.size() / 64, 1));
    std::vector<int> written(shares, 0);
    std::vector<std::string> errors(shares);
    platform::forEachOnCores(shares, [&](std::size_t job) {
        const std::size_t first = list.size() * job / shares, last = list.size() * (job + 1) / shares;
        if (job == 0) {
            written[0] = unzipShare(list, first, last, targetFolder);
            return;
        }
        ZipComponent copy;
        copy.notify_.readProgress = notify_.readProgress;
        copy.tally_ = tally_;
        written[job] = reopen(copy) ? copy.unzipShare(list, first, last, targetFolder) : -1;
        errors[job] = copy.lastError();
    });
    int total = 0;
    for (std::size_t job = 0; job < shares; ++job) {
        if (written[job] < 0) {
            if (job > 0) error_ = errors[job];
            return -1;
        }
        total += written[job];
    }
    if (!platform::syncFileSystemOf(targetFolder)) {
        fail("cannot flush the files unpacked into \"" + targetFolder + "\"");
        return -1;
    }
    tally.finished();
    return total;
}

}  // namespace backup
