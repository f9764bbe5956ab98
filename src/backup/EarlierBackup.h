#pragma once
// An earlier backup of the same store, read while a new one is written so
// that the new one's folder archives copy the files that did not change. It
// serves only when it opens cleanly, its record names the same computer and
// user, and it is protected with the new backup's password exactly when the
// new backup is protected at all. It is only read: the new backup replaces
// it, if at all, once complete and proven.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backup/EarlierFolderArchive.h"
#include "backup/ZipComponent.h"
#include "backup/ZipDirectory.h"

namespace backup {

class EarlierBackup {
public:
    // `hostPath`'s backup when it can serve; nothing, with why not, when it
    // cannot. `scratchFolder` is a private folder of the run for the copies
    // of protected members it needs.
    static std::unique_ptr<EarlierBackup> Open(const std::string& hostPath, const std::string& computer,
                                               const std::string& user, const std::string& password,
                                               const std::string& scratchFolder, std::string* why);

    // The folder archive the earlier backup holds as member `name`, ready to
    // copy from; nothing when it holds none, or once the backup proved
    // unsound (see problem()).
    std::shared_ptr<EarlierFolderArchive> folderArchive(const std::string& name);
    // The backup's own compressed members, ready to copy from: nothing when
    // it is protected (its members are encrypted as a whole) or proved unsound.
    std::shared_ptr<EarlierFolderArchive> backupMembers();
    // Why the earlier backup stopped being used during the run; empty while
    // it is sound.
    std::string problem() const;
    const std::string& path() const { return path_; }

private:
    struct Stored {
        std::string name;
        std::uint64_t localOffset;
    };
    EarlierBackup() = default;

    std::string path_;
    std::string scratchFolder_;
    ZipComponent zip_;
    platform::RawFile file_;
    std::vector<Stored> stored_;  // members kept as they are, where they lie
    std::vector<std::pair<std::string, std::shared_ptr<EarlierFolderArchive>>> given_;  // by member name
    std::string problem_;
    bool protected_ = false;
};

}  // namespace backup
