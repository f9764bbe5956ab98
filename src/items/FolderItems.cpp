// The six store-folder items: account folders, contacts and calendars as
// folder archives; account files, databases and stationery as plain members.

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>

#include "backup/InformationRecord.h"
#include "items/FolderArchives.h"
#include "items/ItemFunctions.h"
#include "items/MemberExtraction.h"
#include "items/MemberNames.h"
#include "platform/AnsiText.h"
#include "platform/HostPath.h"
#include "platform/Text.h"
#include "platform/FsPath.h"

namespace items {

namespace {

constexpr const char* kAccountsDatabaseFile = "WindowsMail.MSMessageStore";
const std::array<std::string, 5> kNotAccountFolders{"Backup", "Your Feeds", "Calendars", "Sentinel",
                                                    "Storage Folders"};

std::string calendarsFolder(const ItemContext& ctx) { return ctx.MailStoreRoot + "\\Calendars"; }

bool record(ItemContext& ctx, std::size_t item, const std::vector<std::string>& members) {
    if (backup::SaveINI(std::string(kCatalogue[item].recordKey), JoinMembers(members), ctx.InfoRecordPath)) return true;
    return ctx.fail("the information record " + ctx.InfoRecordPath + " could not be written");
}

// A name the record cannot hold in the prefix's code page would come back
// as another name, and one a restore refuses would not come back at all:
// the item fails instead.
bool namesStorable(ItemContext& ctx, const std::string& hostFolder, const std::vector<std::string>& names,
                   bool folders) {
    const std::string kind = folders ? "folder" : "file";
    for (const auto& name : names) {
        const std::string where = "the " + kind + " \"" + platform::joinHostPath(hostFolder, name) + "\"";
        if (!platform::fitsAnsi(name)) {
            return ctx.fail(where + " has a name that code page " + std::to_string(platform::AnsiCodePage()) +
                            " cannot store");
        }
        if (folders ? MemberFolderName(name + ".zip") != name : !MemberFileName(name)) {
            return ctx.fail(where + " has a name Windows cannot hold");
        }
    }
    return true;
}

bool cannotList(ItemContext& ctx, const std::string& hostFolder) {
    return ctx.fail("the folder \"" + hostFolder + "\" cannot be read");
}

// Packs every subfolder the filter lets through; false when the folder
// cannot be listed, a pack fails, or nothing was packed.
bool packSubfolders(ItemContext& ctx, std::size_t item, const std::string& windowsFolder,
                    const std::function<bool(const std::string&)>& wanted, std::vector<std::string>* members) {
    const std::string host = ctx.env.hostPath(windowsFolder);
    auto folders = ListSubfolders(host);
    if (!folders) return cannotList(ctx, host);
    std::vector<std::string> chosen;
    for (const auto& name : *folders) {
        if (wanted(name)) chosen.push_back(name);
    }
    if (chosen.empty() || !namesStorable(ctx, host, chosen, true)) return false;
    if (!PackFolders(ctx, item, host, chosen)) return false;
    for (const auto& name : chosen) members->push_back(name + ".zip");
    return true;
}

// Adds every plain file the filter lets through and records the list.
bool backupFiles(ItemContext& ctx, std::size_t item, const std::string& windowsFolder,
                 const std::function<bool(const std::string&)>& wanted) {
    const std::string host = ctx.env.hostPath(windowsFolder);
    auto files = ListFiles(host);
    if (!files) return cannotList(ctx, host);
    std::vector<std::string> members;
    for (const auto& name : *files) {
        if (wanted(name)) members.push_back(name);
    }
    if (members.empty() || !namesStorable(ctx, host, members, false)) return false;
    for (const auto& name : members) {
        // The record goes in under its own name; a user's file must not take it.
        if (platform::toLowerAscii(name) == backup::kInfoRecordName)
            return ctx.fail("the file \"" + platform::joinHostPath(host, name) +
                            "\" has the name of the backup's own information record");
    }
    for (const auto& name : members) {
        if (!ctx.Zip1.addFiles(platform::joinHostPath(host, name), 1)) return ctx.fail(ctx.Zip1.lastError());
    }
    return record(ctx, item, members);
}

bool endsWithNoCase(const std::string& name, const std::string& tail) {
    return platform::endsWith(platform::toLowerAscii(name), tail);
}

bool isFolderArchive(const std::string& member) { return endsWithNoCase(member, ".zip"); }

bool backupFolders(ItemContext& ctx, std::size_t item, const std::string& windowsFolder) {
    std::vector<std::string> members;
    return packSubfolders(ctx, item, windowsFolder, [](const std::string&) { return true; }, &members) &&
           record(ctx, item, members);
}

// Walks a member list first to last; stops with false at the first failure.
bool restoreEach(ItemContext& ctx, std::size_t item, const std::function<bool(const std::string&)>& restore) {
    for (const auto& member : RestoreMembers(ctx, item)) {
        ctx.restoringMember(item, member);
        if (!restore(member)) return false;
        ctx.yield();
    }
    return true;
}

bool restoreFiles(ItemContext& ctx, std::size_t item, const std::string& windowsFolder) {
    const std::string host = ctx.env.hostPath(windowsFolder);
    return restoreEach(ctx, item, [&](const std::string& m) { return ExtractPlainMember(ctx, m, host); });
}

// Each member back as a folder archive below `host`, or as a plain file in it.
bool restoreFoldersAndFiles(ItemContext& ctx, std::size_t item, const std::string& host, UnpackMode mode) {
    return restoreEach(ctx, item, [&](const std::string& m) {
        return UnpacksAsFolder(item, m) ? UnpackFolderArchive(ctx, m, host, mode) : ExtractPlainMember(ctx, m, host);
    });
}

}  // namespace

std::vector<std::string> RestoreMembers(const ItemContext& ctx, std::size_t item) {
    // A registry item's record names one staging file, taken as it stands.
    if (IsRegistryItem(item)) return {platform::trimBlanks(platform::cutAtNul(ctx.RestoreItemMembers[item]))};
    return SplitMembers(ctx.RestoreItemMembers[item]);
}

bool UnpacksAsFolder(std::size_t item, const std::string& member) {
    switch (item) {
        // Only ".zip" members are folders; any other (such as the store's
        // database file) goes back as a plain file.
        case kMailAccounts:
        case kCalendars: return isFolderArchive(member);
        case kContacts: return true;
        default: return false;
    }
}

bool Backupmailaccountsandmessages(ItemContext& ctx) {
    std::vector<std::string> members;
    auto isAccount = [](const std::string& name) {
        return std::find(kNotAccountFolders.begin(), kNotAccountFolders.end(), name) == kNotAccountFolders.end();
    };
    if (!packSubfolders(ctx, kMailAccounts, ctx.MailStoreRoot, isAccount, &members)) return false;
    // The database item carries this file itself when it is chosen too. It is
    // listed only when it really went in, so a restore never looks for a
    // member that is not there.
    if (!ctx.databaseChosen &&
        ctx.Zip1.addFiles(platform::joinHostPath(ctx.env.hostPath(ctx.MailStoreRoot), kAccountsDatabaseFile), 1)) {
        members.push_back(kAccountsDatabaseFile);
    }
    return record(ctx, kMailAccounts, members);
}

bool Restoremailaccountsandmessages(ItemContext& ctx) {
    return restoreFoldersAndFiles(ctx, kMailAccounts, ctx.env.hostPath(ctx.MailStoreRoot), UnpackMode::Replace);
}

bool BackupldapAccounts(ItemContext& ctx) {
    return backupFiles(ctx, kLdapAccounts, ctx.MailStoreRoot,
                       [](const std::string& n) { return endsWithNoCase(n, "oeaccount"); });
}

bool RestorLdapaccounts(ItemContext& ctx) { return restoreFiles(ctx, kLdapAccounts, ctx.MailStoreRoot); }

bool BackupContacts(ItemContext& ctx) { return backupFolders(ctx, kContacts, ctx.ContactsFolder); }

bool RestoreContacts(ItemContext& ctx) {
    return restoreFoldersAndFiles(ctx, kContacts, ctx.env.hostPath(ctx.ContactsFolder), UnpackMode::Merge);
}

bool Backupmaildatabase(ItemContext& ctx) {
    return backupFiles(ctx, kMailDatabase, ctx.MailStoreRoot,
                       [](const std::string& n) { return endsWithNoCase(n, "msmessagestore"); });
}

bool Restoremaildatabase(ItemContext& ctx) { return restoreFiles(ctx, kMailDatabase, ctx.MailStoreRoot); }

bool BackupStationeries(ItemContext& ctx) {
    return backupFiles(ctx, kStationeries, ctx.StationeryFolder, [](const std::string& n) { return !n.empty(); });
}

bool RestoreStationeries(ItemContext& ctx) {
    std::error_code ec;
    std::filesystem::create_directories(platform::fsPath(ctx.env.hostPath(ctx.StationeryFolder)), ec);
    return restoreFiles(ctx, kStationeries, ctx.StationeryFolder);
}

bool BackupCalendars(ItemContext& ctx) { return backupFolders(ctx, kCalendars, calendarsFolder(ctx)); }

bool RestoreCalendars(ItemContext& ctx) {
    return restoreFoldersAndFiles(ctx, kCalendars, ctx.env.hostPath(calendarsFolder(ctx)), UnpackMode::Replace);
}

}  // namespace items
