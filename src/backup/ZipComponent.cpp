// Building archives: files are planned by addFiles and streamed from disk
// by libzip when writeArchive commits them.

#include "backup/ZipComponent.h"

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "backup/DeflatePipeline.h"
#include "backup/EarlierFolderArchive.h"
#include "backup/PipelineSource.h"
#include "backup/ZipNames.h"
#include "backup/ZipStreamWriter.h"
#include "backup/ZipReader.h"
#include "platform/AtomicFile.h"
#include "platform/HostPath.h"
#include "platform/RawFile.h"
#include "platform/FsPath.h"

namespace backup {

namespace {

namespace fs = std::filesystem;

// The end-of-central-directory record alone: a valid archive with no
// members, which libzip will not write itself.
constexpr char kEmptyZip[22] = {'P', 'K', 5, 6};

std::string zipErrorText(zip_t* za) { return zip_error_strerror(zip_get_error(za)); }

struct WriteState {
    ZipComponent* self;
    const ZipNotifications* notify;
    const std::atomic<bool>* cancelled;
    int lastPercent = -1;
};

void onProgress(zip_t*, double fraction, void* ud) {
    auto* state = static_cast<WriteState*>(ud);
    const int percent = static_cast<int>(fraction * 100.0);
    if (percent == state->lastPercent || !state->notify->writingProgress) return;
    state->lastPercent = percent;
    state->notify->writingProgress(percent);
}

int onCancel(zip_t*, void* ud) { return static_cast<WriteState*>(ud)->cancelled->load() ? 1 : 0; }

}  // namespace

ZipComponent::ZipComponent() = default;

ZipComponent::~ZipComponent() { closeArchive(); }

bool ZipComponent::fail(const std::string& message) {
    error_ = message;
    return false;
}

bool ZipComponent::newArchive(const std::string& path) {
    closeArchive();
    if (path.empty()) return fail("no archive path given");
    newPath_ = path;
    return true;
}

// `folder` ends with its separator, so that a name appended names the file.
std::uint32_t ZipComponent::sourceFolder(const std::string& folder) {
    if (folders_.empty() || folders_.back() != folder) folders_.push_back(folder);
    return static_cast<std::uint32_t>(folders_.size() - 1);
}

std::string_view ZipComponent::memberName(const Pending& p) const {
    return std::string_view(names_).substr(p.nameAt, p.nameLength);
}

std::string ZipComponent::sourcePath(const Pending& p) const {
    if (p.folder == Pending::kNoFile || p.folder == Pending::kPacked) return {};
    return folders_[p.folder] + std::string(memberName(p));
}

bool ZipComponent::isPending(std::string_view name) const {
    if (!namesHashed_) return false;
    if (nameHashes_.count(std::hash<std::string_view>()(name)) == 0) return false;
    for (const auto& p : pending_) {
        if (memberName(p) == name) return true;
    }
    return false;
}

bool ZipComponent::addOne(const std::string& memberName, std::uint32_t folder, bool folderArchive) {
    // A restore refuses such a name, so a backup holding it could not be restored.
    if (!IsSafeMemberName(memberName)) {
        return fail("the name \"" + memberName + "\" is no file name Windows can hold");
    }
    if (isPending(memberName)) return fail("the archive already holds a member \"" + memberName + "\"");
    if (notify_.addingFile && folder != Pending::kNoFile) notify_.addingFile(memberName);
    if (namesHashed_) nameHashes_.insert(std::hash<std::string_view>()(memberName));
    pending_.push_back({names_.size(), static_cast<std::uint32_t>(memberName.size()), folder, folderArchive});
    names_ += memberName;
    return true;
}

void ZipComponent::dropPendingFrom(std::size_t first) {
    if (first >= pending_.size()) return;
    names_.resize(pending_[first].nameAt);
    pending_.resize(first);
    namesHashed_ = false;
    hashNames();
}

// The names of one folder cannot repeat, so a folder archive's single add
// needs no lookup; every later add checks against all names added before.
void ZipComponent::hashNames() {
    if (namesHashed_) return;
    nameHashes_.clear();
    for (const auto& p : pending_) nameHashes_.insert(std::hash<std::string_view>()(memberName(p)));
    namesHashed_ = true;
}

bool ZipComponent::addFolderContents(std::uint32_t root, const std::string& prefix, bool recurse) {
    const std::string folder = folders_[root] + prefix;
    // Names and kinds only: a mail folder may hold a hundred thousand files.
    enum Kind : char { File, Folder, EmptyFolder };
    std::vector<std::pair<std::string, Kind>> entries;
    std::error_code ec;
    for (fs::directory_iterator it(platform::fsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        // Folder links are not followed: they could lead outside or loop.
        const bool link = it->is_symlink(kind);
        if (link && it->is_directory(kind)) continue;
        if (it->is_directory(kind)) {
            if (recurse) entries.emplace_back(it->path().filename().string(), fs::is_empty(it->path(), kind) ? EmptyFolder : Folder);
        } else if (it->is_regular_file(kind)) {
            entries.emplace_back(it->path().filename().string(), File);
        } else if (kind && !link) {
            // Listed but not to be looked at (on Windows, a path past the
            // system's length limit): leaving it out would lose it unnoticed.
            return fail("cannot read \"" + platform::pathText(it->path()) + "\": " + kind.message());
        }
    }
    if (ec) return fail("cannot read the folder \"" + folder + "\": " + ec.message());
    std::sort(entries.begin(), entries.end());
    for (const auto& [fileName, kind] : entries) {
        const std::string name = prefix + fileName;
        const bool ok = kind == File          ? addOne(name, root)
                        : kind == EmptyFolder ? addOne(name + "/", Pending::kNoFile)
                                              : addFolderContents(root, name + "/", recurse);
        if (!ok) return false;
    }
    return true;
}

bool ZipComponent::addFiles(const std::string& pathOrPattern, int includeSubfolders) {
    if (newPath_.empty()) return fail("no new archive to add to");
    std::string folder;
    if (!pending_.empty()) hashNames();
    if (SplitFolderPattern(pathOrPattern, &folder)) {
        const std::size_t before = pending_.size();
        if (addFolderContents(sourceFolder(folder + "/"), "", includeSubfolders == 1)) return true;
        dropPendingFrom(before);  // an add that fails adds nothing
        return false;
    }
    std::error_code ec;
    if (!fs::is_regular_file(platform::fsPath(pathOrPattern), ec)) return fail("the file \"" + pathOrPattern + "\" cannot be found");
    return addOneFile(pathOrPattern, false);
}

bool ZipComponent::addOneFile(const std::string& path, bool folderArchive) {
    const std::string name = platform::bareName(path);
    return addOne(name, sourceFolder(path.substr(0, path.size() - name.size())), folderArchive);
}

// libzip does not say which file it could not read: the first that cannot
// be opened is named.
std::string ZipComponent::unreadableSourceNote() const {
    for (const auto& p : pending_) {
        const std::string path = sourcePath(p);
        if (path.empty()) continue;
        std::ifstream in(platform::fsPath(path), std::ios::binary);
        char first = 0;
        if (in) in.read(&first, 1);
        if (!in && !in.eof()) return " (the file \"" + path + "\" cannot be read)";
    }
    return {};
}

bool ZipComponent::addFolderArchive(const std::string& archivePath) {
    if (newPath_.empty()) return fail("no new archive to add to");
    hashNames();
    std::error_code ec;
    if (!fs::is_regular_file(platform::fsPath(archivePath), ec)) return fail("the file \"" + archivePath + "\" cannot be found");
    return addOneFile(archivePath, true);
}

// The file as planned for the pipeline; a file that cannot be stat'ed is
// still planned, and its read then fails naming it.
PipelineFile ZipComponent::planFile(const Pending& p, bool store) const {
    PipelineFile file;
    file.path = sourcePath(p);
    file.store = store;
    if (file.path.empty()) return file;
    if (const auto facts = platform::fileFacts(file.path)) {
        file.size = facts->size;
        file.mtime = facts->mtime;
        file.mode = facts->mode;
    }
    return file;
}

// libzip writes the archive; every member that is compressed comes ready
// from the pipeline, a stored one to encrypt from its own source, and libzip
// copies only stored files without a password itself.
bool ZipComponent::commitTo(const std::string& path) {
    int code = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!za) return fail("cannot create the archive \"" + newPath_ + "\"");
    const bool encrypt = protection_ && !password_.empty();
    std::vector<PipelineFile> planned;
    copiedMembers_.clear();
    for (const auto& p : pending_) {
        if (p.folder != Pending::kNoFile && !ShouldStore(std::string(memberName(p)))) planned.push_back(planMember(p));
    }
    std::string storedUnreadable;
    DeflatePipeline pipeline(
        planned.size(), [&planned](std::size_t i) { return planned[i]; }, compressionLevel_);
    std::size_t next = 0;
    writtenCodes_.assign(pending_.size(), WrittenAes());
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        const Pending& p = pending_[i];
        const std::string name(memberName(p));
        zip_int64_t index = -1;
        bool ok = true;
        if (p.folder == Pending::kNoFile) {
            index = zip_dir_add(za, name.c_str(), ZIP_FL_ENC_UTF_8);
        } else if (encrypt || !ShouldStore(name)) {
            const std::string password = encrypt ? password_ : std::string();
            zip_source_t* src =
                ShouldStore(name)
                    ? MakeStoredFileSource(za, planFile(p, true), password, &writtenCodes_[i], &storedUnreadable)
                    : MakePipelineSource(za, pipeline, planned[next++], password, &writtenCodes_[i]);
            index = src ? zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
            if (src && index < 0) zip_source_free(src);
            ok = index >= 0 && (!encrypt || zip_file_set_encryption(za, static_cast<zip_uint64_t>(index),
                                                                    ZIP_EM_AES_256, nullptr) == 0);
        } else if (zip_source_t* src = zip_source_file(za, sourcePath(p).c_str(), 0, -1)) {
            index = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8);
            if (index < 0) zip_source_free(src);
            ok = index >= 0 && zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0) == 0;
        }
        if (index < 0 || !ok) {
            fail("cannot add \"" + name + "\": " + zipErrorText(za));
            zip_discard(za);
            return false;
        }
    }
    WriteState state{this, &notify_, &cancelled_};
    zip_register_progress_callback_with_state(za, 0.01, onProgress, nullptr, &state);
    zip_register_cancel_callback_with_state(za, onCancel, nullptr, &state);
    if (zip_close(za) != 0) {
        const std::string unreadable = storedUnreadable.empty() ? pipeline.firstError() : storedUnreadable;
        fail(cancelled_ ? std::string("writing the archive was cancelled")
                        : "cannot write the archive \"" + newPath_ + "\": " +
                              (unreadable.empty() ? zipErrorText(za) + unreadableSourceNote() : unreadable));
        zip_discard(za);
        return false;
    }
    if (state.lastPercent != 100 && notify_.writingProgress) notify_.writingProgress(100);
    fileCounts_ = {pipeline.copiedFiles(), pipeline.compressedFiles()};
    return true;
}

// A backup's compressed member, copied from the earlier backup when the
// file is what the earlier member holds.
PipelineFile ZipComponent::planMember(const Pending& p) {
    PipelineFile file = planVerified(p);
    if (file.reuse) copiedMembers_.emplace_back(file.name);
    return file;
}

PipelineFile ZipComponent::planVerified(const Pending& p) const {
    PipelineFile file = planReused(p);
    if (file.reuse && file.size > DeflatePipeline::kChunk) {
        file.verified = FileMatchesEntry(file.path, *file.reuse);
        if (!file.verified) file.reuse = nullptr;
    }
    return file;
}

// Whether the failure names a member that was to be copied: then the
// earlier backup, not the new one, is at fault.
bool ZipComponent::copiedMemberAtFault() const {
    for (const auto* names : {&copiedMembers_, &packedCopies_}) {
        for (const auto& name : *names) {
            if (error_.find("\"" + name + "\"") != std::string::npos) return true;
        }
    }
    return false;
}

// A folder archive, written by the program's own writer member by member.
bool ZipComponent::streamTo(const std::string& path) {
    ZipStreamWriter writer;
    if (!writer.create(path)) return fail(writer.error());
    return streamInto(writer);
}

bool ZipComponent::streamInto(ZipStreamWriter& writer) {
    // A large file is copied piece by piece only where the read-back of the
    // backup proves it; elsewhere each copy is proven before it is taken.
    const auto plan = [this](std::size_t i) {
        return copiesProvenLater_ ? planVerified(pending_[i]) : planReused(pending_[i]);
    };
    DeflatePipeline pipeline(pending_.size(), plan, compressionLevel_);
    bool ok = true;
    int lastPercent = -1;
    for (std::size_t i = 0; ok && i < pending_.size(); ++i) {
        if (cancelled_) return fail("writing the archive was cancelled");
        ok = writer.addMember(memberName(pending_[i]), pipeline);
        const int percent = static_cast<int>(100 * (i + 1) / pending_.size());
        if (percent != lastPercent && notify_.writingProgress) notify_.writingProgress(lastPercent = percent);
    }
    ok = ok && writer.finish([this](std::size_t i) { return memberName(pending_[i]); });
    fileCounts_ = {pipeline.copiedFiles(), pipeline.compressedFiles()};
    if (!ok) return fail(writer.error());
    return true;
}

// A folder archive's file, with the earlier entry it may be copied from
// when that one has its name, size and time.
PipelineFile ZipComponent::planReused(const Pending& p) const {
    const std::string_view name = memberName(p);
    PipelineFile file = planFile(p, ShouldStore(std::string(name)));
    if (!earlier_ || file.path.empty()) return file;
    const ReusableEntry* entry = earlier_->find(name);
    if (entry && entry->size == file.size && entry->dosTime == DosTime(file.mtime)) {
        file.earlier = earlier_.get();
        file.reuse = entry;
        file.name = name;
        file.provenLater = copiesProvenLater_;
    }
    return file;
}

bool ZipComponent::writeArchive() {
    if (newPath_.empty()) return fail("no new archive to write");
    cancelled_ = false;
    fileCounts_ = {};
    rewriteReason_.clear();
    if (pending_.empty()) {
        dropStream();
        std::string why;
        if (!platform::writeFileAtomically(newPath_, std::string_view(kEmptyZip, sizeof kEmptyZip), &why)) {
            return fail(why);
        }
        return true;
    }
    if (folderArchive_) {
        if (streamTo(newPath_)) return true;
        std::error_code ec;
        fs::remove(platform::fsPath(newPath_), ec);
        return false;
    }
    if (streamMode_ == StreamMode::Streamed) return writeStreamed();
    // A backup goes to a name of ours, is read back whole and flushed, and
    // only then takes the place of an earlier one: a failed check or a power
    // cut leaves the earlier backup as it was.
    platform::removeDeadTemporaries(platform::pathText(platform::fsPath(newPath_).parent_path()));
    const std::string temporary = platform::temporaryPathBeside(newPath_);
    std::string why;
    bool written = commitTo(temporary) && proveWritten(temporary);
    // A member copied from the earlier backup that does not read back: the
    // earlier file is at fault, and everything is compressed once more.
    if (!written && earlier_ && !cancelled_ && copiedMemberAtFault()) {
        earlier_->markDamaged("the new backup did not read back whole with what was copied from it: " + error_);
        earlier_.reset();
        written = commitTo(temporary) && proveWritten(temporary);
    }
    earlier_.reset();  // the earlier backup is let go of before the new one may take its place
    if (written) {
        if (platform::commitTemporary(temporary, newPath_, &why)) return true;
        fail(why);
    }
    std::error_code ec;
    fs::remove(platform::fsPath(temporary), ec);
    return false;
}

void ZipComponent::closeArchive() {
    dropStream();
    streamMode_ = StreamMode::Undecided;
    newPath_.clear();
    writtenCodes_.clear();
    pending_.clear();
    folders_.clear();
    names_.clear();
    nameHashes_.clear();
    namesHashed_ = false;
    delete reader_;
    reader_ = nullptr;
    openPath_.clear();
    openMember_.reset();
}

}  // namespace backup
