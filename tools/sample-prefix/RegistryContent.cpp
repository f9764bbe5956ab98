#include "RegistryContent.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "platform/WineRegistry.h"
#include "platform/WineRegistryFile.h"

namespace sample {

namespace {

using platform::Hive;
using platform::RegValue;

constexpr const char* kClientKey = "Software\\Microsoft\\Windows Live Mail";
constexpr const char* kProgramFolder = "C:\\Program Files\\Windows Live\\Mail";

// Creates keys and sets values, turning a refusal into an exception.
class KeyWriter {
public:
    KeyWriter(platform::Registry& registry, Hive hive) : registry_(registry), hive_(hive) {}
    void key(const std::string& path) {
        if (long rc = registry_.createKey(hive_, path); rc != platform::kRegOk) fail("create key", path, rc);
    }
    void set(const std::string& path, const RegValue& value) {
        key(path);
        if (long rc = registry_.setValue(hive_, path, value); rc != platform::kRegOk)
            fail("set value \"" + value.name + "\" in", path, rc);
    }

private:
    [[noreturn]] void fail(const std::string& what, const std::string& path, long rc) {
        throw std::runtime_error("cannot " + what + " registry key " + path + " (error " +
                                 std::to_string(rc) + ") " + registry_.lastError());
    }
    platform::Registry& registry_;
    Hive hive_;
};

RegValue sz(const std::string& name, const std::string& text) {
    return RegValue::string(name, platform::REG_SZ, text);
}
RegValue expandSz(const std::string& name, const std::string& text) {
    return RegValue::string(name, platform::REG_EXPAND_SZ, text);
}
RegValue dword(const std::string& name, std::uint32_t v) {
    return RegValue::dword(name, v);
}
RegValue qword(const std::string& name, std::uint64_t v) {
    std::vector<std::uint8_t> bytes;
    for (int shift = 0; shift < 64; shift += 8) bytes.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
    return RegValue::binary(name, bytes, platform::REG_QWORD);
}
RegValue multiSz(const std::string& name, const std::vector<std::string>& items) {
    std::vector<std::uint8_t> bytes;
    for (const auto& item : items) {
        auto units = platform::utf8ToUtf16le(item);
        bytes.insert(bytes.end(), units.begin(), units.end());
        bytes.insert(bytes.end(), {0, 0});
    }
    bytes.insert(bytes.end(), {0, 0});
    return RegValue::binary(name, bytes, platform::REG_MULTI_SZ);
}

// A rule's criteria block as the client stores it: a small header, the
// strings it matches as UTF-16, then per-condition records; over 4 KB.
RegValue criteriaBlock(Rng& rng, const std::vector<std::string>& matches) {
    std::vector<std::uint8_t> b = {0x02, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(matches.size()), 0, 0, 0};
    for (const auto& m : matches) {
        auto units = platform::utf8ToUtf16le(m);
        b.insert(b.end(), units.begin(), units.end());
        b.insert(b.end(), {0, 0});
    }
    std::size_t size = 4200 + rng.below(2000);
    while (b.size() < size) {
        std::uint32_t r = rng.next32();
        b.push_back(static_cast<std::uint8_t>(r & 0x0F));  // condition type
        b.push_back(0);
        b.push_back(static_cast<std::uint8_t>(r >> 8));
        b.push_back(static_cast<std::uint8_t>(r >> 16));
        b.insert(b.end(), 12, 0);  // unused slot fields
    }
    b.resize(size);
    return RegValue::binary("Criteria", b);
}

struct RuleText {
    const char* name;
    const char* match;
    const char* target;
};

void writeRules(KeyWriter& w, Rng& rng, const std::string& path, const std::vector<RuleText>& rules) {
    std::string order;
    for (std::size_t i = 0; i < rules.size(); ++i) {
        char id[24];
        std::snprintf(id, sizeof id, "%03zu", i);
        order += (i ? " " : "") + std::string(id);
        std::string rule = path + "\\" + id;
        w.set(rule, sz("Name", rules[i].name));
        w.set(rule, dword("Enabled", i % 3 == 2 ? 0 : 1));
        w.set(rule, dword("Flags", 0xFFFFFFFF));
        w.set(rule, dword("Version", 0));
        w.set(rule, expandSz("Sound File", "%SystemRoot%\\Media\\Windows Notify.wav"));
        w.set(rule, criteriaBlock(rng, {rules[i].match, rules[i].target}));
        w.set(rule, multiSz("Addresses", {rules[i].match, "newsletter@lists.example.com",
                                          "billing@shop.example.net"}));
        w.set(rule, qword("Last Applied", kRegistryFileTime - rng.below(1u << 30) * 1000ull));
        w.set(rule + "\\Criteria\\000", dword("Type", 3 + static_cast<std::uint32_t>(i)));
        w.set(rule + "\\Criteria\\000", sz("Value", rules[i].match));
        w.set(rule + "\\Actions\\000", dword("Type", 1));
        w.set(rule + "\\Actions\\000", sz("Value", rules[i].target));
    }
    w.set(path, sz("Order", order));
    w.set(path, dword("Dirty", 0));
}

void writeClientValues(KeyWriter& w, const ProfileModel& model) {
    const std::string root = kClientKey;
    w.set(root, expandSz("Store Root", "%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows Live Mail"));
    bool mail = false, news = false;
    for (const auto& a : model.accounts) {
        bool& done = a.kind == AccountKind::News ? news : mail;
        if (done) continue;
        done = true;
        const char* name = a.kind == AccountKind::News ? "Default News Account" : "Default Mail Account";
        w.set(root, sz(name, "account" + a.guid + ".oeaccount"));
    }
    w.set(root, sz("Default LDAP Account", "account" + model.directoryAccountGuids[0] + ".oeaccount"));
    w.set(root, dword("Settings Upgraded", 1));
    w.set(root, dword("First Run Done", 1));
    w.set(root, sz("Language", "en"));
    w.set(root + "\\Mail", dword("Poll For Mail", 1800000));
    w.set(root + "\\Mail", dword("Check Mail On Startup", 1));
}

void writeJunkMailSettings(KeyWriter& w, const ProfileModel& model) {
    for (const auto& a : model.accounts) {
        if (a.passportId.empty()) continue;
        std::string key = std::string(kClientKey) + "\\PerPassportSettings\\" + a.passportId;
        w.set(key, dword("Junk Mail Protection Level", 1));
        w.set(key, dword("Delete Junk Mail", 0));
        w.set(key, dword("Phishing Protection", 1));
        w.set(key, dword("Trust Address Book", 0xFFFFFFFF));
        w.set(key, multiSz("Safe Senders", {"friends@family.example.org", "@corp.example.org"}));
        w.set(key, multiSz("Blocked Senders", {"offers@spam.example.com", "@junk.example.net"}));
        w.set(key, sz("Blocked Top-Level Domains", ".xx;.yy;.zz"));
        w.set(key, RegValue::binary("Blocked Encodings", {0xE3, 0x04, 0x00, 0x00, 0xA8, 0x03, 0x00, 0x00}));
    }
}

void writeSignatures(KeyWriter& w, const std::string& user) {
    std::string sigs = std::string(kClientKey) + "\\signatures";
    w.set(sigs, sz("Default Signature", "00000000"));
    w.set(sigs + "\\00000000", sz("name", "Signature #1"));
    w.set(sigs + "\\00000000", sz("text", "Best regards,\r\n" + user));
    w.set(sigs + "\\00000000", dword("type", 1));
    w.set(sigs + "\\00000001", sz("name", "Work"));
    w.set(sigs + "\\00000001", sz("text", ""));
    w.set(sigs + "\\00000001", dword("type", 2));
    w.set(sigs + "\\00000001", sz("file", "C:\\users\\" + user + "\\Documents\\signature.htm"));
}

void writeAdvancedSettings(KeyWriter& w) {
    std::string adv = std::string(kClientKey) + "\\Advanced Settings";
    w.set(adv, dword("Compact Check Count", 100));
    w.set(adv, dword("Compact Wasted Space", 20));
    w.set(adv, dword("Warn On Delete", 1));
    w.set(adv, dword("Empty Deleted Items On Exit", 0));
    w.set(adv, sz("Quote Character", ">"));
}

void writeClientKey(KeyWriter& w, Rng& rng, const ProfileModel& model) {
    const std::string root = kClientKey;
    writeClientValues(w, model);
    writeRules(w, rng, root + "\\Rules\\Mail",
               {{"Invoices to Projects", "invoice", "Inbox\\Projects"},
                {"Family mail", "family.example.org", "Inbox\\Family & Friends"},
                {"Newsletters", "newsletter", "Deleted Items"},
                {"Flag mail from the boss", "manager@corp.example.org", "Inbox"}});
    writeRules(w, rng, root + "\\Rules\\News",
               {{"Hide long threads", "Re: Re: Re:", "comp.mail.misc"},
                {"Watch announcements", "[ANN]", "news.software.readers"},
                {"Skip test posts", "test", "alt.test"}});
    writeJunkMailSettings(w, model);
    writeSignatures(w, model.user);
    writeAdvancedSettings(w);
}

void writeShellFolders(KeyWriter& w, const std::string& user) {
    const std::string shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    const std::string home = "C:\\users\\" + user;
    struct Folder {
        const char* name;
        const char* below;
    };
    for (auto f : {Folder{"AppData", "AppData\\Roaming"}, Folder{"Local AppData", "AppData\\Local"},
                   Folder{"Personal", "Documents"}, Folder{"Desktop", "Desktop"},
                   Folder{"My Pictures", "Pictures"}}) {
        w.set(shell + "User Shell Folders", expandSz(f.name, std::string("%USERPROFILE%\\") + f.below));
        w.set(shell + "Shell Folders", sz(f.name, home + "\\" + f.below));
    }
}

}  // namespace

std::uint64_t writeEmptyHives(OutputTree& tree) {
    std::uint64_t before = tree.bytes();
    tree.writeFile("system.reg", platform::WineRegistryFile::withHeader("\\\\Machine").text());
    tree.writeFile("user.reg", platform::WineRegistryFile::withHeader("\\\\User\\\\S-1-5-21-0-0-0-1000").text());
    tree.writeFile("userdef.reg", platform::WineRegistryFile::withHeader("\\\\User\\\\.Default").text());
    return tree.bytes() - before;
}

void writeClientRegistry(const std::string& prefixFolder, const ProfileModel& model, Rng& rng) {
    std::vector<std::string> lockFiles;
    {
        platform::WineRegistry registry(prefixFolder);
        registry.setClock([] { return kRegistryFileTime; });
        KeyWriter user(registry, Hive::CurrentUser);
        writeClientKey(user, rng, model);
        writeShellFolders(user, model.user);
        KeyWriter machine(registry, Hive::LocalMachine);
        const std::string appPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wlmail.exe";
        machine.set(appPaths, sz("", std::string(kProgramFolder) + "\\wlmail.exe"));
        machine.set(appPaths, sz("Path", kProgramFolder));
        if (!registry.flush()) throw std::runtime_error("cannot write the registry: " + registry.lastError());
        for (Hive h : {Hive::CurrentUser, Hive::LocalMachine})
            lockFiles.push_back(platform::WineRegistry::lockFileFor(registry.hostFile(h)));
    }
    // Nobody else uses this fresh prefix, and Wine's own prefixes have no lock files.
    for (const auto& lock : lockFiles) std::filesystem::remove(lock);
}

std::uint64_t hiveBytes(const std::filesystem::path& prefix) {
    std::uint64_t total = 0;
    for (const char* hive : {"system.reg", "user.reg", "userdef.reg"}) total += std::filesystem::file_size(prefix / hive);
    return total;
}

}  // namespace sample
