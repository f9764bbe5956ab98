// tarnhold-cli's mail commands: listing a backup's accounts, folders and
// messages, exporting them for other mail programs, and restoring one
// account or folder into a folder of the user's choice. The rules live in
// mailexport/; this file prints.

#include "CliCommands.h"

#include "CliProgress.h"

#include <cstdio>
#include <iostream>

#include "mailexport/BackupMail.h"
#include "mailexport/ExportRun.h"
#include "mailexport/ExportTarget.h"
#include "mailexport/MailDates.h"
#include "mailexport/MessageListing.h"
#include "platform/Text.h"
#include "restore/Inspection.h"

namespace cli {

namespace {

bool opened(session::MainSession& session, const std::string& file) {
    restore::RestoreState state;
    return restore::InspectBackupFile(session, state, file).outcome == restore::InspectionOutcome::Valid;
}

int failed(const std::string& why) {
    WriteAside(std::cerr, "tarnhold-cli: " + PrintableText(why) + "\n");
    return 1;
}

// Printable text in exactly `width` characters: cut, or padded with blanks.
std::string column(const std::string& text, std::size_t width) {
    std::string shown = platform::leftCharacters(PrintableText(text), width);
    return shown + std::string(width - ColumnsOf(shown), ' ');
}

std::string plural(std::uint64_t n, const std::string& one) {
    return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
}

std::string shownPath(const mailexport::OpenedAccount& account, const mailexport::MailFolder& folder) {
    return account.archive.name + (folder.path.empty() ? "" : "/" + folder.path);
}

void printFolders(const mailexport::OpenedAccount& account) {
    std::uint64_t messages = 0, bytes = 0;
    for (const auto& f : account.tree.folders) messages += f.messages.size(), bytes += f.messageBytes;
    std::cout << PrintableText(account.archive.name) << ": " << plural(messages, "message") << ", "
              << HumanBytes(bytes) << " in " << plural(account.tree.folders.size() - 1, "folder") << "\n";
    for (const auto& f : account.tree.folders) {
        if (f.path.empty() && f.messages.empty()) continue;
        std::printf("%10llu  %10s  %s\n", static_cast<unsigned long long>(f.messages.size()),
                    HumanBytes(f.messageBytes).c_str(), PrintableText(shownPath(account, f)).c_str());
    }
}

// One line per message: date, size, sender, subject. False when one is damaged.
bool printMessages(mailexport::OpenedAccount& account, std::size_t folder) {
    const auto& f = account.tree.folders[folder];
    std::cout << PrintableText(shownPath(account, f)) << ": " << plural(f.messages.size(), "message") << ", "
              << HumanBytes(f.messageBytes) << "\n";
    bool sound = true;
    for (const auto& row : mailexport::ListMessages(*account.zip, account.tree, folder)) {
        using Kind = mailexport::MessageRow::Kind;
        const std::string date = row.date ? mailexport::ListingDate(*row.date) : "-";
        const std::string subject = row.kind == Kind::Message       ? row.subject
                                    : row.kind == Kind::NotAMessage ? "(no message header: " + mailexport::LastName(row.member) + ")"
                                                                    : "(damaged: " + row.problem + ")";
        std::printf("%-16s  %10s  %s  %s\n", date.c_str(), HumanBytes(row.size).c_str(), column(row.sender, 30).c_str(),
                    PrintableText(subject).c_str());
        sound = sound && row.kind != Kind::Damaged;
    }
    return sound;
}

// "7 messages in the backup, 7 written, 0 skipped", `thing` naming what is counted.
std::string countLine(const mailexport::FolderResult& r, const std::string& thing) {
    std::string line = plural(r.inBackup, thing) + " in the backup, " + std::to_string(r.written) + " written, " +
                       std::to_string(r.skipped) + " skipped";
    if (r.withoutHeaders) line += " (" + std::to_string(r.withoutHeaders) + " without a message header, written as stored)";
    return line;
}

// Runs an export or a folder restore with its progress, printing each
// folder's count and the total.
int exportMail(session::MainSession& session, const std::string& file, mailexport::ExportRequest request) {
    if (!opened(session, file)) return 1;
    request.clientStore = mailexport::ClientStoreFolder(session);
    const std::string thing = request.format == mailexport::Format::Files ? "file" : "message";
    ProgressView view = TerminalOrPlainView();
    ProgressTracker progress(view);
    ActiveProgress active(progress);
    mailexport::ExportEvents events;
    events.planned = [&](const auto& steps) {
        for (const auto& [label, bytes] : steps) progress.add(label, bytes);
    };
    events.progress = [&](std::size_t step, std::uint64_t done, std::uint64_t total) {
        progress.reached(step, done, total);
    };
    events.skipped = [&](const std::string& what, const std::string& why) {
        WriteAside(std::cerr, "tarnhold-cli: " + PrintableText(what) + ": " + PrintableText(why) + "\n");
    };
    events.folderDone = [&](const mailexport::FolderResult& r) {
        progress.say(std::cout, PrintableText(r.shownPath) + ": " + countLine(r, thing) + " -> " +
                                    PrintableText(r.place) + "\n");
    };
    const auto outcome = mailexport::RunExport(session, request, events);
    if (outcome.failure.empty()) progress.finish();
    else progress.stop();
    if (!outcome.folders.empty()) {
        std::cout << "Total: " << countLine(outcome.total, thing) << ", in "
                  << plural(outcome.folders.size(), "folder") << "\n";
    }
    if (!outcome.failure.empty()) return failed(outcome.failure);
    return outcome.complete() ? 0 : 1;
}

}  // namespace

int Messages(session::MainSession& session, const std::string& file, const std::optional<std::string>& folder) {
    if (!opened(session, file)) return 1;
    mailexport::ChosenMail mail;
    std::string why = mail.choose(session, folder.value_or(""));
    if (why.empty()) why = mail.open(session.Zip1, [](std::size_t, std::uint64_t, std::uint64_t) {});
    if (!why.empty()) return failed(why);
    if (!folder) {
        for (const auto& account : mail.accounts()) printFolders(account);
        return 0;
    }
    return printMessages(mail.accounts().front(), mail.folders().front()) ? 0 : 1;
}

int Export(session::MainSession& session, const std::string& file, const MailOptions& options) {
    mailexport::ExportRequest request;
    request.format = options.format;
    request.folder = options.folder.value_or("");
    request.target = *options.to;
    request.intoExisting = options.intoExisting;
    return exportMail(session, file, request);
}

int RestoreFolder(session::MainSession& session, const std::string& file, const MailOptions& options) {
    mailexport::ExportRequest request;
    request.format = mailexport::Format::Files;
    request.folder = *options.folder;
    request.target = *options.to;
    request.intoExisting = options.intoExisting;
    return exportMail(session, file, request);
}

}  // namespace cli
