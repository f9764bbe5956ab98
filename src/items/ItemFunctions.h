#pragma once
// The backup and restore function of each item, by the names the catalogue
// gives them. Each takes the run's shared state and returns true on success.

#include <string>
#include <vector>

#include "items/ItemContext.h"

namespace items {

// What the restore function of `item` takes out of the backup, in order:
// the members its record lists.
std::vector<std::string> RestoreMembers(const ItemContext& ctx, std::size_t item);
// Whether it unpacks `member` as a folder archive rather than taking it out
// as one file.
bool UnpacksAsFolder(std::size_t item, const std::string& member);
// Whether the item travels as one registry export.
bool IsRegistryItem(std::size_t item);

// Registry-backed items.
bool BackupmailRules(ItemContext& ctx);
bool RestoremailRules(ItemContext& ctx);
bool BackupnewsRules(ItemContext& ctx);
bool RestorenewsRules(ItemContext& ctx);
bool Backupjunkmail(ItemContext& ctx);
bool RestoreJunkmail(ItemContext& ctx);
bool Backupsignatures(ItemContext& ctx);
bool RestoreSignatures(ItemContext& ctx);
bool BackupSettings(ItemContext& ctx);
bool RestoreSettings(ItemContext& ctx);

// Store-folder items.
bool Backupmailaccountsandmessages(ItemContext& ctx);
bool Restoremailaccountsandmessages(ItemContext& ctx);
bool BackupldapAccounts(ItemContext& ctx);
bool RestorLdapaccounts(ItemContext& ctx);
bool BackupContacts(ItemContext& ctx);
bool RestoreContacts(ItemContext& ctx);
bool Backupmaildatabase(ItemContext& ctx);
bool Restoremaildatabase(ItemContext& ctx);
bool BackupStationeries(ItemContext& ctx);
bool RestoreStationeries(ItemContext& ctx);
bool BackupCalendars(ItemContext& ctx);
bool RestoreCalendars(ItemContext& ctx);

}  // namespace items
