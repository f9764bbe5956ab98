// Reading a new archive back before it takes the place of an earlier one:
// every member to its end (CRC, AES authentication), and every folder
// archive in it checked as it comes out of the backup, member by member.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "backup/ZipComponent.h"
#include "backup/ZipStreamCheck.h"
#include "platform/AtomicFile.h"
#include "platform/Cores.h"

namespace backup {

namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

constexpr std::uint64_t kChunkedAtLeast = 16 << 20;

// Runs check(i) for every member on every core, the largest first so that
// no core is left with a long one at the end, except its notifications:
// those are given on this thread, in the order the checks are taken, since
// the window may only be touched from here; a check goes on once its
// notification was given.
template <typename Check>
void ReadBackInParallel(const std::vector<std::uint64_t>& sizes, Check check) {
    const std::size_t count = sizes.size();
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::function<void()>> notices(count);
    std::vector<char> started(count, 0), given(count, 0);
    std::size_t finished = 0;
    std::thread jobs([&] {
        platform::forEachOnCores(count, [&](std::size_t k) {
            check(order[k], [&](std::function<void()> notice) {
                std::unique_lock<std::mutex> lock(mutex);
                notices[k] = std::move(notice);
                started[k] = 1;
                changed.notify_all();
                changed.wait(lock, [&] { return given[k] != 0; });
            });
            std::lock_guard<std::mutex> lock(mutex);
            started[k] = 1;
            ++finished;
            changed.notify_all();
        });
    });
    std::unique_lock<std::mutex> lock(mutex);
    for (std::size_t next = 0; next < count || finished < count;) {
        changed.wait(lock, [&] { return (next < count && started[next]) || finished == count; });
        while (next < count && started[next]) {
            auto notice = std::move(notices[next]);
            lock.unlock();
            if (notice) notice();
            lock.lock();
            given[next++] = 1;
            changed.notify_all();
        }
    }
    lock.unlock();
    jobs.join();
}

}  // namespace

// Empty when the member reads to its end, and a folder archive's bytes
// make a whole, sound zip; else why not. Each call opens the archive
// itself, so members can be read on several cores at once.
std::string ZipComponent::readBackMember(const std::string& path, const std::string& name, bool folderArchive,
                                         const WrittenAes& written) const {
    ZipComponent check;
    if (!check.openArchive(path)) return "the new archive cannot be read back: " + check.lastError();
    if (protection_ && !password_.empty()) check.setDecryptionPassword(password_);
    const auto member = check.findMember(name);
    if (!member) return quoted(name) + " is missing";
    // A large compressed member inflates several times faster in the chunks
    // it was written in; the streaming check below has the last word.
    const bool chunked = !folderArchive && !member->encrypted && !member->stored && member->size >= kChunkedAtLeast;
    if (chunked && check.inflatesInChunks(*member)) return {};
    const auto readWith = [&](ZipStreamCheck& nested) -> std::string {
        const auto sink = [&](const char* data, std::size_t size) { return !folderArchive || nested.feed(data, size); };
        const bool inPlace = folderArchive && opensInPlace(*member);
        const bool read = member->encrypted ? check.readBackProtected(*member, sink, written)
                          : inPlace         ? check.readStoredInPlace(*member, sink)
                                            : check.readMember(*member, sink);
        if (folderArchive && !nested.error().empty()) return quoted(name) + ": not a sound folder archive: " + nested.error();
        if (!read) return quoted(name) + ": " + check.lastError();
        if (folderArchive && !nested.finish()) return quoted(name) + ": not a sound folder archive: " + nested.error();
        return {};
    };
    ZipStreamCheck nested;
    const std::string problem = readWith(nested);
    // A large member that its chunks did not show whole: the folder archive
    // is read once more, that member inflated as one stream.
    if (problem.empty() || !nested.failedInChunks()) return problem;
    ZipStreamCheck streamed(ZipStreamCheck::Large::AsOneStream);
    return readWith(streamed);
}

// The file is flushed to disk while it is read back: the wait for the disk
// costs no time of its own, and the commit after finds little to flush.
bool ZipComponent::proveWritten(const std::string& path) {
    std::string flushError;
    bool flushed = true;
    std::thread flusher([&] { flushed = platform::flushAhead(path, &flushError); });
    const bool proven = readBackWhole(path);
    flusher.join();
    return proven && (flushed || fail(flushError));
}

bool ZipComponent::readBackWhole(const std::string& path) {
    ZipComponent check;
    if (!check.openArchive(path)) return fail("the new archive cannot be read back: " + check.lastError());
    std::unordered_map<std::string, std::uint64_t> written;  // name -> size
    for (const auto& m : check.members()) written.emplace(m.name, m.size);
    if (written.size() != pending_.size()) {
        return fail("the new archive holds " + std::to_string(written.size()) + " members instead of " +
                    std::to_string(pending_.size()));
    }
    check.closeArchive();
    std::vector<std::string> problems(pending_.size());
    std::vector<std::uint64_t> sizes(pending_.size(), 0);
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        const auto it = written.find(std::string(memberName(pending_[i])));
        if (it != written.end()) sizes[i] = it->second;
    }
    ReadBackInParallel(sizes, [&](std::size_t i, const auto& announce) {
        const Pending& p = pending_[i];
        const std::string name(memberName(p));
        if (notify_.checkingFile && p.folder != Pending::kNoFile) announce([this, name] { notify_.checkingFile(name); });
        if (written.count(name) == 0) problems[i] = quoted(name) + " is missing";
        else if (p.folder != Pending::kNoFile) {
            problems[i] = readBackMember(path, name, p.folderArchive, i < writtenCodes_.size() ? writtenCodes_[i] : WrittenAes());
        }
    });
    for (const auto& problem : problems) {
        if (!problem.empty()) return fail("the new archive did not read back whole: " + problem);
    }
    return true;
}

}  // namespace backup
