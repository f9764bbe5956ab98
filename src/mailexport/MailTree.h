#pragma once
// The folders of one account's folder archive: its entries are the
// account's folders ("Inbox/Projects/") and messages ("Inbox/Projects/
// Question (00000023).eml"), beside files of the client's own such as
// "account{GUID}.oeaccount", which are no messages.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/ZipComponent.h"

namespace mailexport {

struct MailFolder {
    std::string path;                    // below the account, "/" between names; "" is the account itself
    std::vector<std::size_t> messages;   // into AccountTree::members, in archive order
    std::vector<std::size_t> otherFiles;  // the rest of the files directly in it
    std::uint64_t messageBytes = 0;
    std::optional<std::size_t> parent;   // into AccountTree::folders; none for the account itself
    bool hasSubfolders = false;
};

struct AccountTree {
    std::vector<backup::ZipMember> members;
    // The account first, every folder after its parent, siblings by name.
    std::vector<MailFolder> folders;

    // The folder at `path` (exactly, else without regard to ASCII case).
    std::optional<std::size_t> find(std::string_view path) const;
    // The folder and every folder below it, in the order of `folders`.
    std::vector<std::size_t> subtree(std::size_t folder) const;
};

bool IsMessageName(std::string_view memberName);

// The tree of the archive's members; folders that only the path of a
// message names are there too. Link entries are left out.
AccountTree ReadAccountTree(std::vector<backup::ZipMember> members);

// The last name of a folder path ("Projects" for "Inbox/Projects").
std::string LastName(std::string_view path);

}  // namespace mailexport
