// Building archives: files are planned by addFiles and streamed from disk
// by libzip when writeArchive commits them.

#include "backup/ZipComponent.h"

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "backup/ZipNames.h"
#include "backup/ZipReader.h"
#include "platform/AtomicFile.h"
#include "platform/HostPath.h"

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

bool ZipComponent::addOne(const std::string& memberName, const std::string& sourcePath, bool folderArchive) {
    // A restore refuses such a name, so a backup holding it could not be restored.
    if (!IsSafeMemberName(memberName)) {
        return fail("the name \"" + memberName + "\" is no file name Windows can hold");
    }
    if (!pendingNames_.insert(memberName).second) return fail("the archive already holds a member \"" + memberName + "\"");
    if (notify_.addingFile && !sourcePath.empty()) notify_.addingFile(memberName);
    pending_.push_back({memberName, sourcePath, folderArchive});
    return true;
}

void ZipComponent::dropPendingFrom(std::size_t first) {
    for (std::size_t i = first; i < pending_.size(); ++i) pendingNames_.erase(pending_[i].memberName);
    pending_.resize(first);
}

bool ZipComponent::addFolderContents(const std::string& folder, const std::string& prefix, bool recurse) {
    std::error_code ec;
    std::vector<std::pair<std::string, fs::directory_entry>> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        entries.emplace_back(it->path().filename().string(), *it);
    }
    if (ec) return fail("cannot read the folder \"" + folder + "\": " + ec.message());
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [fileName, e] : entries) {
        const std::string name = prefix + fileName;
        std::error_code kind;
        // Folder links are not followed: they could lead outside or loop.
        if (e.is_symlink(kind) && e.is_directory(kind)) continue;
        if (e.is_directory(kind)) {
            if (!recurse) continue;
            const bool empty = fs::is_empty(e.path(), kind);
            if (empty && !addOne(name + "/", "")) return false;
            if (!empty && !addFolderContents(e.path().string(), name + "/", recurse)) return false;
        } else if (e.is_regular_file(kind)) {
            if (!addOne(name, e.path().string())) return false;
        }
    }
    return true;
}

bool ZipComponent::addFiles(const std::string& pathOrPattern, int includeSubfolders) {
    if (newPath_.empty()) return fail("no new archive to add to");
    std::string folder;
    if (SplitFolderPattern(pathOrPattern, &folder)) {
        const std::size_t before = pending_.size();
        if (addFolderContents(folder, "", includeSubfolders == 1)) return true;
        dropPendingFrom(before);  // an add that fails adds nothing
        return false;
    }
    std::error_code ec;
    if (!fs::is_regular_file(pathOrPattern, ec)) return fail("the file \"" + pathOrPattern + "\" cannot be found");
    return addOne(platform::bareName(pathOrPattern), pathOrPattern);
}

// libzip does not say which file it could not read: the first that cannot
// be opened is named.
std::string ZipComponent::unreadableSourceNote() const {
    for (const auto& p : pending_) {
        if (p.sourcePath.empty()) continue;
        std::ifstream in(p.sourcePath, std::ios::binary);
        char first = 0;
        if (in) in.read(&first, 1);
        if (!in && !in.eof()) return " (the file \"" + p.sourcePath + "\" cannot be read)";
    }
    return {};
}

bool ZipComponent::addFolderArchive(const std::string& archivePath) {
    if (newPath_.empty()) return fail("no new archive to add to");
    std::error_code ec;
    if (!fs::is_regular_file(archivePath, ec)) return fail("the file \"" + archivePath + "\" cannot be found");
    return addOne(platform::bareName(archivePath), archivePath, true);
}

bool ZipComponent::commitTo(const std::string& path) {
    int code = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!za) return fail("cannot create the archive \"" + newPath_ + "\"");
    const bool encrypt = protection_ && !password_.empty();
    for (const auto& p : pending_) {
        zip_int64_t index = -1;
        if (p.sourcePath.empty()) {
            index = zip_dir_add(za, p.memberName.c_str(), ZIP_FL_ENC_UTF_8);
        } else if (zip_source_t* src = zip_source_file(za, p.sourcePath.c_str(), 0, -1)) {
            index = zip_file_add(za, p.memberName.c_str(), src, ZIP_FL_ENC_UTF_8);
            if (index < 0) zip_source_free(src);
        }
        bool ok = index >= 0;
        if (ok && !p.sourcePath.empty()) {
            const auto idx = static_cast<zip_uint64_t>(index);
            ok = (ShouldStore(p.memberName) ? zip_set_file_compression(za, idx, ZIP_CM_STORE, 0)
                                            : zip_set_file_compression(za, idx, ZIP_CM_DEFLATE,
                                                                       static_cast<zip_uint32_t>(compressionLevel_))) == 0 &&
                 (!encrypt || zip_file_set_encryption(za, idx, ZIP_EM_AES_256, password_.c_str()) == 0);
        }
        if (!ok) {
            fail("cannot add \"" + p.memberName + "\": " + zipErrorText(za));
            zip_discard(za);
            return false;
        }
    }
    WriteState state{this, &notify_, &cancelled_};
    zip_register_progress_callback_with_state(za, 0.01, onProgress, nullptr, &state);
    zip_register_cancel_callback_with_state(za, onCancel, nullptr, &state);
    if (zip_close(za) != 0) {
        fail(cancelled_ ? std::string("writing the archive was cancelled")
                        : "cannot write the archive \"" + newPath_ + "\": " + zipErrorText(za) + unreadableSourceNote());
        zip_discard(za);
        return false;
    }
    if (state.lastPercent != 100 && notify_.writingProgress) notify_.writingProgress(100);
    return true;
}

bool ZipComponent::writeArchive() {
    if (newPath_.empty()) return fail("no new archive to write");
    cancelled_ = false;
    if (pending_.empty()) {
        std::string why;
        if (!platform::writeFileAtomically(newPath_, std::string_view(kEmptyZip, sizeof kEmptyZip), &why)) {
            return fail(why);
        }
        return true;
    }
    // libzip itself writes into a temporary file beside the target and renames
    // it over the target only after a complete write, but flushes nothing.
    if (!prove_) return commitTo(newPath_);
    // So a backup goes to a name of ours, is read back whole and flushed, and
    // only then takes the place of an earlier one: a failed check or a power
    // cut leaves the earlier backup as it was.
    platform::removeDeadTemporaries(fs::path(newPath_).parent_path().string());
    const std::string temporary = platform::temporaryPathBeside(newPath_);
    std::string why;
    if (commitTo(temporary) && proveWritten(temporary)) {
        if (platform::commitTemporary(temporary, newPath_, &why)) return true;
        fail(why);
    }
    std::error_code ec;
    fs::remove(temporary, ec);
    return false;
}

void ZipComponent::closeArchive() {
    newPath_.clear();
    pending_.clear();
    pendingNames_.clear();
    delete reader_;
    reader_ = nullptr;
}

}  // namespace backup
