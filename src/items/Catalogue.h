#pragma once
// The eleven data items in their fixed order. Index = check-box index =
// position in every flag string and in the command-line mask. Every text the
// runs show or log for an item comes from this one table.

#include <array>
#include <cstddef>
#include <string_view>

namespace items {

inline constexpr std::size_t kItemCount = 11;

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
};

inline constexpr int kRestoreMailRulesExtraProgress = 4;

extern const std::array<CatalogueEntry, kItemCount> kCatalogue;

}  // namespace items
