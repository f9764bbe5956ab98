// A backup without a password, written by the program's own writer while
// its items are packed: each folder archive goes straight into the file as
// a stored member instead of into a file of its own that is then copied in,
// and the backup's other members follow when it is written.

#include <ctime>
#include <filesystem>

#include "backup/DeflatePipeline.h"
#include "backup/EarlierFolderArchive.h"
#include "backup/ZipComponent.h"
#include "backup/ZipNames.h"
#include "backup/ZipStreamWriter.h"
#include "platform/AtomicFile.h"
#include "platform/FsPath.h"
#include "platform/HostPath.h"

namespace backup {

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kPlainFileMode = 0100644;

}  // namespace

// Decided at the first folder archive: a file that cannot be made now is
// left for writeArchive to report, as for any backup.
bool ZipComponent::openStream() {
    if (streamMode_ != StreamMode::Undecided) return streamMode_ == StreamMode::Streamed;
    streamMode_ = StreamMode::Scratch;
    if (folderArchive_ || newPath_.empty() || (protection_ && !password_.empty())) return false;
    platform::removeDeadTemporaries(platform::pathText(platform::fsPath(newPath_).parent_path()));
    const std::string temporary = platform::temporaryPathBeside(newPath_);
    auto writer = std::make_unique<ZipStreamWriter>();
    if (!writer->create(temporary, newPath_)) {
        std::error_code ec;
        fs::remove(platform::fsPath(temporary), ec);
        return false;
    }
    stream_ = std::move(writer);
    streamPath_ = temporary;
    streamMode_ = StreamMode::Streamed;
    return true;
}

void ZipComponent::dropStream() {
    if (!stream_ && streamPath_.empty()) return;
    stream_.reset();
    std::error_code ec;
    if (!streamPath_.empty()) fs::remove(platform::fsPath(streamPath_), ec);
    streamPath_.clear();
    streamBroken_.clear();
    packedFolders_.clear();
    packedCopies_.clear();
}

bool ZipComponent::addFolderArchive(ZipComponent& packer, const std::string& hostFolder, std::uint64_t rawBytes) {
    if (newPath_.empty()) return fail("no new archive to add to");
    if (!openStream()) {
        if (!packer.writeArchive()) return fail(packer.lastError());
        return addFolderArchive(packer.newPath_);
    }
    const std::string name = platform::bareName(packer.newPath_);
    hashNames();
    if (!IsSafeMemberName(name)) return fail("the name \"" + name + "\" is no file name Windows can hold");
    if (isPending(name)) return fail("the archive already holds a member \"" + name + "\"");
    // Deflate adds a little to what does not compress; headers and the
    // directory add a few dozen bytes per file and its name twice.
    std::uint64_t planned = rawBytes + rawBytes / 1024 + 1024;
    for (const auto& p : packer.pending_) planned += 2 * p.nameLength + 160;
    if (!packStored(packer, name, planned)) {
        // The earlier archive failed as its data were copied: once more without it.
        if (!streamBroken_.empty() || !packer.earlier_ || !packer.earlier_->damaged()) return false;
        packer.earlier_.reset();
        if (!packStored(packer, name, planned)) return false;
    }
    const std::uint32_t entry = static_cast<std::uint32_t>(stream_->memberCount() - 1);
    if (!addOne(name, Pending::kPacked, true)) return false;
    pending_.back().entry = entry;
    packedFolders_.push_back({pending_.size() - 1, hostFolder, packer.compressionLevel_, planned});
    return true;
}

bool ZipComponent::packStored(ZipComponent& packer, const std::string& name, std::uint64_t planned) {
    return stream_->beginStored(name, std::time(nullptr), kPlainFileMode, planned) && packInto(packer, name);
}

// The packer's archive as the data of the stored member begun; a packing
// that fails is taken out of the file again, and only a fault of the file
// itself keeps the backup from being finished.
bool ZipComponent::packInto(ZipComponent& packer, const std::string& name) {
    bool ok;
    packer.copiesProvenLater_ = true;  // the read-back of this file proves them
    {
        ZipStreamWriter nested(*stream_);
        ok = packer.streamInto(nested) && stream_->endStored(name);
    }
    if (ok) {
        if (packer.fileCounts_.first != 0) packedCopies_.push_back(name);
        return true;
    }
    const std::string fileFault = stream_->error();
    if (!stream_->abandonStored() || !fileFault.empty()) streamBroken_ = stream_->error();
    return fail(packer.lastError().empty() ? stream_->error() : packer.lastError());
}

// The members not packed yet, in the order planned: compressed ones from
// the pipeline, stored ones as they are; then the directory in that order.
bool ZipComponent::writeRest() {
    if (!streamBroken_.empty()) return fail(streamBroken_);
    std::vector<PipelineFile> planned;
    copiedMembers_.clear();
    for (const auto& p : pending_) {
        if (p.entry != Pending::kNotWritten) continue;
        if (p.folder == Pending::kNoFile) planned.emplace_back();
        else if (!ShouldStore(std::string(memberName(p)))) planned.push_back(planMember(p));
    }
    DeflatePipeline pipeline(planned.size(), [&planned](std::size_t i) { return planned[i]; }, compressionLevel_);
    int lastPercent = -1;
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        Pending& p = pending_[i];
        if (cancelled_) return fail("writing the archive was cancelled");
        if (p.entry != Pending::kNotWritten) continue;
        const std::string_view name = memberName(p);
        const bool stored = p.folder != Pending::kNoFile && ShouldStore(std::string(name));
        const auto entry = static_cast<std::uint32_t>(stream_->memberCount());
        if (!(stored ? stream_->addStoredFile(name, sourcePath(p)) : stream_->addMember(name, pipeline))) {
            const std::string& why = stream_->error();
            return fail(why.rfind("cannot write the archive", 0) == 0 ? why
                                                                      : "cannot write the archive \"" + newPath_ + "\": " + why);
        }
        p.entry = entry;
        const int percent = static_cast<int>(100 * (i + 1) / pending_.size());
        if (percent != lastPercent && notify_.writingProgress) notify_.writingProgress(lastPercent = percent);
    }
    fileCounts_ = {pipeline.copiedFiles(), pipeline.compressedFiles()};
    if (!stream_->finish(
            pending_.size(), [this](std::size_t i) { return pending_[i].entry; },
            [this](std::size_t i) { return memberName(pending_[i]); })) {
        return fail(stream_->error());
    }
    return true;
}

// Everything written again without the earlier backup: the folder archives
// packed anew from their folders, the other members compressed.
bool ZipComponent::rewriteStreamed() {
    stream_ = std::make_unique<ZipStreamWriter>();
    if (!stream_->create(streamPath_, newPath_)) return fail(stream_->error());
    streamBroken_.clear();
    packedCopies_.clear();
    for (auto& p : pending_) p.entry = Pending::kNotWritten;
    for (const auto& folder : packedFolders_) {
        Pending& p = pending_[folder.pending];
        const std::string name(memberName(p));
        ZipComponent packer;
        packer.setFolderArchive(true);
        packer.setCompressionLevel(folder.level);
        const bool planned = packer.newArchive(name) &&
                             packer.addFiles(platform::joinHostPath(folder.hostFolder, "*.*"), 1);
        if (!planned) return fail("the folder \"" + folder.hostFolder + "\" could not be packed: " + packer.lastError());
        p.entry = static_cast<std::uint32_t>(stream_->memberCount());
        if (!packStored(packer, name, folder.planned)) {
            return fail("the folder \"" + folder.hostFolder + "\" could not be packed: " + error_);
        }
    }
    return writeRest();
}

bool ZipComponent::writeStreamed() {
    bool written = writeRest() && proveWritten(streamPath_);
    // A member copied from the earlier backup that does not read back: the
    // earlier file is at fault, and everything is written once more. Its
    // folder archives may have served even when its own members did not.
    if (!written && !cancelled_ && copiedMemberAtFault()) {
        rewriteReason_ = "the new backup did not read back whole with what was copied from it: " + error_ +
                         "; every file was compressed anew";
        earlier_.reset();
        written = rewriteStreamed() && proveWritten(streamPath_);
    }
    earlier_.reset();  // the earlier backup is let go of before the new one may take its place
    stream_.reset();
    std::string why;
    if (written && !platform::commitTemporary(streamPath_, newPath_, &why)) written = fail(why);
    if (written) streamPath_.clear();
    dropStream();
    return written;
}

}  // namespace backup
