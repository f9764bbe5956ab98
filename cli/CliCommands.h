#pragma once
// The commands of tarnhold-cli. Each returns the process exit status:
// 0 when all went well, 1 when it did not.

#include <optional>
#include <string>

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

}  // namespace cli
