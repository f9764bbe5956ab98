#include "mailexport/MailTree.h"

#include <algorithm>
#include <map>

#include "platform/Text.h"

namespace mailexport {

namespace {

std::string parentPath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

// Folder paths by their names in turn, so "Inbox/Projects" follows "Inbox"
// and comes before "Inbox2".
bool folderOrder(const std::string& a, const std::string& b) {
    return platform::splitAll(a, '/') < platform::splitAll(b, '/');
}

class TreeBuilder {
public:
    explicit TreeBuilder(AccountTree& tree) : tree_(tree) {}

    void take(std::size_t index) {
        const auto& member = tree_.members[index];
        if (member.symlink) return;
        std::string_view name = member.name;
        if (member.directory) {
            name.remove_suffix(1);
            addFolder(std::string(name));
            return;
        }
        const std::string folder = parentPath(name);
        addFolder(folder);
        files_[folder].push_back(index);
    }

    void build() {
        files_[""];  // the account, also when its archive is empty
        std::vector<std::string> paths;
        for (const auto& entry : files_) paths.push_back(entry.first);
        std::sort(paths.begin(), paths.end(), folderOrder);
        std::map<std::string, std::size_t> at;
        for (const auto& path : paths) {
            MailFolder folder;
            folder.path = path;
            if (!path.empty()) {
                folder.parent = at.at(parentPath(path));
                tree_.folders[*folder.parent].hasSubfolders = true;
            }
            fill(folder, files_[path]);
            at[path] = tree_.folders.size();
            tree_.folders.push_back(std::move(folder));
        }
    }

private:
    // The folder and every folder above it.
    void addFolder(const std::string& path) {
        for (std::string p = path;; p = parentPath(p)) {
            files_[p];
            if (p.empty()) return;
        }
    }

    void fill(MailFolder& folder, const std::vector<std::size_t>& files) {
        for (std::size_t index : files) {
            const auto& member = tree_.members[index];
            if (IsMessageName(member.name)) {
                folder.messages.push_back(index);
                folder.messageBytes += member.size;
            } else {
                folder.otherFiles.push_back(index);
            }
        }
    }

    AccountTree& tree_;
    std::map<std::string, std::vector<std::size_t>> files_;  // folder path -> its files
};

}  // namespace

bool IsMessageName(std::string_view memberName) {
    return !memberName.empty() && memberName.back() != '/' &&
           platform::endsWith(platform::toLowerAscii(memberName), ".eml");
}

std::string LastName(std::string_view path) { return std::string(path.substr(path.rfind('/') + 1)); }

AccountTree ReadAccountTree(std::vector<backup::ZipMember> members) {
    AccountTree tree;
    tree.members = std::move(members);
    TreeBuilder builder(tree);
    for (std::size_t i = 0; i < tree.members.size(); ++i) builder.take(i);
    builder.build();
    return tree;
}

std::optional<std::size_t> AccountTree::find(std::string_view path) const {
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (folders[i].path == path) return i;
    }
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (platform::equalsNoCase(folders[i].path, path)) return i;
    }
    return std::nullopt;
}

std::vector<std::size_t> AccountTree::subtree(std::size_t folder) const {
    std::vector<std::size_t> below{folder};
    for (std::size_t i = folder + 1; i < folders.size(); ++i) {
        for (auto p = folders[i].parent; p; p = folders[*p].parent) {
            if (*p == folder) {
                below.push_back(i);
                break;
            }
        }
    }
    return below;
}

}  // namespace mailexport
