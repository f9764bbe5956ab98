// Reading a new archive back before it takes the place of an earlier one:
// every member to its end (CRC, AES authentication), and every folder
// archive in it checked as it comes out of the backup, member by member.

#include <thread>
#include <unordered_set>
#include <vector>

#include "backup/ZipComponent.h"
#include "backup/ZipStreamCheck.h"
#include "platform/Cores.h"

namespace backup {

namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

// Empty when the member reads to its end, and a folder archive's bytes
// make a whole, sound zip; else why not. Each call opens the archive
// itself, so members can be read on several cores at once.
std::string ZipComponent::readBackMember(const std::string& path, const std::string& name, bool folderArchive,
                                        std::thread::id caller) const {
    ZipComponent check;
    if (!check.openArchive(path)) return "the new archive cannot be read back: " + check.lastError();
    if (protection_ && !password_.empty()) check.setDecryptionPassword(password_);
    const auto member = check.findMember(name);
    if (!member) return quoted(name) + " is missing";
    // Notifications stay on the thread that works on the archive.
    if (notify_.checkingFile && std::this_thread::get_id() == caller) notify_.checkingFile(name);
    ZipStreamCheck nested;
    const bool read = check.readMember(*member, [&](const char* data, std::size_t size) {
        return !folderArchive || nested.feed(data, size);
    });
    if (folderArchive && !nested.error().empty()) return quoted(name) + ": not a sound folder archive: " + nested.error();
    if (!read) return quoted(name) + ": " + check.lastError();
    if (folderArchive && !nested.finish()) return quoted(name) + ": not a sound folder archive: " + nested.error();
    return {};
}

bool ZipComponent::proveWritten(const std::string& path) {
    ZipComponent check;
    if (!check.openArchive(path)) return fail("the new archive cannot be read back: " + check.lastError());
    std::unordered_set<std::string> written;
    for (const auto& m : check.members()) written.insert(m.name);
    if (written.size() != pending_.size()) {
        return fail("the new archive holds " + std::to_string(written.size()) + " members instead of " +
                    std::to_string(pending_.size()));
    }
    check.closeArchive();
    const auto caller = std::this_thread::get_id();
    std::vector<std::string> problems(pending_.size());
    platform::forEachOnCores(pending_.size(), [&](std::size_t i) {
        const Pending& p = pending_[i];
        const std::string name(memberName(p));
        if (written.count(name) == 0) problems[i] = quoted(name) + " is missing";
        else if (p.folder != Pending::kNoFile) problems[i] = readBackMember(path, name, p.folderArchive, caller);
    });
    for (const auto& problem : problems) {
        if (!problem.empty()) return fail("the new archive did not read back whole: " + problem);
    }
    return true;
}

}  // namespace backup
