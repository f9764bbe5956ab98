#pragma once
// Who the sample user is and which accounts the profile holds: the names
// and ids that the store folders, the account files and the registry share.

#include <cstdint>
#include <string>
#include <vector>

#include "Random.h"

namespace sample {

enum class AccountKind { Mail, News };

struct MailFolder {
    std::string path;     // below the account folder, "/" between names
    std::uint32_t weight; // share of the account's messages
    bool outgoing;        // written by the user (sent, drafts)
};

struct Account {
    std::string folder;       // the account's folder in the store, e.g. "Hotmail (owner)"
    AccountKind kind = AccountKind::Mail;
    std::string address;      // the user's address (mail) or the server (news)
    std::string incomingServer;
    std::string outgoingServer;
    std::string protocol;     // "HTTPMail", "IMAP", "POP3" or "NNTP"
    std::string guid;         // names the file account{GUID}.oeaccount
    std::string passportId;   // set for accounts with a passport sign-in
    std::vector<MailFolder> folders;
};

struct ProfileModel {
    std::string user;
    std::vector<Account> accounts;
    std::vector<std::string> directoryAccountGuids;  // the two LDAP accounts in the store
    std::vector<std::string> contactsGuids;          // subfolders of the contacts folder
};

// The accounts for `count` accounts: the first few from a table of typical
// ones (a passport account, an IMAP account, a news server, ...), the rest numbered.
ProfileModel makeModel(Rng& rng, const std::string& user, int count);

}  // namespace sample
