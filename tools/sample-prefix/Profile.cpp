#include "Profile.h"

#include "Accounts.h"
#include "MessageShapes.h"
#include "MessageText.h"
#include "OddMessages.h"
#include "OutputTree.h"
#include "ProfileFiles.h"
#include "RegistryContent.h"

namespace sample {

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kKiB = 1024;
// The message database grows with the messages it indexes.
constexpr std::uint64_t kMailDbBase = 256 * kKiB, kMailDbPerMessage = 40;
constexpr std::uint64_t kWindowsMailDbBase = 128 * kKiB, kWindowsMailDbPerMessage = 8;

class ProfileWriter {
public:
    ProfileWriter(OutputTree& tree, const Settings& s)
        : tree_(tree), settings_(s), rng_(s.seed), model_(makeModel(rng_, s.user, s.accounts)),
          filler_(rng_, s.realistic ? TextStyle::Natural : TextStyle::Plain), messages_(rng_, s.user, s.realistic),
          home_("drive_c/users/" + s.user),
          store_(home_ + "/AppData/Local/Microsoft/Windows Live Mail") {}

    void write() {
        tree_.writeFile("drive_c/Program Files/Windows Live/Mail/wlmail.exe", programPlaceholder());
        std::uint64_t before = tree_.bytes();
        writeStoreFiles();
        std::uint64_t fixed = tree_.bytes() - before;
        if (settings_.realistic) planRealisticMessages(fixed);
        std::uint64_t count = settings_.realistic ? planned_.size() : messageCount(fixed);
        writeDatabase(tree_, store_ + "/Mail.MSMessageStore", mailDatabaseBytes(count), 8192, filler_, rng_);
        writeDatabase(tree_, store_ + "/WindowsMail.MSMessageStore",
                      kWindowsMailDbBase + count * kWindowsMailDbPerMessage, 8192, filler_, rng_);
        writeMessages(count);
        writeExtraMessages();
        if (settings_.oddMessages) writeOddMessages();
        writeContacts();
        writeStationery();
        writeClientRegistry(tree_.root().string(), model_, rng_);
    }

private:
    // Everything in the store but the messages and the databases.
    void writeStoreFiles() {
        for (int i = 0; i < 2; ++i)
            tree_.writeFile(store_ + "/account" + model_.directoryAccountGuids[i] + ".oeaccount",
                            directoryAccountFile(i));
        for (const auto& a : model_.accounts) {
            tree_.writeFile(store_ + "/" + a.folder + "/account" + a.guid + ".oeaccount", accountFile(a, model_.user));
            for (const auto& f : a.folders) tree_.makeFolder(store_ + "/" + a.folder + "/" + f.path);
        }
        writeDatabase(tree_, store_ + "/edb.chk", 8 * kKiB, 8192, filler_, rng_);
        writeDatabase(tree_, store_ + "/edb.log", 128 * kKiB, 4096, filler_, rng_);
        writeExcludedFolders();
        writeCalendars();
    }

    // Folders the client keeps for itself, which a backup leaves out.
    void writeExcludedFolders() {
        writeDatabase(tree_, store_ + "/Backup/new/Mail.MSMessageStore", 64 * kKiB, 8192, filler_, rng_);
        writeDatabase(tree_, store_ + "/Backup/new/edb.chk", 8 * kKiB, 8192, filler_, rng_);
        writeDatabase(tree_, store_ + "/Backup/new/edb00001.log", 32 * kKiB, 4096, filler_, rng_);
        Account feeds;
        feeds.folder = "Your Feeds";
        feeds.address = "feeds@localhost";
        feeds.incomingServer = "feeds.example.com";
        MailFolder feedFolder{"Your Feeds/Sample News Feed", 1, false};
        for (int i = 0; i < 2; ++i) writeOneMessage(feeds, feedFolder, store_ + "/" + feedFolder.path, drawOne());
        std::string sentinel;
        filler_.randomBytes(sentinel, 512);
        tree_.writeFile(store_ + "/Sentinel/" + makeGuid(rng_) + ".dat", sentinel);
        tree_.writeFile(store_ + "/Sentinel/" + makeGuid(rng_) + ".dat", sentinel.substr(0, 256));
        MailFolder outbox{"Outbox", 1, true};
        writeOneMessage(model_.accounts.front(), outbox, store_ + "/Storage Folders/Outbox", drawOne());
        writeOneMessage(model_.accounts.front(), outbox, store_ + "/Storage Folders/Quick Views", drawOne());
    }

    void writeCalendars() {
        for (std::string name : {model_.user + "'s calendar", std::string("Birthday calendar")}) {
            std::string folder = store_ + "/Calendars/" + name;
            for (int i = 0; i < 2; ++i)
                tree_.writeFile(folder + "/" + makeGuid(rng_) + ".ics", calendarFile(rng_, filler_, name));
        }
    }

    std::uint64_t messageCount(std::uint64_t fixedStoreBytes) const {
        auto accounts = static_cast<std::uint64_t>(settings_.accounts);
        if (settings_.sizeMb == 0) return settings_.messagesPerAccount * accounts;
        std::uint64_t budget = settings_.sizeMb * kMiB;
        std::uint64_t taken = fixedStoreBytes + kMailDbBase + kWindowsMailDbBase;
        std::uint64_t perMessage = settings_.messageSize + kMailDbPerMessage + kWindowsMailDbPerMessage;
        std::uint64_t count = budget > taken ? (budget - taken) / perMessage : 0;
        return count > accounts ? count : accounts;
    }

    // The message database takes two fifths of what it and the messages hold
    // together, as in a long-used profile.
    void planRealisticMessages(std::uint64_t fixedStoreBytes) {
        auto accounts = static_cast<std::uint64_t>(settings_.accounts);
        if (settings_.sizeMb == 0) {
            planned_ = drawShapes(rng_, settings_.messagesPerAccount * accounts);
        } else {
            std::uint64_t budget = settings_.sizeMb * kMiB;
            std::uint64_t taken = fixedStoreBytes + kWindowsMailDbBase;
            planned_ = planShapes(rng_, budget > taken ? (budget - taken) * 3 / 5 : 0, accounts);
        }
        for (const auto& shape : planned_) plannedBytes_ += shape.bytes;
    }

    std::uint64_t mailDatabaseBytes(std::uint64_t count) const {
        if (!settings_.realistic) return kMailDbBase + count * kMailDbPerMessage;
        return plannedBytes_ * 2 / 3 > kMailDbBase ? plannedBytes_ * 2 / 3 : kMailDbBase;
    }

    // The first account takes the main share when one is given; the others
    // (or all of them) share the rest evenly.
    std::vector<std::uint64_t> messagesPerAccount(std::uint64_t total) const {
        std::size_t accounts = model_.accounts.size();
        std::vector<std::uint64_t> counts(accounts, 0);
        std::size_t first = 0;
        if (settings_.mainAccountShare >= 0 && accounts > 1) {
            counts[0] = (total * static_cast<std::uint64_t>(settings_.mainAccountShare) + 50) / 100;
            total -= counts[0];
            first = 1;
        }
        std::uint64_t rest = accounts - first;
        for (std::size_t i = first; i < accounts; ++i) counts[i] = total / rest + (i - first < total % rest ? 1 : 0);
        return counts;
    }

    void writeMessages(std::uint64_t total) {
        std::vector<std::uint64_t> counts = messagesPerAccount(total);
        std::size_t next = 0;
        for (std::size_t i = 0; i < counts.size(); ++i) {
            const Account& a = model_.accounts[i];
            for (std::uint64_t m = 0; m < counts[i]; ++m) {
                const MailFolder& f = pickFolder(a);
                MessageShape shape = settings_.realistic ? planned_[next++] : drawOne();
                writeOneMessage(a, f, store_ + "/" + a.folder + "/" + f.path, shape);
            }
        }
    }

    // Short notes on top, account by account in turn.
    void writeExtraMessages() {
        const auto& accounts = model_.accounts;
        for (std::uint64_t i = 0; i < settings_.extraSmallMessages; ++i) {
            const Account& a = accounts[i % accounts.size()];
            const MailFolder& f = pickFolder(a);
            writeOneMessage(a, f, store_ + "/" + a.folder + "/" + f.path, drawSmallShape(rng_));
        }
    }

    void writeOddMessages() {
        const Account& a = model_.accounts.front();
        for (const auto& m : oddMessages()) tree_.writeFile(store_ + "/" + a.folder + "/" + m.folder + "/" + m.file, m.bytes);
    }

    const MailFolder& pickFolder(const Account& a) {
        std::uint32_t weights = 0;
        for (const auto& f : a.folders) weights += f.weight;
        std::uint32_t roll = rng_.below(weights);
        std::size_t k = 0;
        while (roll >= a.folders[k].weight) roll -= a.folders[k++].weight;
        return a.folders[k];
    }

    MessageShape drawOne() {
        return settings_.realistic ? drawRealisticShape(rng_) : drawShape(rng_, settings_.messageSize);
    }

    void writeOneMessage(const Account& a, const MailFolder& f, const std::string& folder, const MessageShape& shape) {
        std::string subject = messages_.build(a, f, shape, buffer_);
        tree_.writeFile(folder + "/" + messageFileName(subject, ++messageNumber_), buffer_);
    }

    void writeContacts() {
        const std::string contacts = home_ + "/AppData/Local/Microsoft/Windows Live Contacts";
        const std::uint64_t sizes[] = {256 * kKiB, 64 * kKiB};
        for (int i = 0; i < 2; ++i) {
            std::string db = contacts + "/" + model_.contactsGuids[i] + "/DBStore";
            writeDatabase(tree_, db + "/contacts.edb", sizes[i], 8192, filler_, rng_);
            writeDatabase(tree_, db + "/edb.chk", 8 * kKiB, 8192, filler_, rng_);
            writeDatabase(tree_, db + "/LogFiles/edb.log", sizes[i] / 4, 4096, filler_, rng_);
        }
        writeDatabase(tree_, contacts + "/contacts.edb", 128 * kKiB, 8192, filler_, rng_);
    }

    void writeStationery() {
        const std::string folder = home_ + "/Documents/My Stationery";
        struct Page {
            const char* title;
            const char* image;  // empty for a plain page
        };
        for (auto p : {Page{"Clouds", "Clouds.jpg"}, Page{"Garden", "Garden Background.jpg"},
                       Page{"Plain Note", ""}}) {
            tree_.writeFile(folder + "/" + p.title + ".htm", stationeryPage(p.title, p.image, filler_));
            if (*p.image) tree_.writeFile(folder + "/" + p.image, jpegImage(filler_, 20000 + rng_.below(30000)));
        }
    }

    OutputTree& tree_;
    const Settings& settings_;
    Rng rng_;
    ProfileModel model_;
    TextFiller filler_;
    MessageWriter messages_;
    std::string home_;
    std::string store_;
    std::string buffer_;
    std::uint64_t messageNumber_ = 0;
    std::vector<MessageShape> planned_;  // the realistic profile's messages, sized before any is written
    std::uint64_t plannedBytes_ = 0;
};

}  // namespace

Summary writeSamplePrefix(const Settings& settings) {
    OutputTree tree(settings.prefix);
    tree.makeFolder("drive_c");
    tree.makeSymlink("../drive_c", "dosdevices/c:");
    std::uint64_t emptyHives = writeEmptyHives(tree);
    tree.makeFolder("drive_c/users/" + settings.user);
    if (!settings.empty) ProfileWriter(tree, settings).write();
    // The registry backend rewrote the hives after the tree counted them.
    return {tree.files(), tree.bytes() - emptyHives + hiveBytes(settings.prefix)};
}

}  // namespace sample
