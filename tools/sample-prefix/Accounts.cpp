#include "Accounts.h"

namespace sample {

namespace {

struct AccountTemplate {
    const char* folder;  // "%u" stands for the user name
    AccountKind kind;
    const char* protocol;
    const char* domain;
    bool passport;
};

constexpr AccountTemplate kTemplates[] = {
    {"Hotmail (%u)", AccountKind::Mail, "HTTPMail", "hotmail.example.com", true},
    {"Gmail", AccountKind::Mail, "IMAP", "gmail.example.com", false},
    {"news.example.net", AccountKind::News, "NNTP", "news.example.net", false},
    {"Work Mail", AccountKind::Mail, "IMAP", "corp.example.org", false},
    {"Live Mail (%u)", AccountKind::Mail, "HTTPMail", "live.example.com", true},
    {"ISP Mail (pop.isp.example.net)", AccountKind::Mail, "POP3", "isp.example.net", false},
    {"news.lists.example.org", AccountKind::News, "NNTP", "news.lists.example.org", false},
};

std::string withUser(std::string text, const std::string& user) {
    auto at = text.find("%u");
    if (at != std::string::npos) text.replace(at, 2, user);
    return text;
}

// The user name as the local part of an address: no spaces.
std::string localPart(std::string user) {
    for (char& c : user)
        if (c == ' ') c = '.';
    return user;
}

std::vector<MailFolder> mailFolders(const std::string& protocol) {
    std::vector<MailFolder> folders = {
        {"Inbox", 35, false},         {"Inbox/Projects", 15, false},
        {"Inbox/Family & Friends", 5, false}, {"Sent Items", 20, true},
        {"Deleted Items", 10, false}, {"Drafts", 5, true},
        {"Junk E-mail", 10, false},
    };
    if (protocol == "IMAP") folders.push_back({"[Gmail]/All Mail", 10, false});
    return folders;
}

std::vector<MailFolder> newsFolders(const std::string& server) {
    if (server == "news.example.net")
        return {{"comp.mail.misc", 50, false}, {"alt.test", 20, false}, {"news.software.readers", 30, false}};
    return {{"lists.announce", 60, false}, {"lists.users", 40, false}};
}

Account fromTemplate(Rng& rng, const AccountTemplate& t, const std::string& user) {
    Account a;
    a.folder = withUser(t.folder, user);
    a.kind = t.kind;
    a.protocol = t.protocol;
    a.guid = makeGuid(rng);
    std::string domain = t.domain;
    if (t.kind == AccountKind::News) {
        a.address = localPart(user) + "@users.example.net";
        a.incomingServer = domain;
        a.folders = newsFolders(domain);
        return a;
    }
    a.address = localPart(user) + "@" + domain;
    std::string prefix = a.protocol == "IMAP" ? "imap." : a.protocol == "POP3" ? "pop." : "mail.";
    a.incomingServer = prefix + domain;
    a.outgoingServer = "smtp." + domain;
    if (t.passport) a.passportId = makeHex(rng, 16);
    a.folders = mailFolders(a.protocol);
    return a;
}

}  // namespace

ProfileModel makeModel(Rng& rng, const std::string& user, int count) {
    ProfileModel model;
    model.user = user;
    constexpr int kKnown = static_cast<int>(std::size(kTemplates));
    for (int i = 0; i < count; ++i) {
        if (i < kKnown) {
            model.accounts.push_back(fromTemplate(rng, kTemplates[i], user));
            continue;
        }
        std::string n = std::to_string(i + 1);
        std::string domain = "mail" + n + ".example.com";
        AccountTemplate numbered{"", AccountKind::Mail, "POP3", domain.c_str(), false};
        Account a = fromTemplate(rng, numbered, user);
        a.folder = "Mail Account " + n;
        model.accounts.push_back(a);
    }
    model.directoryAccountGuids = {makeGuid(rng), makeGuid(rng)};
    model.contactsGuids = {makeGuid(rng), makeGuid(rng)};
    return model;
}

}  // namespace sample
