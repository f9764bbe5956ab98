#include "mailexport/ExportRun.h"

#include <filesystem>
#include <memory>

#include "mailexport/BackupMail.h"
#include "mailexport/ExportTarget.h"
#include "mailexport/FolderExport.h"
#include "platform/AtomicFile.h"
#include "platform/Folders.h"
#include "platform/FsPath.h"
#include "session/MainSession.h"

namespace mailexport {

namespace {

namespace fs = std::filesystem;

constexpr const char* kStagingStem = ".tarnhold-export-";

void add(FolderResult& total, const FolderResult& r) {
    total.inBackup += r.inBackup;
    total.written += r.written;
    total.skipped += r.skipped;
    total.withoutHeaders += r.withoutHeaders;
}

// The steps the progress shows: each account taken out of the backup when
// it must be, and each account's export, weighed by its archive's size.
struct Steps {
    explicit Steps(const std::vector<AccountArchive>& accounts) {
        for (const auto& a : accounts) {
            takeOut.push_back(a.takenOut() ? std::optional<std::size_t>(list.size()) : std::nullopt);
            if (a.takenOut()) list.emplace_back("taking out " + a.member.name, a.member.size);
        }
        for (const auto& a : accounts) {
            write.push_back(list.size());
            list.emplace_back("exporting " + a.name, a.member.size);
        }
    }
    std::vector<std::pair<std::string, std::uint64_t>> list;
    std::vector<std::optional<std::size_t>> takeOut;
    std::vector<std::size_t> write;
};

class Run {
public:
    Run(session::MainSession& session, const ExportRequest& request, const ExportEvents& events)
        : session_(session), request_(request), events_(events),
          target_(platform::pathText(fs::absolute(platform::fsPath(request.target)))) {}

    ExportOutcome go() {
        if (prepare() && openAccounts() && plan()) write();
        return std::move(outcome_);
    }

private:
    bool fail(std::string why) {
        outcome_.failure = std::move(why);
        return false;
    }

    bool prepare() {
        std::string why = mail_.choose(session_, request_.folder);
        if (why.empty()) why = CheckTarget(target_, request_.intoExisting, request_.clientStore);
        if (!why.empty()) return fail(why);
        steps_ = std::make_unique<Steps>(mail_.archives());
        events_.planned(steps_->list);
        return true;
    }

    bool openAccounts() {
        const std::string why = mail_.open(session_.Zip1, [&](std::size_t i, std::uint64_t done, std::uint64_t total) {
            if (steps_->takeOut[i]) events_.progress(*steps_->takeOut[i], done, total);
        });
        return why.empty() || fail(why);
    }

    bool plan() {
        std::string why;
        auto layout = PlanLayout(mail_.accounts(), mail_.folders(), request_.format, target_, &why);
        if (!layout) return fail(why);
        layout_ = std::move(*layout);
        why = CheckNothingOverwritten(layout_, request_.format, target_);
        if (why.empty()) why = CheckFreeSpace(layout_, request_.format, target_);
        return why.empty() || fail(why);
    }

    void write() {
        std::error_code ec;
        fs::create_directories(platform::fsPath(target_), ec);
        const std::string staging = platform::makeUniqueFolder(target_, kStagingStem);
        if (staging.empty()) {
            fail("cannot write into the target folder \"" + target_ + "\"");
            return;
        }
        FolderExport writer(request_.format, target_, staging);
        writer.skipped = events_.skipped;
        for (std::size_t a = 0; a < mail_.accounts().size() && outcome_.failure.empty(); ++a) writeAccount(writer, a);
        platform::removeTree(staging);
        if (outcome_.failure.empty() && !platform::syncFileSystemOf(target_)) {
            fail("cannot flush what was written into \"" + target_ + "\"");
        }
    }

    void writeAccount(FolderExport& writer, std::size_t account) {
        OpenedAccount& opened = mail_.accounts()[account];
        const std::size_t step = steps_->write[account];
        std::uint64_t total = 0, done = 0;
        for (const auto& folder : layout_.folders) {
            if (folder.account != account) continue;
            for (std::size_t index : folder.entries) total += opened.tree.members[index].size;
        }
        writer.advanced = [&](std::uint64_t n) { events_.progress(step, done += n, total); };
        for (const auto& folder : layout_.folders) {
            if (folder.account != account) continue;
            FolderResult r = writer.write(*opened.zip, opened.tree, folder, &outcome_.failure);
            add(outcome_.total, r);
            outcome_.folders.push_back(r);
            events_.folderDone(r);
            if (!outcome_.failure.empty()) return;
        }
        events_.progress(step, total, total);
    }

    session::MainSession& session_;
    const ExportRequest& request_;
    const ExportEvents& events_;
    const std::string target_;  // absolute
    ChosenMail mail_;
    std::unique_ptr<Steps> steps_;
    ExportLayout layout_;
    ExportOutcome outcome_;
};

}  // namespace

ExportOutcome RunExport(session::MainSession& session, const ExportRequest& request, const ExportEvents& events) {
    return Run(session, request, events).go();
}

}  // namespace mailexport
