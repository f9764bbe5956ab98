// Reading a new archive back before it takes the place of an earlier one:
// every member to its end (CRC, AES authentication), and every folder
// archive in it opened and read whole too.

#include <cstring>
#include <fstream>
#include <functional>
#include <unordered_map>
#include <vector>

#include "backup/ZipComponent.h"
#include "platform/Cores.h"

namespace backup {

namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// Empty when the folder archive opens and reads whole; else why not.
std::string readBackFolderArchive(const std::string& memberName, const std::string& path) {
    ZipComponent nested;
    if (nested.openArchive(path) && nested.testAll()) return {};
    return quoted(memberName) + ": " + nested.lastError();
}

// Passes the bytes of a member while they are those of `path`, in order.
class SameAsFile {
public:
    explicit SameAsFile(const std::string& path) : file_(path, std::ios::binary), same_(static_cast<bool>(file_)) {}
    bool operator()(const char* data, std::size_t n) {
        expected_.resize(n);
        same_ = same_ && file_.read(expected_.data(), static_cast<std::streamsize>(n)) &&
                std::memcmp(expected_.data(), data, n) == 0;
        return same_;
    }
    bool sameSoFar() const { return same_; }
    bool atEnd() { return file_.peek() == std::char_traits<char>::eof(); }

private:
    std::ifstream file_;
    bool same_;
    std::vector<char> expected_;
};

}  // namespace

// A folder archive travels stored, so its member is read without inflating
// and compared with the file it was made from; that file is then opened and
// inflated once, on another core (proveWritten).
std::string ZipComponent::readBackMembers(ZipComponent& check) const {
    std::unordered_map<std::string, std::string> folderArchives;
    for (const auto& p : pending_) {
        if (p.folderArchive) folderArchives.emplace(memberName(p), sourcePath(p));
    }
    for (const auto& m : check.members()) {
        if (m.directory) continue;
        if (notify_.checkingFile) notify_.checkingFile(m.name);
        const auto source = folderArchives.find(m.name);
        if (source == folderArchives.end()) {
            if (!check.readMember(m, [](const char*, std::size_t) { return true; })) {
                return quoted(m.name) + ": " + check.lastError();
            }
            continue;
        }
        SameAsFile same(source->second);
        const bool read = check.readMember(m, std::ref(same));
        if (read && same.atEnd()) continue;
        if (!read && same.sameSoFar()) return quoted(m.name) + ": " + check.lastError();
        return quoted(m.name) + " differs from the folder archive it was made from";
    }
    return {};
}

bool ZipComponent::proveWritten(const std::string& path) {
    ZipComponent check;
    if (!check.openArchive(path)) return fail("the new archive cannot be read back: " + check.lastError());
    if (protection_ && !password_.empty()) check.setDecryptionPassword(password_);
    if (check.members().size() != pending_.size()) {
        return fail("the new archive holds " + std::to_string(check.members().size()) + " members instead of " +
                    std::to_string(pending_.size()));
    }
    std::vector<const Pending*> folderArchives;
    for (const auto& p : pending_) {
        if (p.folderArchive) folderArchives.push_back(&p);
    }
    std::vector<std::string> problems(folderArchives.size() + 1);
    platform::forEachOnCores(problems.size(), [&](std::size_t job) {
        if (job == 0) {
            problems[0] = readBackMembers(check);
        } else {
            const Pending& p = *folderArchives[job - 1];
            problems[job] = readBackFolderArchive(std::string(memberName(p)), sourcePath(p));
        }
    });
    for (const auto& problem : problems) {
        if (!problem.empty()) return fail("the new archive did not read back whole: " + problem);
    }
    return true;
}

}  // namespace backup
