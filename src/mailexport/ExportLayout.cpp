#include "mailexport/ExportLayout.h"

#include <algorithm>
#include <limits>
#include <map>

#include "mailexport/WindowsNames.h"

namespace mailexport {

namespace {

constexpr std::string_view kSubfolders = ".sbd";
constexpr std::uint64_t kBlock = 4096;
constexpr std::size_t kTop = std::numeric_limits<std::size_t>::max();

// The extension of a member's last name, kept whole when a name is cut.
std::string endingOf(const std::string& memberName) {
    const std::string name = LastName(memberName);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

std::size_t room(std::size_t limit, std::size_t used) { return limit > used ? limit - used : 0; }

// What each level of subfolders below a name needs at the least: its
// shortest name, the separator and, in an mbox export, the ".sbd".
constexpr std::size_t kLevel = kShortestName + kSubfolders.size() + 1;

// Per folder of the tree, how many levels of subfolders lie below it.
std::vector<std::size_t> levelsBelow(const AccountTree& tree) {
    std::vector<std::size_t> levels(tree.folders.size(), 0);
    for (std::size_t i = tree.folders.size(); i-- > 0;) {
        if (const auto parent = tree.folders[i].parent) levels[*parent] = std::max(levels[*parent], levels[i] + 1);
    }
    return levels;
}

class Planner {
public:
    Planner(const std::vector<OpenedAccount>& accounts, Format format, const std::string& target, std::string* why)
        : accounts_(accounts), format_(format), base_(Utf16Length(target) + 1), top_(companions()), why_(why) {}

    bool plan(std::size_t account, std::size_t chosen) {
        const AccountTree& tree = accounts_[account].tree;
        levels_ = levelsBelow(tree);
        std::map<std::size_t, std::size_t> planned;  // tree folder -> its plan
        for (std::size_t f : tree.subtree(chosen)) {
            const std::size_t parent = f == chosen ? kTop : planned.at(*tree.folders[f].parent);
            planned[f] = layout_.folders.size();
            if (!planFolder(account, f, parent)) return false;
        }
        return true;
    }

    ExportLayout take() { return std::move(layout_); }

private:
    std::vector<std::string> companions() const {
        return format_ == Format::Mbox ? std::vector<std::string>{std::string(kSubfolders), ".msf"}
                                       : std::vector<std::string>{};
    }

    // The folder that holds a planned folder's subfolders.
    std::string childFolder(const PlannedFolder& p) const {
        return format_ == Format::Mbox ? p.place + std::string(kSubfolders) : p.place;
    }

    // `parent`: the plan of the folder's parent, or kTop for the folder chosen.
    bool planFolder(std::size_t account, std::size_t f, std::size_t parent) {
        const OpenedAccount& opened = accounts_[account];
        const MailFolder& folder = opened.tree.folders[f];
        PlannedFolder p;
        p.account = account;
        p.folder = f;
        p.shownPath = opened.archive.name + (folder.path.empty() ? "" : "/" + folder.path);
        const bool top = parent == kTop;
        const std::string in = top ? std::string() : childFolder(layout_.folders[parent]);
        const std::size_t used = base_ + Utf16Length(in) + (in.empty() ? 0 : 1);
        const auto name = (top ? top_ : children_[parent])
                              .give(folder.path.empty() ? opened.archive.name : LastName(folder.path),
                                    nameRoom(used, levels_[f]));
        if (!name) return tooLong(p.shownPath);
        p.place = in.empty() ? *name : in + "/" + *name;
        p.subfolderFolder = format_ == Format::Mbox && folder.hasSubfolders;
        children_.emplace_back(companions());
        layout_.folders.push_back(std::move(p));
        return planEntries(opened, folder);
    }

    // Room for a folder's name that leaves its subfolders, `levels` deep,
    // room for the shortest names, and the files in them too.
    std::size_t nameRoom(std::size_t used, std::size_t levels) const {
        if (format_ != Format::Mbox) {
            return std::min(room(kMaxFolderPath, used + levels * kLevel), room(kMaxFilePath, used + (levels + 1) * kLevel));
        }
        const std::size_t asFile = room(kMaxFilePath, used + levels * kLevel);
        if (levels == 0) return asFile;
        return std::min(asFile, room(kMaxFolderPath, used + kSubfolders.size() + (levels - 1) * kLevel));
    }

    bool planEntries(const OpenedAccount& opened, const MailFolder& folder) {
        PlannedFolder& p = layout_.folders.back();
        p.entries = folder.messages;
        if (format_ == Format::Files) {
            p.entries.insert(p.entries.end(), folder.otherFiles.begin(), folder.otherFiles.end());
            std::sort(p.entries.begin(), p.entries.end());
        }
        const std::size_t used = base_ + Utf16Length(p.place) + 1;
        for (std::size_t index : p.entries) {
            const auto& member = opened.tree.members[index];
            layout_.entryCount += 1;
            layout_.entryBytes += member.size;
            layout_.entryBlocks += (member.size + kBlock - 1) / kBlock * kBlock;
            if (format_ == Format::Mbox) continue;
            const auto name =
                children_.back().give(LastName(member.name), room(kMaxFilePath, used), endingOf(member.name));
            if (!name) return tooLong(p.shownPath + "/" + LastName(member.name));
            p.entryPlaces.push_back(p.place + "/" + *name);
        }
        return true;
    }

    bool tooLong(const std::string& shown) {
        *why_ = "\"" + shown + "\" would need a longer path below the target folder than Windows allows; "
                "choose a target folder with a shorter path";
        return false;
    }

    const std::vector<OpenedAccount>& accounts_;
    const Format format_;
    const std::size_t base_;  // the target's path and a separator
    SiblingNames top_;        // names directly in the target
    std::vector<SiblingNames> children_;  // per planned folder, the names in its folder
    std::vector<std::size_t> levels_;  // of the account being planned, levelsBelow
    ExportLayout layout_;
    std::string* why_;
};

}  // namespace

std::optional<ExportLayout> PlanLayout(const std::vector<OpenedAccount>& accounts,
                                       const std::vector<std::size_t>& chosen, Format format,
                                       const std::string& targetPath, std::string* why) {
    Planner planner(accounts, format, targetPath, why);
    for (std::size_t a = 0; a < accounts.size(); ++a) {
        if (!planner.plan(a, chosen[a])) return std::nullopt;
    }
    return planner.take();
}

}  // namespace mailexport
