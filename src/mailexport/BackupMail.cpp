#include "mailexport/BackupMail.h"

#include "backup/ReadsCounted.h"
#include "items/Catalogue.h"
#include "items/ItemFunctions.h"
#include "items/MemberNames.h"
#include "platform/FsPath.h"
#include "platform/Text.h"
#include "session/MainSession.h"

namespace mailexport {

namespace {

std::string accountNames(const std::vector<AccountArchive>& accounts) {
    std::string names;
    for (const auto& a : accounts) names += (names.empty() ? "\"" : ", \"") + a.name + "\"";
    return names;
}

std::optional<std::size_t> accountNamed(const std::vector<AccountArchive>& accounts, std::string_view name) {
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        if (accounts[i].name == name) return i;
    }
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        if (platform::equalsNoCase(accounts[i].name, name)) return i;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::vector<AccountArchive>> MailAccountsOf(session::MainSession& session, std::string* why) {
    std::vector<AccountArchive> accounts;
    const std::string& listed = session.items.RestoreItemMembers[items::kMailAccounts];
    for (const auto& member : items::SplitMembers(listed)) {
        if (member.empty() || !items::UnpacksAsFolder(items::kMailAccounts, member)) continue;
        const auto folder = items::MemberFolderName(member);
        const auto found = session.Zip1.findMember(member);
        if (!folder || !found) {
            *why = "the backup's record names the account archive \"" + member + "\", which " +
                   (folder ? "the backup does not hold" : "gives no plain folder name");
            return std::nullopt;
        }
        accounts.push_back({*folder, *found});
    }
    if (accounts.empty()) {
        *why = "the backup holds no mail or news accounts";
        return std::nullopt;
    }
    return accounts;
}

std::optional<std::vector<FolderPath>> SelectAccounts(const std::vector<AccountArchive>& accounts,
                                                      std::string_view path, std::string* why) {
    std::vector<FolderPath> chosen;
    while (!path.empty() && path.back() == '/') path.remove_suffix(1);
    if (path.empty()) {
        for (std::size_t i = 0; i < accounts.size(); ++i) chosen.push_back({i, ""});
        return chosen;
    }
    const std::size_t slash = path.find('/');
    const auto account = accountNamed(accounts, path.substr(0, slash));
    if (!account) {
        *why = "the backup holds no account \"" + std::string(path.substr(0, slash)) + "\"; its accounts are " +
               accountNames(accounts);
        return std::nullopt;
    }
    chosen.push_back({*account, slash == std::string_view::npos ? std::string() : std::string(path.substr(slash + 1))});
    return chosen;
}

std::string OpenAccount(backup::ZipComponent& backup, const AccountArchive& archive, const std::string& scratch,
                        const std::function<void(std::uint64_t, std::uint64_t)>& progress, OpenedAccount* out) {
    out->archive = archive;
    out->zip = std::make_unique<backup::ZipComponent>();
    if (!archive.takenOut()) {
        if (!out->zip->openArchiveMember(backup, archive.member)) return out->zip->lastError();
    } else {
        backup::ReadsCounted counted(backup, progress);
        if (!backup.extractMember(archive.member, scratch)) return backup.lastError();
        const auto copy = platform::fsPath(scratch) / platform::fsPath(archive.member.name);
        if (!out->zip->openArchive(platform::pathText(copy))) return out->zip->lastError();
    }
    out->tree = ReadAccountTree(out->zip->members());
    return {};
}

std::string ChosenMail::choose(session::MainSession& session, std::string_view path) {
    std::string why;
    auto accounts = MailAccountsOf(session, &why);
    auto chosen = accounts ? SelectAccounts(*accounts, path, &why) : std::nullopt;
    if (!chosen) return why;
    for (const auto& c : *chosen) {
        archives_.push_back((*accounts)[c.account]);
        paths_.push_back(c.folder);
    }
    return {};
}

std::string ChosenMail::open(backup::ZipComponent& backup,
                             const std::function<void(std::size_t, std::uint64_t, std::uint64_t)>& progress) {
    for (std::size_t i = 0; i < archives_.size(); ++i) {
        const auto& archive = archives_[i];
        if (archive.takenOut() && !scratch_) scratch_.emplace("tarnhold-mail-");
        if (archive.takenOut() && scratch_->path().empty()) return "no private scratch folder could be made";
        OpenedAccount opened;
        std::string why = OpenAccount(backup, archive, archive.takenOut() ? scratch_->path() : std::string(),
                                      [&](std::uint64_t done, std::uint64_t total) { progress(i, done, total); },
                                      &opened);
        if (!why.empty()) return "cannot read the account \"" + archive.name + "\": " + why;
        const auto folder = opened.tree.find(paths_[i]);
        if (!folder) return "the account \"" + archive.name + "\" has no folder \"" + paths_[i] + "\"";
        folders_.push_back(*folder);
        opened_.push_back(std::move(opened));
    }
    return {};
}

}  // namespace mailexport
