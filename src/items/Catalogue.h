#pragma once
// The eleven data items in their fixed order. Index = check-box index =
// position in every flag string and in the command-line mask. Every text the
// runs show or log for an item comes from this one table.

#include <array>
#include <cstddef>
#include <string_view>

namespace items {

struct ItemContext;
// A backup or restore function: true when the item was handled.
using ItemFunction = bool (*)(ItemContext&);

inline constexpr std::size_t kItemCount = 11;

// The mail client's key; the registry-backed items lie below it.
inline constexpr const char* kClientKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail";

enum ItemIndex : std::size_t {
    kMailAccounts = 0,
    kMailRules = 1,
    kLdapAccounts = 2,
    kNewsRules = 3,
    kJunkMail = 4,
    kContacts = 5,
    kMailDatabase = 6,
    kSignatures = 7,
    kStationeries = 8,
    kSettings = 9,
    kCalendars = 10,
};

struct CatalogueEntry {
    std::size_t index;
    std::string_view caption;          // check-box caption
    std::string_view recordKey;        // key in the information record
    std::string_view backupStatus;     // status label while backing up
    std::string_view backupLogCaption; // " <caption> Succeeded!/Fail!" in the log
    int backupProgress;                // added to the bar after the item
    std::string_view restoreStatus;
    std::string_view restoreCaption;   // summary caption; log text is " <caption> "
    int restoreProgress;               // mail rules add a further 4, see below
    ItemFunction backup;
    ItemFunction restore;
};

inline constexpr int kRestoreMailRulesExtraProgress = 4;

extern const std::array<CatalogueEntry, kItemCount> kCatalogue;

}  // namespace items
