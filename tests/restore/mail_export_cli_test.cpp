// The mail commands of the real tarnhold-cli on backups that the real
// tarnhold made of generated stores holding the odd message shapes: the mbox
// export read back by Python's mailbox module, the .eml export and the folder
// restore compared with the stored files, damage, and the target's rules.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli/CliProgress.h"
#include "support/TestSupport.h"

using testing_support::filesBelow;
using testing_support::readFile;
using testing_support::runCommand;
using testing_support::shellQuote;
using testing_support::Snapshot;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

const std::string kAccount = "Hotmail (owner)";
const std::vector<std::string> kNoMessages{"Binary junk (000F0009).eml", "Empty file (000F0008).eml"};

struct MailProfile {
    explicit MailProfile(const std::string& withPassword = "") : password(withPassword) {
        testing_support::makeSamplePrefix(dir / "prefix",
                                          {"--user", "owner", "--accounts", "3", "--messages", "12", "--odd-messages"});
        writeFile(dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
        std::string out;
        EXPECT_EQ(runCommand(env() + "timeout 120 '" TARNHOLD_BINARY "' ' sf=ownerxm=10000000000ps=" + password +
                                 "bf=" + backup() + "'", &out), 0) << out;
    }
    std::string env() const {
        return "env -u DISPLAY USERPROFILE='C:\\users\\owner' WINEPREFIX=" + shellQuote((dir / "prefix").string()) +
               " TARNHOLD_HOME=" + shellQuote((dir / "home").string()) + " TARNHOLD_PASSWORD=" + shellQuote(password) +
               " ";
    }
    std::string backup() const { return (dir / "mail.wlm").string(); }
    fs::path store() const {
        return dir / "prefix" / "drive_c" / "users" / "owner" / "AppData" / "Local" / "Microsoft" / "Windows Live Mail";
    }
    // Runs tarnhold-cli; standard output to *out, standard error to *err.
    int cli(const std::string& args, std::string* out, std::string* err = nullptr) const {
        const std::string errFile = (dir / "stderr").string();
        // In a group of its own: runCommand sends the group's standard error to the output.
        const int status =
            runCommand("{ " + env() + "timeout 120 '" TARNHOLD_CLI "' " + args + " 2>" + shellQuote(errFile) + "; }", out);
        if (err) *err = readFile(errFile);
        return status;
    }
    TempDir dir;
    std::string password;
};

bool isMessage(const std::string& path) { return path.size() > 4 && path.ends_with(".eml"); }

std::string lfOnly(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    }
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

// The stored messages of each folder of an account, by the place the mbox
// export gives it ("Hotmail (owner).sbd/Inbox.sbd/Projects"), LF only and
// sorted; the files that hold no message are left out.
std::map<std::string, std::vector<std::string>> storedByMbox(const fs::path& accountFolder, const std::string& account) {
    std::map<std::string, std::vector<std::string>> folders;
    folders[account];
    for (const auto& [path, contents] : filesBelow(accountFolder)) {
        const fs::path p(path);
        std::string place = account;
        if (contents == "<dir>") {
            for (const auto& part : p) place += ".sbd/" + part.string();
            folders[place];
            continue;
        }
        if (!isMessage(path) ||
            std::find(kNoMessages.begin(), kNoMessages.end(), p.filename().string()) != kNoMessages.end()) {
            continue;
        }
        for (const auto& part : p.parent_path()) place += ".sbd/" + part.string();
        folders[place].push_back(lfOnly(contents));
    }
    for (auto& [place, messages] : folders) std::sort(messages.begin(), messages.end());
    return folders;
}

// What Python read from each mbox file of the export, sorted the same way.
std::map<std::string, std::vector<std::string>> readBack(const fs::path& exported, const fs::path& out,
                                                         const std::string& account) {
    EXPECT_EQ(runCommand("python3 '" TARNHOLD_MBOX_READER "' " + shellQuote(exported.string()) + " " +
                         shellQuote(out.string())), 0);
    std::map<std::string, std::vector<std::string>> folders;
    for (const auto& [path, contents] : filesBelow(out)) {
        const fs::path p(path);
        if (!path.starts_with(account) || contents == "<dir>") {
            if (contents == "<dir>" && path.starts_with(account) && !fs::is_directory(exported / p)) folders[path];
            continue;
        }
        if (p.filename() != "from-lines") folders[p.parent_path().string()].push_back(contents);
    }
    for (auto& [place, messages] : folders) std::sort(messages.begin(), messages.end());
    return folders;
}

// Flips one byte in the deflated data of the folder archive's member `name`,
// which lies as it is in an unprotected backup.
void damageMessage(const fs::path& backup, const std::string& name) {
    std::string bytes = readFile(backup);
    std::size_t at = 0;
    while ((at = bytes.find(name, at + 1)) != std::string::npos) {
        if (at >= 30 && bytes.compare(at - 30, 4, "PK\x03\x04") == 0) break;
    }
    ASSERT_NE(at, std::string::npos) << name;
    const std::size_t header = at - 30;
    auto field = [&](std::size_t offset) {
        return static_cast<unsigned char>(bytes[header + offset]) | static_cast<unsigned char>(bytes[header + offset + 1]) << 8;
    };
    const std::size_t data = at + field(26) + field(28);
    const std::size_t compressed = field(18) | static_cast<std::size_t>(field(20)) << 16;
    ASSERT_GT(compressed, 8u);
    bytes[data + compressed / 2] = static_cast<char>(bytes[data + compressed / 2] ^ 0x55);
    writeFile(backup, bytes);
}

}  // namespace

TEST(TarnholdCliMail, AnMboxExportReadBackByPythonHoldsEveryStoredMessage) {
    Snapshot plainExport;
    for (const std::string password : {"", "s3cret"}) {
        MailProfile p(password);
        const fs::path exported = p.dir / "mbox";
        std::string out, err;
        EXPECT_EQ(p.cli("export " + shellQuote(p.backup()) + " --to " + shellQuote(exported.string()), &out, &err), 1)
            << out << err;
        for (const auto& junk : kNoMessages) {
            EXPECT_NE(err.find(kAccount + "/Inbox/" + junk + ": no message header, left out of the mbox file"),
                      std::string::npos) << err;
        }
        EXPECT_NE(out.find(kAccount + "/Inbox/Projects: "), std::string::npos) << out;
        EXPECT_NE(out.find(" written, 2 skipped, in "), std::string::npos) << out;

        const auto stored = storedByMbox(p.store() / kAccount, kAccount);
        const auto read = readBack(exported, p.dir / "read", kAccount);
        EXPECT_EQ(read, stored);
        ASSERT_EQ(read.count(kAccount + ".sbd/Inbox"), 1u);
        EXPECT_EQ(read.at(kAccount + ".sbd/Inbox.sbd/Projects").size(),
                  stored.at(kAccount + ".sbd/Inbox.sbd/Projects").size());
        const std::string froms = readFile(p.dir / "read" / (kAccount + ".sbd") / "Inbox" / "from-lines");
        for (const char* line : {"bounce@lists.example.org Tue Mar 15 09:22:33 2011\n",
                                 "bob@example.net Wed Mar 16 13:00:00 2011\n",
                                 "ivan@example.ru Sat Mar 19 18:29:59 2011\n",
                                 "MAILER-DAEMON Wed Feb  2 13:00:00 2011\n",
                                 "carol@example.com Sun Mar 20 06:15:00 2011\n"}) {
            EXPECT_NE(froms.find(line), std::string::npos) << line << froms;
        }
        // The quoting itself, byte for byte.
        const std::string inbox = readFile(exported / (kAccount + ".sbd") / "Inbox");
        EXPECT_NE(inbox.find("\n\n>From the start of a line.\n>>From once quoted.\n>>>From twice quoted.\nFrom\n"),
                  std::string::npos);
        EXPECT_EQ(inbox.find('\r' + std::string("\n")), std::string::npos);
        EXPECT_NE(inbox.find("\nx-store-info:J++/JTCzmObr++wNraA4Pa4f5Xd6uens\nFrom: carol@example.com\n"),
                  std::string::npos);
        EXPECT_EQ(readFile(exported / kAccount), "");  // the account: subfolders only
        EXPECT_FALSE(fs::exists(exported / (kAccount + ".sbd") / "Inbox.sbd" / "Projects.sbd"));
        // A protected backup exports to the same bytes.
        if (password.empty()) plainExport = filesBelow(exported);
        else EXPECT_EQ(filesBelow(exported), plainExport);
    }
}

TEST(TarnholdCliMail, TheEmlExportAndAFolderRestoreEqualTheStoredFiles) {
    MailProfile p;
    std::string out, err;
    const fs::path eml = p.dir / "eml";
    ASSERT_EQ(p.cli("export " + shellQuote(p.backup()) + " --format eml --to " + shellQuote(eml.string()), &out, &err), 0)
        << out << err;
    EXPECT_NE(out.find(kAccount + "/Inbox: "), std::string::npos) << out;
    EXPECT_NE(out.find(" 0 skipped (2 without a message header, written as stored)"), std::string::npos) << out;
    for (const std::string account : {"Gmail", "Hotmail (owner)", "news.example.net"}) {
        Snapshot stored = filesBelow(p.store() / account);
        std::erase_if(stored, [](const auto& entry) { return entry.first.ends_with(".oeaccount"); });
        EXPECT_EQ(filesBelow(eml / account), stored) << account;
    }
    // The time the backup kept, which has two seconds' steps.
    const auto kept = fs::last_write_time(eml / kAccount / "Inbox" / "From lines (000F0001).eml");
    const auto written = fs::last_write_time(p.store() / kAccount / "Inbox" / "From lines (000F0001).eml");
    EXPECT_LE(std::chrono::abs(kept - written), std::chrono::seconds(2));

    const fs::path restored = p.dir / "restored";
    ASSERT_EQ(p.cli("restore " + shellQuote(p.backup()) + " --folder " + shellQuote(kAccount + "/inbox") + " --to " +
                    shellQuote(restored.string()), &out, &err), 0) << out << err;
    EXPECT_EQ(testing_support::namesIn(restored), std::vector<std::string>{"Inbox"});
    EXPECT_EQ(filesBelow(restored / "Inbox"), filesBelow(p.store() / kAccount / "Inbox"));
    // A whole account comes back with the client's own files too.
    ASSERT_EQ(p.cli("restore " + shellQuote(p.backup()) + " --folder " + shellQuote(kAccount) + " --to " +
                    shellQuote((p.dir / "account").string()), &out, &err), 0) << out << err;
    EXPECT_EQ(filesBelow(p.dir / "account" / kAccount), filesBelow(p.store() / kAccount));
    EXPECT_NE(out.find(" files in the backup, "), std::string::npos) << out;
}

TEST(TarnholdCliMail, ADamagedMessageIsReportedAndNotExportedHalf) {
    MailProfile p;
    damageMessage(p.backup(), "Inbox/LF line ends (000F0002).eml");
    std::string out, err;
    const fs::path mbox = p.dir / "mbox";
    EXPECT_EQ(p.cli("export " + shellQuote(p.backup()) + " --to " + shellQuote(mbox.string()), &out, &err), 1);
    EXPECT_NE(err.find(kAccount + "/Inbox/LF line ends (000F0002).eml: left out: \"Inbox/LF line ends (000F0002).eml\": "
                                  "the member is damaged"), std::string::npos) << err;
    EXPECT_NE(out.find(" written, 3 skipped, in "), std::string::npos) << out;
    const std::string inbox = readFile(mbox / (kAccount + ".sbd") / "Inbox");
    EXPECT_EQ(inbox.find("LF only"), std::string::npos);
    EXPECT_EQ(inbox.find("Lines end in LF."), std::string::npos);
    EXPECT_NE(inbox.find("\nSubject: From lines\n"), std::string::npos);
    EXPECT_NE(inbox.find("\nSubject: Neither sender nor date\n"), std::string::npos);

    const fs::path eml = p.dir / "eml";
    EXPECT_EQ(p.cli("export " + shellQuote(p.backup()) + " --format eml --to " + shellQuote(eml.string()), &out, &err), 1);
    EXPECT_NE(err.find("LF line ends (000F0002).eml: left out: \"Inbox/LF line ends (000F0002).eml\": the member is damaged"),
              std::string::npos) << err;
    EXPECT_FALSE(fs::exists(eml / kAccount / "Inbox" / "LF line ends (000F0002).eml"));
    EXPECT_TRUE(fs::exists(eml / kAccount / "Inbox" / "From lines (000F0001).eml"));
    for (const auto& name : testing_support::namesIn(eml)) EXPECT_FALSE(name.starts_with(".tarnhold")) << name;
}

TEST(TarnholdCliMail, ADamagedProtectedAccountIsReportedBeforeAnythingIsWritten) {
    MailProfile p("s3cret");
    std::string bytes = readFile(p.backup());
    const std::size_t member = bytes.find(kAccount + ".zip");
    ASSERT_NE(member, std::string::npos);
    bytes[member + 2000] = static_cast<char>(bytes[member + 2000] ^ 0x01);
    writeFile(p.backup(), bytes);
    std::string out, err;
    const fs::path target = p.dir / "out";
    EXPECT_EQ(p.cli("export " + shellQuote(p.backup()) + " --to " + shellQuote(target.string()), &out, &err), 1);
    EXPECT_NE(err.find("cannot read the account \"" + kAccount + "\": "), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(target));
}

TEST(TarnholdCliMail, TheListingCountsFoldersAndDecodesEveryHeader) {
    MailProfile p;
    std::string out, err;
    ASSERT_EQ(p.cli("messages " + shellQuote(p.backup()), &out, &err), 0) << err;
    std::size_t inInbox = 0;
    std::uint64_t inboxBytes = 0;
    for (const auto& name : testing_support::namesIn(p.store() / kAccount / "Inbox")) {
        if (!isMessage(name)) continue;
        ++inInbox;
        inboxBytes += fs::file_size(p.store() / kAccount / "Inbox" / name);
    }
    char line[256];
    std::snprintf(line, sizeof line, "\n%10zu  %10s  %s/Inbox\n", inInbox, cli::HumanBytes(inboxBytes).c_str(),
                  kAccount.c_str());
    EXPECT_NE(out.find(line), std::string::npos) << line << out;
    EXPECT_NE(out.find("news.example.net/comp.mail.misc\n"), std::string::npos) << out;

    ASSERT_EQ(p.cli("messages " + shellQuote(p.backup()) + " --folder " + shellQuote(kAccount + "/Inbox"), &out, &err), 0)
        << err;
    EXPECT_NE(out.find(kAccount + "/Inbox: " + std::to_string(inInbox) + " messages, "), std::string::npos) << out;
    for (const char* shown : {"Caf\xC3\xA9 Gr\xC3\xBC\xC3\x9F" "e and more\n", "  \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD  ",
                              "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln\n", "Caf\xC3\xA9 cr\xC3\xA8me\n",
                              "2011-03-15 09:22", "Alice Example", "(no message header: Empty file (000F0008).eml)\n",
                              "Stored with a first line of the client's\n"}) {
        EXPECT_NE(out.find(shown), std::string::npos) << shown << "\n" << out;
    }
    EXPECT_EQ(p.cli("messages " + shellQuote(p.backup()) + " --folder " + shellQuote(kAccount + "/Outbox"), &out, &err), 1);
    EXPECT_NE(err.find("the account \"" + kAccount + "\" has no folder \"Outbox\""), std::string::npos) << err;
    EXPECT_EQ(p.cli("messages " + shellQuote(p.backup()) + " --folder Nowhere", &out, &err), 1);
    EXPECT_NE(err.find("the backup holds no account \"Nowhere\"; its accounts are \"Gmail\", \"Hotmail (owner)\", \"news.example.net\"\n"),
              std::string::npos) << err;
}

TEST(TarnholdCliMail, NothingIsOverwrittenNorWrittenIntoTheStore) {
    MailProfile p;
    std::string out, err;
    const fs::path target = p.dir / "target";
    writeFile(target / "Inbox", "mail of someone else\n");
    const std::string file = shellQuote(p.backup());
    EXPECT_EQ(p.cli("export " + file + " --to " + shellQuote(target.string()), &out, &err), 1);
    EXPECT_NE(err.find("is not empty; give --into-existing to add to it"), std::string::npos) << err;
    EXPECT_EQ(p.cli("export " + file + " --folder " + shellQuote(kAccount + "/Inbox") + " --into-existing --to " +
                    shellQuote(target.string()), &out, &err), 1);
    EXPECT_NE(err.find("Inbox exists already, and the export never overwrites anything; nothing was exported"),
              std::string::npos) << err;
    EXPECT_EQ(testing_support::namesIn(target), std::vector<std::string>{"Inbox"});
    EXPECT_EQ(readFile(target / "Inbox"), "mail of someone else\n");
    // Beside it, into the same folder, is fine.
    EXPECT_EQ(p.cli("export " + file + " --folder " + shellQuote(kAccount + "/Sent Items") + " --into-existing --to " +
                    shellQuote(target.string()), &out, &err), 0) << err;
    EXPECT_EQ(testing_support::namesIn(target), (std::vector<std::string>{"Inbox", "Sent Items"}));

    const Snapshot store = filesBelow(p.store());
    EXPECT_EQ(p.cli("restore " + file + " --folder " + shellQuote(kAccount) + " --into-existing --to " +
                    shellQuote((p.store() / "Restored").string()), &out, &err), 1);
    EXPECT_NE(err.find("lies in the mail client's own store"), std::string::npos) << err;
    EXPECT_EQ(filesBelow(p.store()), store);

    for (const std::string& usage : {"export " + file, "export " + file + " --to x --format pdf",
                                    "restore " + file + " --folder A", "restore " + file + " --to x",
                                    "restore " + file + " --folder A --to x --items 1", "messages " + file + " --to x",
                                    "export " + file + " --to x --to y"}) {
        EXPECT_EQ(p.cli(usage, &out, &err), 2) << usage;
        EXPECT_NE(err.find("usage: tarnhold-cli"), std::string::npos) << usage;
    }
}
