#include "backup/EarlierBackup.h"

#include <filesystem>

#include "backup/InformationRecord.h"
#include "platform/AtomicFile.h"
#include "platform/FsPath.h"
#include "platform/HostPath.h"

namespace backup {

namespace {

constexpr std::uint16_t kStored = 0;

std::string recordValue(const std::string& record, const char* key) { return GetINI(key, record).value_or(""); }

}  // namespace

std::unique_ptr<EarlierBackup> EarlierBackup::Open(const std::string& hostPath, const std::string& computer,
                                                   const std::string& user, const std::string& password,
                                                   const std::string& scratchFolder, std::string* why) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(platform::fsPath(hostPath), ec)) {
        *why = "there is none";
        return nullptr;
    }
    std::unique_ptr<EarlierBackup> earlier(new EarlierBackup);
    earlier->path_ = hostPath;
    earlier->scratchFolder_ = scratchFolder;
    ZipComponent& zip = earlier->zip_;
    if (!zip.openArchive(hostPath)) {
        *why = "it cannot be opened: " + zip.lastError();
        return nullptr;
    }
    const bool isProtected = zip.isProtected(hostPath) == 1;
    if (isProtected != !password.empty()) {
        *why = isProtected ? "it is protected with a password and this backup is not"
                           : "it has no password and this backup has one";
        return nullptr;
    }
    earlier->protected_ = isProtected;
    zip.setDecryptionPassword(password);
    const auto member = zip.findMember(kInfoRecordName);
    const auto record = member ? zip.readSmallMember(*member, kInfoRecordLimit) : std::nullopt;
    if (!record) {
        *why = member ? (isProtected ? "its information record does not open with this backup's password"
                                     : "its information record cannot be read: " + zip.lastError())
                      : "it holds no information record";
        return nullptr;
    }
    const std::string recordFile = platform::joinHostPath(scratchFolder, "earlier-record.dat");
    if (!platform::writeFileAtomically(recordFile, *record, why)) return nullptr;
    const std::string madeOn = recordValue(recordFile, "BackupComputer"), madeBy = recordValue(recordFile, "BackupLogonUser");
    std::filesystem::remove(platform::fsPath(recordFile), ec);
    if (madeOn != computer || madeBy != user) {
        *why = "it was made of the user " + madeBy + " on the computer " + madeOn;
        return nullptr;
    }
    // Where the stored members lie, which libzip does not tell.
    if (!earlier->file_.openForReading(hostPath)) {
        *why = "it cannot be read: " + earlier->file_.error();
        return nullptr;
    }
    auto& stored = earlier->stored_;
    const auto keep = [&stored](const DirectoryEntry& e) {
        if (e.method == kStored && !(e.flags & 1)) stored.push_back({std::string(e.name), e.localOffset});
    };
    const auto size = std::filesystem::file_size(platform::fsPath(hostPath), ec);
    if (ec || !ReadZipDirectory(earlier->file_, 0, size, keep, why)) {
        *why = "its directory cannot be read: " + *why;
        return nullptr;
    }
    return earlier;
}

std::shared_ptr<EarlierFolderArchive> EarlierBackup::folderArchive(const std::string& name) {
    problem_ = problem();
    if (!problem_.empty()) return nullptr;
    const auto member = zip_.findMember(name);
    if (!member) return nullptr;
    std::string why;
    std::shared_ptr<EarlierFolderArchive> archive;
    if (ZipComponent::opensInPlace(*member)) {
        for (const Stored& s : stored_) {
            if (s.name != name) continue;
            const auto header = ReadLocalHeader(file_, 0, s.localOffset);
            if (header && header->name == name) {
                archive = EarlierFolderArchive::Open(path_, header->dataOffset, member->size, &why);
            }
            break;
        }
        if (!archive && why.empty()) why = "its member \"" + name + "\" cannot be found where its directory says";
    } else {
        // Protected: taken out (decrypted and authenticated) into the run's folder first.
        const std::string copies = platform::joinHostPath(scratchFolder_, "earlier");
        std::error_code ec;
        std::filesystem::create_directories(platform::fsPath(copies), ec);
        if (zip_.extractMember(*member, copies)) {
            archive = EarlierFolderArchive::Open(platform::joinHostPath(copies, name), 0, member->size, &why);
        } else {
            why = zip_.lastError();
        }
    }
    if (!archive) {
        problem_ = "its member \"" + name + "\" cannot be used: " + why;
        return nullptr;
    }
    given_.emplace_back(name, archive);
    return archive;
}

std::shared_ptr<EarlierFolderArchive> EarlierBackup::backupMembers() {
    if (protected_ || !problem().empty()) return nullptr;
    std::error_code ec;
    const auto size = std::filesystem::file_size(platform::fsPath(path_), ec);
    std::string why;
    return ec ? nullptr : EarlierFolderArchive::Open(path_, 0, size, &why);
}

std::string EarlierBackup::problem() const {
    if (!problem_.empty()) return problem_;
    for (const auto& [name, archive] : given_) {
        if (archive->damaged()) return "in its member \"" + name + "\", " + archive->damage();
    }
    return {};
}

}  // namespace backup
