#pragma once
// The commands of tarnhold-cli. Each returns the process exit status:
// 0 when all went well, 1 when it did not.

#include <optional>
#include <string>

#include "mailexport/ExportLayout.h"
#include "session/MainSession.h"

namespace cli {

int Info(session::MainSession& session, const std::string& file);
int List(session::MainSession& session, const std::string& file);
int Verify(session::MainSession& session, const std::string& file);
struct RestoreOptions {
    // Character k is "1" for each item k to restore; all items the backup
    // holds when absent.
    std::optional<std::string> mask;
    // End the prefix's Windows programs instead of refusing while they run.
    bool endWine = false;
};
int Restore(session::MainSession& session, const std::string& file, const RestoreOptions& options);

// The mail commands (CliMail.cpp).
struct MailOptions {
    std::optional<std::string> folder;  // "Account[/Folder...]"
    std::optional<std::string> to;      // the target folder
    mailexport::Format format = mailexport::Format::Mbox;
    bool intoExisting = false;
};
// Accounts and folders with their counts and sizes; with a folder, its messages.
int Messages(session::MainSession& session, const std::string& file, const std::optional<std::string>& folder);
// Exit 1 also when a message was skipped.
int Export(session::MainSession& session, const std::string& file, const MailOptions& options);
// One account or folder, every file as stored, into options.to.
int RestoreFolder(session::MainSession& session, const std::string& file, const MailOptions& options);

}  // namespace cli
