#pragma once
// The mail of a backup that restore::InspectBackupFile opened: the folder
// archives its record lists for the mail and news accounts item (other
// folder archives, such as contacts and calendars, hold no mail), each
// opened where it lies in the backup when it is stored as it is, else taken
// out into a private scratch folder first.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/ZipComponent.h"
#include "mailexport/MailTree.h"
#include "platform/Folders.h"

namespace session { class MainSession; }

namespace mailexport {

struct AccountArchive {
    std::string name;          // the account's folder, "Hotmail (owner)"
    backup::ZipMember member;  // its folder archive, "Hotmail (owner).zip"
    // Whether it must be taken out of the backup to be read (compressed or
    // encrypted there).
    bool takenOut() const { return !backup::ZipComponent::opensInPlace(member); }
};

// The accounts in the record's order; nothing, with why, when the backup
// holds none or its record names a folder archive it lacks.
std::optional<std::vector<AccountArchive>> MailAccountsOf(session::MainSession& session, std::string* why);

// A folder path as the commands take it: "Account" or "Account/Folder/...".
struct FolderPath {
    std::size_t account;  // into the list MailAccountsOf gave
    std::string folder;   // below the account; "" for the account itself
};
// Every account for an empty path; nothing, with why, for an account the
// backup does not hold (matched as written, else without regard to case).
std::optional<std::vector<FolderPath>> SelectAccounts(const std::vector<AccountArchive>& accounts,
                                                      std::string_view path, std::string* why);

struct OpenedAccount {
    AccountArchive archive;
    std::unique_ptr<backup::ZipComponent> zip;
    AccountTree tree;
};
// Opens the account's folder archive out of `backup` and reads its tree; a
// take-out goes into `scratch` and its reads go to `progress`. Empty text,
// or why not.
std::string OpenAccount(backup::ZipComponent& backup, const AccountArchive& archive, const std::string& scratch,
                        const std::function<void(std::uint64_t, std::uint64_t)>& progress, OpenedAccount* out);

// The accounts a folder path chooses (every account for an empty path),
// opened, each with the folder the path names in it.
class ChosenMail {
public:
    ChosenMail() = default;
    ChosenMail(const ChosenMail&) = delete;
    ChosenMail& operator=(const ChosenMail&) = delete;

    // Finds the accounts; none is opened yet. Empty text, or why not.
    std::string choose(session::MainSession& session, std::string_view path);
    // The chosen accounts' archives, in order.
    const std::vector<AccountArchive>& archives() const { return archives_; }
    // Opens them; the take-out of the i-th goes to progress(i, done, total).
    std::string open(backup::ZipComponent& backup,
                     const std::function<void(std::size_t, std::uint64_t, std::uint64_t)>& progress);

    const std::vector<OpenedAccount>& accounts() const { return opened_; }
    std::vector<OpenedAccount>& accounts() { return opened_; }
    // Into accounts(): the folder chosen in each (it comes with every folder below it).
    const std::vector<std::size_t>& folders() const { return folders_; }

private:
    std::vector<AccountArchive> archives_;
    std::vector<std::string> paths_;  // the folder in each, below the account
    std::optional<platform::TemporaryFolder> scratch_;  // for accounts taken out
    std::vector<OpenedAccount> opened_;  // closed before the scratch folder goes
    std::vector<std::size_t> folders_;
};

}  // namespace mailexport
