// The sample prefix generator: deterministic output, the registry as the
// program reads it, the profile's folders and files, sizing and refusals.

#include <gtest/gtest.h>


#include <filesystem>
#include <map>
#include <pwd.h>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/WineRegistry.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using platform::Hive;
using testing_support::makeSamplePrefix;
using testing_support::readFile;
using testing_support::TempDir;

constexpr const char* kClientKey = "Software\\Microsoft\\Windows Live Mail";
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wlmail.exe";

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the generator and returns its exit status, with its output in *output.
int runTool(const std::vector<std::string>& args, std::string* output) {
    std::string cmd = quote(TARNHOLD_SAMPLE_TOOL);
    for (const auto& a : args) cmd += " " + quote(a);
    return testing_support::runCommand(cmd, output);
}

fs::path storeOf(const fs::path& prefix, const std::string& user) {
    return prefix / "drive_c" / "users" / user / "AppData" / "Local" / "Microsoft" / "Windows Live Mail";
}

// Every entry below `root` by relative path: file contents, or the target of a link.
std::map<std::string, std::string> treeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::string rel = fs::relative(e.path(), root).string();
        if (e.is_symlink()) tree[rel] = "link -> " + fs::read_symlink(e.path()).string();
        else if (e.is_regular_file()) tree[rel] = readFile(e.path());
        else tree[rel] = "folder";
    }
    return tree;
}

// The first path where two trees differ, or empty when they are the same.
std::string firstDifference(const std::map<std::string, std::string>& a,
                            const std::map<std::string, std::string>& b) {
    for (const auto& [path, contents] : a) {
        auto it = b.find(path);
        if (it == b.end()) return path + " (only in the first)";
        if (it->second != contents) return path;
    }
    for (const auto& [path, contents] : b)
        if (!a.count(path)) return path + " (only in the second)";
    return {};
}

std::vector<fs::path> filesBelow(const fs::path& folder, const std::string& extension = {}) {
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file() && (extension.empty() || e.path().extension() == extension))
            files.push_back(e.path());
    return files;
}

std::uint64_t bytesBelow(const fs::path& folder) {
    std::uint64_t total = 0;
    for (const auto& f : filesBelow(folder)) total += fs::file_size(f);
    return total;
}

std::vector<std::string> multiStrings(const platform::RegValue& v) {
    std::vector<std::string> items;
    std::string current;
    for (std::size_t i = 0; i + 1 < v.data.size(); i += 2) {
        std::uint8_t unit[2] = {v.data[i], v.data[i + 1]};
        if (unit[0] == 0 && unit[1] == 0) {
            if (current.empty()) break;
            items.push_back(current);
            current.clear();
        } else {
            current += platform::utf16leToUtf8(unit, 2);
        }
    }
    return items;
}

std::string loginName() {
    const passwd* pw = getpwuid(getuid());
    return pw ? pw->pw_name : "";
}

TEST(SamplePrefix, SameSeedGivesSameBytesAndAnotherSeedDiffers) {
    TempDir t;
    makeSamplePrefix(t / "a", {"--seed", "7", "--user", "tester", "--messages", "6"});
    makeSamplePrefix(t / "b", {"--seed", "7", "--user", "tester", "--messages", "6"});
    makeSamplePrefix(t / "c", {"--seed", "8", "--user", "tester", "--messages", "6"});
    auto a = treeOf(t / "a");
    auto b = treeOf(t / "b");
    auto c = treeOf(t / "c");
    EXPECT_EQ(firstDifference(a, b), "");
    EXPECT_NE(firstDifference(a, c), "");
    EXPECT_NE(a.at("user.reg"), c.at("user.reg"));
    EXPECT_EQ(filesBelow(t / "a", ".eml").size(), filesBelow(t / "c", ".eml").size());
}

TEST(SamplePrefix, EmptyPrefixHoldsOnlyWinesSkeleton) {
    TempDir t;
    fs::path prefix = t / "prefix";
    makeSamplePrefix(prefix, {"--empty", "--user", "tester"});
    EXPECT_TRUE(fs::is_directory(prefix / "drive_c"));
    ASSERT_TRUE(fs::is_symlink(prefix / "dosdevices" / "c:"));
    EXPECT_EQ(fs::read_symlink(prefix / "dosdevices" / "c:"), "../drive_c");
    for (const char* hive : {"user.reg", "system.reg"}) {
        std::string text = readFile(prefix / hive);
        EXPECT_EQ(text.rfind("WINE REGISTRY Version 2\n", 0), 0u) << hive;
        EXPECT_EQ(text.find("\n["), std::string::npos) << hive << " holds a key:\n" << text;
    }
    platform::WineRegistry registry(prefix.string());
    EXPECT_FALSE(registry.keyExists(Hive::CurrentUser, kClientKey));
    EXPECT_FALSE(registry.keyExists(Hive::LocalMachine, kAppPaths));
    EXPECT_FALSE(fs::exists(storeOf(prefix, "tester")));
    EXPECT_FALSE(fs::exists(prefix / "drive_c" / "Program Files"));
}

TEST(SamplePrefix, RegistryReadsBackThroughWineRegistry) {
    TempDir t;
    fs::path prefix = t / "prefix";
    makeSamplePrefix(prefix, {"--seed", "3", "--user", "tester", "--messages", "2"});
    platform::WineRegistry registry(prefix.string());

    auto storeRoot = registry.value(Hive::CurrentUser, kClientKey, "Store Root");
    ASSERT_TRUE(storeRoot);
    EXPECT_EQ(storeRoot->type, platform::REG_EXPAND_SZ);
    EXPECT_EQ(storeRoot->text(), "%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows Live Mail");
    EXPECT_TRUE(fs::is_directory(storeOf(prefix, "tester")));

    auto local = registry.value(Hive::CurrentUser, kShellFolders, "Local AppData");
    auto personal = registry.value(Hive::CurrentUser, kShellFolders, "Personal");
    ASSERT_TRUE(local && personal);
    EXPECT_EQ(local->type, platform::REG_EXPAND_SZ);
    EXPECT_EQ(local->text(), "%USERPROFILE%\\AppData\\Local");
    EXPECT_EQ(personal->type, platform::REG_EXPAND_SZ);
    EXPECT_EQ(personal->text(), "%USERPROFILE%\\Documents");

    auto path = registry.value(Hive::LocalMachine, kAppPaths, "Path");
    auto exe = registry.value(Hive::LocalMachine, kAppPaths, "");
    ASSERT_TRUE(path && exe);
    EXPECT_EQ(path->type, platform::REG_SZ);
    EXPECT_EQ(path->text(), "C:\\Program Files\\Windows Live\\Mail");
    EXPECT_EQ(exe->text(), path->text() + "\\wlmail.exe");
    EXPECT_TRUE(fs::is_regular_file(prefix / "drive_c" / "Program Files" / "Windows Live" / "Mail" / "wlmail.exe"));

    // The default account names an account file that is in the store.
    auto defaultAccount = registry.value(Hive::CurrentUser, kClientKey, "Default Mail Account");
    ASSERT_TRUE(defaultAccount);
    bool accountFileFound = false;
    for (const auto& f : filesBelow(storeOf(prefix, "tester"), ".oeaccount"))
        accountFileFound |= f.filename() == defaultAccount->text();
    EXPECT_TRUE(accountFileFound) << defaultAccount->text();

    for (std::string rules : {"\\Rules\\Mail", "\\Rules\\News"}) {
        std::string key = kClientKey + rules;
        auto names = registry.subkeys(Hive::CurrentUser, key);
        ASSERT_GE(names.size(), 2u) << key;
        EXPECT_EQ(names[0], "000");
        EXPECT_EQ(names[1], "001");
        bool sz = false, expand = false, bigBinary = false, allOnes = false, zero = false, multi = false,
             qword = false;
        for (const auto& rule : names) {
            for (const auto& v : registry.values(Hive::CurrentUser, key + "\\" + rule)) {
                sz |= v.type == platform::REG_SZ && !v.text().empty();
                expand |= v.type == platform::REG_EXPAND_SZ && v.text().find('%') != std::string::npos;
                bigBinary |= v.type == platform::REG_BINARY && v.data.size() > 4096;
                allOnes |= v.type == platform::REG_DWORD && v.data.size() == 4 && v.dwordValue() == 0xFFFFFFFFu;
                zero |= v.type == platform::REG_DWORD && v.data.size() == 4 && v.dwordValue() == 0;
                multi |= v.type == platform::REG_MULTI_SZ && multiStrings(v).size() >= 2 &&
                         v.data.size() >= 4 && v.data[v.data.size() - 1] == 0 && v.data[v.data.size() - 3] == 0;
                qword |= v.type == platform::REG_QWORD && v.data.size() == 8;
            }
            EXPECT_FALSE(registry.subkeys(Hive::CurrentUser, key + "\\" + rule).empty()) << rule;
        }
        EXPECT_TRUE(sz && expand && bigBinary && allOnes && zero && multi && qword)
            << key << ": sz " << sz << " expand " << expand << " binary " << bigBinary << " ffffffff "
            << allOnes << " zero " << zero << " multi " << multi << " qword " << qword;
    }

    std::string passports = std::string(kClientKey) + "\\PerPassportSettings";
    auto ids = registry.subkeys(Hive::CurrentUser, passports);
    ASSERT_FALSE(ids.empty());
    EXPECT_FALSE(registry.values(Hive::CurrentUser, passports + "\\" + ids[0]).empty());

    std::string signatures = std::string(kClientKey) + "\\signatures";
    EXPECT_EQ(registry.subkeys(Hive::CurrentUser, signatures), (std::vector<std::string>{"00000000", "00000001"}));
    for (const char* sig : {"\\00000000", "\\00000001"}) {
        for (const char* name : {"name", "text", "type"})
            EXPECT_TRUE(registry.value(Hive::CurrentUser, signatures + sig, name)) << sig << " " << name;
    }
    EXPECT_FALSE(registry.values(Hive::CurrentUser, std::string(kClientKey) + "\\Advanced Settings").empty());
}

// The header block of a message, and whether it carries each header the client needs.
void expectMessage(const fs::path& file, bool news) {
    std::string text = readFile(file);
    std::size_t end = text.find("\r\n\r\n");
    ASSERT_NE(end, std::string::npos) << file;
    std::string head = "\r\n" + text.substr(0, end + 2);
    for (std::string header : {"From: ", "Subject: ", "Date: ", "Message-ID: <", "MIME-Version: 1.0",
                               "Content-Type: "})
        EXPECT_NE(head.find("\r\n" + header), std::string::npos) << file << " lacks " << header;
    EXPECT_NE(head.find(news ? "\r\nNewsgroups: " : "\r\nTo: "), std::string::npos) << file;
    EXPECT_TRUE(std::regex_search(head, std::regex("\r\nDate: [A-Z][a-z]{2}, \\d{1,2} [A-Z][a-z]{2} \\d{4} "
                                                   "\\d\\d:\\d\\d:\\d\\d [+-]\\d{4}\r\n")))
        << file;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            ADD_FAILURE() << file << ": bare line feed at " << i;
            break;
        }
}

TEST(SamplePrefix, ProfileHasTheClientsFoldersAndFiles) {
    TempDir t;
    fs::path prefix = t / "prefix";
    makeSamplePrefix(prefix, {"--seed", "5", "--user", "tester", "--accounts", "4", "--messages", "40"});
    fs::path store = storeOf(prefix, "tester");

    int attachments = 0;
    for (std::string account : {"Hotmail (tester)", "Gmail", "news.example.net", "Work Mail"}) {
        fs::path folder = store / account;
        ASSERT_TRUE(fs::is_directory(folder)) << account;
        auto messages = filesBelow(folder, ".eml");
        EXPECT_EQ(messages.size(), 40u) << account;
        for (const auto& m : messages) {
            expectMessage(m, account == "news.example.net");
            attachments += readFile(m).find("Content-Transfer-Encoding: base64\r\n") != std::string::npos;
        }
        auto accountFiles = filesBelow(folder, ".oeaccount");
        ASSERT_EQ(accountFiles.size(), 1u) << account;
        EXPECT_EQ(readFile(accountFiles[0]).substr(0, 2), "\xFF\xFE");
    }
    EXPECT_GT(attachments, 0);
    for (const char* sub : {"Inbox", "Inbox/Projects", "Sent Items", "Deleted Items"})
        EXPECT_TRUE(fs::is_directory(store / "Hotmail (tester)" / sub)) << sub;

    for (const char* excluded : {"Backup", "Your Feeds", "Sentinel", "Storage Folders"})
        EXPECT_FALSE(fs::is_directory(store / excluded) && filesBelow(store / excluded).empty()) << excluded;
    std::vector<fs::path> calendars;
    for (const auto& e : fs::directory_iterator(store / "Calendars")) calendars.push_back(e.path());
    ASSERT_EQ(calendars.size(), 2u);
    for (const auto& c : calendars) {
        auto ics = filesBelow(c, ".ics");
        ASSERT_FALSE(ics.empty()) << c;
        EXPECT_EQ(readFile(ics[0]).rfind("BEGIN:VCALENDAR\r\n", 0), 0u);
    }

    int rootAccounts = 0, logs = 0;
    for (const auto& e : fs::directory_iterator(store)) {
        std::string name = e.path().filename().string();
        rootAccounts += e.is_regular_file() && std::regex_match(name, std::regex(R"(account\{[0-9A-F-]{36}\}\.oeaccount)"));
        logs += e.is_regular_file() && (e.path().extension() == ".log" || e.path().extension() == ".chk");
    }
    EXPECT_EQ(rootAccounts, 2);
    EXPECT_GE(logs, 1);
    for (const char* db : {"Mail.MSMessageStore", "WindowsMail.MSMessageStore"})
        EXPECT_GE(fs::file_size(store / db), 100u * 1024) << db;

    fs::path contacts = store.parent_path() / "Windows Live Contacts";
    EXPECT_TRUE(fs::is_regular_file(contacts / "contacts.edb"));
    int folders = 0, stores = 0;
    for (const auto& e : fs::directory_iterator(contacts)) {
        if (!e.is_directory()) continue;
        ++folders;
        stores += fs::is_regular_file(e.path() / "DBStore" / "contacts.edb") &&
                  fs::is_regular_file(e.path() / "DBStore" / "LogFiles" / "edb.log");
    }
    EXPECT_GE(folders, 2);
    EXPECT_GE(stores, 1);

    fs::path stationery = prefix / "drive_c" / "users" / "tester" / "Documents" / "My Stationery";
    EXPECT_FALSE(filesBelow(stationery, ".htm").empty());
    EXPECT_FALSE(filesBelow(stationery, ".jpg").empty());
}

TEST(SamplePrefix, SizeOptionSetsTheStoresSize) {
    TempDir t;
    fs::path prefix = t / "prefix";
    makeSamplePrefix(prefix, {"--size-mb", "5", "--user", "tester"});
    fs::path store = storeOf(prefix, "tester");
    double target = 5.0 * 1024 * 1024;
    double size = static_cast<double>(bytesBelow(store));
    EXPECT_GT(size, target * 0.8);
    EXPECT_LT(size, target * 1.2);

    // Messages compress as mail does: text shrinks, attachments hardly.
    std::string mail;
    for (const auto& m : filesBelow(store, ".eml")) mail += readFile(m);
    double ratio = static_cast<double>(testing_support::zlibCompressedSize(mail)) / static_cast<double>(mail.size());
    EXPECT_GT(ratio, 0.3);
    EXPECT_LT(ratio, 0.8);
}

TEST(SamplePrefix, DefaultsAndTheSummaryLine) {
    std::string user = loginName();
    ASSERT_FALSE(user.empty());
    TempDir t;
    fs::path prefix = t / "prefix";
    std::string output;
    ASSERT_EQ(runTool({prefix.string()}, &output), 0) << output;
    fs::path store = storeOf(prefix, user);
    ASSERT_TRUE(fs::is_directory(store)) << output;
    int accounts = 0;
    std::size_t messages = 0;
    for (const auto& e : fs::directory_iterator(store)) {
        if (!fs::exists(e.path() / "Inbox") && !fs::exists(e.path() / "alt.test")) continue;
        ++accounts;
        messages += filesBelow(e.path(), ".eml").size();
    }
    EXPECT_EQ(accounts, 3);
    EXPECT_EQ(messages, 60u);

    std::smatch m;
    ASSERT_TRUE(std::regex_search(output, m, std::regex(R"(wrote (\d+) files, (\d+) bytes)"))) << output;
    auto files = filesBelow(prefix);
    std::uint64_t bytes = 0;
    for (const auto& f : files) bytes += fs::file_size(f);
    EXPECT_EQ(std::stoull(m[1]), files.size());
    EXPECT_EQ(std::stoull(m[2]), bytes);
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
}

TEST(SamplePrefix, RefusesAFilledPrefixAndBadOptions) {
    TempDir t;
    fs::path filled = t / "filled";
    testing_support::writeFile(filled / "keep.txt", "mine");
    std::string output;
    EXPECT_EQ(runTool({filled.string(), "--empty"}, &output), 2);
    EXPECT_NE(output.find("not an empty folder"), std::string::npos) << output;
    EXPECT_EQ(readFile(filled / "keep.txt"), "mine");
    EXPECT_FALSE(fs::exists(filled / "drive_c"));

    fs::path emptyFolder = t / "empty";
    fs::create_directory(emptyFolder);
    makeSamplePrefix(emptyFolder, {"--empty", "--user", "tester"});
    EXPECT_TRUE(fs::is_directory(emptyFolder / "drive_c"));

    fs::path fresh = t / "fresh";
    const std::vector<std::vector<std::string>> bad = {
        {fresh.string(), "--bogus"},
        {fresh.string(), "--seed", "x"},
        {fresh.string(), "--accounts", "0"},
        {fresh.string(), "--message-size", "12abc"},
        {fresh.string(), "--messages"},
        {fresh.string(), "--messages", "3", "--size-mb", "2"},
        {fresh.string(), "--user", "a/b"},
        {fresh.string(), (t / "second").string()},
        {"--empty"},
    };
    for (const auto& args : bad) {
        EXPECT_EQ(runTool(args, &output), 2) << args.back();
        EXPECT_NE(output.find("usage: make-sample-prefix PREFIX"), std::string::npos) << output;
        EXPECT_FALSE(fs::exists(fresh)) << args.back();
    }
}

}  // namespace
