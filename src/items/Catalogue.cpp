#include "items/Catalogue.h"

#include "items/ItemFunctions.h"

namespace items {

const std::array<CatalogueEntry, kItemCount> kCatalogue{{
    {kMailAccounts, "Mail Accounts & Messages/News Accounts & Messages", "Backupmailaccountsandmessages",
     "Copying Email Mail Accounts & Messages/News Accounts & Messages...",
     "Backup Mail Accounts & Messages/News Accounts & Messages", 20,
     "Copying Mail Accounts & Messages/News Accounts & Messages...",
     "Restore Mail Accounts & Messages/News Accounts & Messages", 15,
     Backupmailaccountsandmessages, Restoremailaccountsandmessages},
    {kMailRules, "Mail Rules", "BackupmailRules", "Copying Mail Rules...", "Backup Mail Rules", 10,
     "Copying Mail Rules...", "Restore Mail Rules", 10,
     BackupmailRules, RestoremailRules},
    {kLdapAccounts, "LDAP Accounts", "BackupldapAccounts", "Copying LDAP Accounts...", "Backup LDAP Accounts", 5,
     "Copying Ldap Accounts...", "Restore Ldap Accounts", 10,
     BackupldapAccounts, RestorLdapaccounts},
    {kNewsRules, "Newsgroups Rules", "BackupnewsRules", "Copying News Rules...", "Backup News Rules", 5,
     "Copying News Rules...", "Restore News Rules", 5,
     BackupnewsRules, RestorenewsRules},
    {kJunkMail, "Junk Mail Settings", "Backupjunkmail", "Copying Junk Mail Settings...",
     "Backup Junk Mail Settings", 4, "Copying Junk Mail Settings...", "Restore Junk Mail Settings", 5,
     Backupjunkmail, RestoreJunkmail},
    {kContacts, "Contacts", "BackupContacts", "Copying Contacts...", "Backup Contacts", 4,
     "Copying Contacts...", "Restore Contacts", 5,
     BackupContacts, RestoreContacts},
    {kMailDatabase, "Windows Live Mail Database", "Backupmaildatabase", "Copying Windows Live Mail Database...",
     "Backup Windows Live Mail Database", 7, "Copying Windows Live Mail Database...",
     "Restore Windows Live Mail Database", 5,
     Backupmaildatabase, Restoremaildatabase},
    {kSignatures, "Signatures", "Backupsignatures", "Copying Signatures...", "Backup Signatures", 8,
     "Copying Signatures...", "Restore Signatures", 5,
     Backupsignatures, RestoreSignatures},
    {kStationeries, "Stationeries", "BackupStationeries", "Copying Stationeries...", "Backup Stationeries", 4,
     "Copying Stationeries...", "Restore Stationeries", 5,
     BackupStationeries, RestoreStationeries},
    {kSettings, "Settings", "BackupSettings", "Copying Settings...", "Backup Settings", 4,
     "Copying Settings...", "Restore Settings", 5,
     BackupSettings, RestoreSettings},
    {kCalendars, "Calendars", "BackupCalendars", "Copying Calendars...", "Backup Calendars", 0,
     "Copying Calendars...", "Restore Calendars", 0, BackupCalendars, RestoreCalendars},
}};

}  // namespace items
