#include "mailexport/FolderExport.h"

#include <filesystem>

#include "mailexport/MboxFormat.h"
#include "mailexport/MessageHeaders.h"
#include "platform/FsPath.h"

namespace mailexport {

namespace {

namespace fs = std::filesystem;
using StreamEnd = backup::ZipComponent::StreamEnd;

std::string shownMember(const PlannedFolder& folder, const backup::ZipMember& member) {
    return folder.shownPath + "/" + LastName(member.name);
}

// One message on its way into an mbox file: its first bytes wait until its
// headers are known, then the separator line and everything after it go out.
class MboxMessage {
public:
    MboxMessage(OutputFile& out, std::optional<std::int64_t> storedAt) : out_(out), storedAt_(storedAt) {}

    // The read's sink: false stops it when the write failed. What is no
    // message is still read to its end, which tells damage from junk.
    bool take(std::string_view bytes) {
        if (begun_) return put(bytes);
        if (headers_.state() == HeaderScan::NotAMessage || !headers_.take(bytes)) return true;
        return headers_.state() == HeaderScan::NotAMessage || begin();
    }
    // After the whole message was read: false when it is none.
    bool end() {
        if (!begun_) {
            if (headers_.state() == HeaderScan::Incomplete) headers_.finish();
            if (headers_.state() == HeaderScan::NotAMessage || !begin()) return false;
        }
        buffer_.clear();
        lines_.finish(buffer_);
        return write(buffer_);
    }
    bool writeFailed() const { return writeFailed_; }

private:
    bool begin() {
        begun_ = true;
        return write(SeparatorLine(headers_.start(), storedAt_)) && put(headers_.bytes());
    }
    bool put(std::string_view bytes) {
        buffer_.clear();
        lines_.feed(bytes, buffer_);
        return write(buffer_);
    }
    bool write(std::string_view bytes) {
        writeFailed_ = !out_.write(bytes);
        return !writeFailed_;
    }

    OutputFile& out_;
    const std::optional<std::int64_t> storedAt_;
    HeaderCollector headers_;
    MboxrdLines lines_;
    std::string buffer_;
    bool begun_ = false;
    bool writeFailed_ = false;
};

}  // namespace

std::string FolderExport::hostPath(const std::string& place) const {
    return platform::pathText(platform::fsPath(target_) / platform::fsPath(place));
}

std::string FolderExport::stagingFile() {
    return platform::pathText(platform::fsPath(staging_) / std::to_string(++stagedFiles_));
}

bool FolderExport::makeFolders(const PlannedFolder& folder, std::string* fatal) const {
    fs::path made = platform::fsPath(hostPath(folder.place));
    if (format_ == Format::Mbox) {
        made = folder.subfolderFolder ? platform::fsPath(hostPath(folder.place + ".sbd")) : made.parent_path();
    }
    std::error_code ec;
    fs::create_directories(made, ec);
    if (ec) *fatal = "cannot make the folder \"" + platform::pathText(made) + "\": " + ec.message();
    return !ec;
}

void FolderExport::count(Outcome outcome, const std::string& shownPath, const std::string& why, FolderResult& r,
                         std::string* fatal) {
    switch (outcome) {
        case Outcome::Written: ++r.written; return;
        case Outcome::WriteFailed: *fatal = why; return;
        case Outcome::NotAMessage:
        case Outcome::Damaged:
            ++r.skipped;
            skipped(shownPath, why);
            return;
    }
}

FolderExport::Outcome FolderExport::mboxMessage(backup::ZipComponent& zip, const backup::ZipMember& member,
                                                OutputFile& out) {
    const std::uint64_t start = out.size();
    MboxMessage message(out, zip.memberTime(member));
    const StreamEnd end = zip.streamMember(member, [&](const char* data, std::size_t n) {
        advanced(n);
        return message.take(std::string_view(data, n));
    });
    if (end == StreamEnd::Whole && message.end()) return Outcome::Written;
    out.cutBackTo(start);
    if (message.writeFailed()) return Outcome::WriteFailed;
    return end == StreamEnd::Failed ? Outcome::Damaged : Outcome::NotAMessage;
}

void FolderExport::writeMbox(backup::ZipComponent& zip, const AccountTree& tree, const PlannedFolder& folder,
                             FolderResult& r, std::string* fatal) {
    OutputFile out;
    if (!out.open(stagingFile(), hostPath(folder.place))) {
        *fatal = out.error();
        return;
    }
    for (std::size_t index : folder.entries) {
        const auto& member = tree.members[index];
        const Outcome outcome = mboxMessage(zip, member, out);
        const std::string why = outcome == Outcome::Damaged       ? "left out: " + zip.lastError()
                                : outcome == Outcome::WriteFailed ? out.error()
                                                                  : "no message header, left out of the mbox file";
        count(outcome, shownMember(folder, member), why, r, fatal);
        if (!fatal->empty()) return;
    }
    if (!out.commit()) *fatal = out.error();
}

FolderExport::Outcome FolderExport::copyFile(backup::ZipComponent& zip, const backup::ZipMember& member,
                                             const std::string& place, bool* withoutHeaders, std::string* why) {
    OutputFile out;
    if (!out.open(stagingFile(), hostPath(place))) {
        *why = out.error();
        return Outcome::WriteFailed;
    }
    HeaderCollector headers;
    bool known = format_ != Format::Eml;
    const StreamEnd end = zip.streamMember(member, [&](const char* data, std::size_t n) {
        advanced(n);
        if (!known) known = headers.take(std::string_view(data, n));
        return out.write(std::string_view(data, n));
    });
    if (end == StreamEnd::Failed) {
        out.abandon();
        *why = "left out: " + zip.lastError();
        return Outcome::Damaged;
    }
    if (end == StreamEnd::Stopped || !out.commit(zip.memberTime(member))) {
        out.abandon();
        *why = out.error();
        return Outcome::WriteFailed;
    }
    if (!known) headers.finish();
    *withoutHeaders = format_ == Format::Eml && headers.state() == HeaderScan::NotAMessage;
    return Outcome::Written;
}

void FolderExport::writeFiles(backup::ZipComponent& zip, const AccountTree& tree, const PlannedFolder& folder,
                              FolderResult& r, std::string* fatal) {
    for (std::size_t i = 0; i < folder.entries.size(); ++i) {
        const auto& member = tree.members[folder.entries[i]];
        bool withoutHeaders = false;
        std::string why;
        const Outcome outcome = copyFile(zip, member, folder.entryPlaces[i], &withoutHeaders, &why);
        count(outcome, shownMember(folder, member), why, r, fatal);
        if (withoutHeaders) ++r.withoutHeaders;
        if (!fatal->empty()) return;
    }
}

FolderResult FolderExport::write(backup::ZipComponent& zip, const AccountTree& tree, const PlannedFolder& folder,
                                 std::string* fatal) {
    FolderResult r;
    r.shownPath = folder.shownPath;
    r.place = folder.place;
    r.inBackup = folder.entries.size();
    if (!makeFolders(folder, fatal)) return r;
    if (format_ == Format::Mbox) writeMbox(zip, tree, folder, r, fatal);
    else writeFiles(zip, tree, folder, r, fatal);
    return r;
}

}  // namespace mailexport
