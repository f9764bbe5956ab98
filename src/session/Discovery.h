#pragma once
// Finding the mail client at start: is it installed, what are the computer and
// user called, where are its folders, and which items can be backed up here.

#include <array>
#include <string>

#include "items/Catalogue.h"
#include "items/RegistryAccess.h"
#include "platform/Services.h"

namespace session {

using items::kClientKey;
inline constexpr const char* kShellFoldersKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
inline constexpr const char* kAppPathsKey =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wlmail.exe";
inline constexpr const char* kMissingClientMessage = "Your Windows System have not install Windows Live Mail ";
inline constexpr const char* kClientErrorMessage =
    "Your Windows System have not install Windows Live Mail or Windows Live Mail error!";

// What discovery found. Folders are in Windows form, as the client names them.
struct MailStore {
    bool clientFound = false;   // "Store Root" present
    bool foldersFound = false;  // "Local AppData" present; the folders below are set
    std::string ComputerName;
    std::string LogonUserName;
    std::string MailStoreRoot;
    std::string ContactsFolder;
    std::string StationeryFolder;

    bool ready() const { return clientFound && foldersFound; }
};

// Runs the discovery steps in order, showing the two messages of a missing
// client through the dialogs.
MailStore DiscoverMailStore(platform::Services& services, items::RegistryAccess& registry);

// Which item boxes are enabled: indexes 1, 2, 3, 5, 7 and 8 depend on what is
// present; the others are always available.
std::array<bool, items::kItemCount> ItemAvailability(const MailStore& store, const platform::Environment& env,
                                                     items::RegistryAccess& registry);

// InfoRecordPath: "oebackup.dat" in the program folder.
std::string InfoRecordPathFor(const platform::Environment& env);

}  // namespace session
