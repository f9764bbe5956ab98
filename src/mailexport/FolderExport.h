#pragma once
// Writing one planned folder of an export: its mbox file, or its files.
// A message that cannot be read whole is left out entirely; one that is no
// message is left out of an mbox, and written as stored otherwise.

#include <cstdint>
#include <functional>
#include <string>

#include "backup/ZipComponent.h"
#include "mailexport/ExportLayout.h"
#include "mailexport/ExportRun.h"
#include "mailexport/OutputFile.h"

namespace mailexport {

class FolderExport {
public:
    FolderExport(Format format, std::string target, std::string staging)
        : format_(format), target_(std::move(target)), staging_(std::move(staging)) {}

    // Called with the bytes of each piece of a member as it is read.
    std::function<void(std::uint64_t)> advanced = [](std::uint64_t) {};
    std::function<void(const std::string& shownPath, const std::string& why)> skipped;

    // The folder's counts; with `fatal` set when the export cannot go on
    // (a write that failed), the counts so far.
    FolderResult write(backup::ZipComponent& zip, const AccountTree& tree, const PlannedFolder& folder,
                       std::string* fatal);

private:
    enum class Outcome { Written, NotAMessage, Damaged, WriteFailed };
    bool makeFolders(const PlannedFolder& folder, std::string* fatal) const;
    void writeMbox(backup::ZipComponent& zip, const AccountTree& tree, const PlannedFolder& folder, FolderResult& r,
                   std::string* fatal);
    void writeFiles(backup::ZipComponent& zip, const AccountTree& tree, const PlannedFolder& folder, FolderResult& r,
                    std::string* fatal);
    Outcome mboxMessage(backup::ZipComponent& zip, const backup::ZipMember& member, OutputFile& out);
    Outcome copyFile(backup::ZipComponent& zip, const backup::ZipMember& member, const std::string& place,
                     bool* withoutHeaders, std::string* why);
    std::string hostPath(const std::string& place) const;
    std::string stagingFile();
    void count(Outcome outcome, const std::string& shownPath, const std::string& why, FolderResult& r,
               std::string* fatal);

    const Format format_;
    const std::string target_;
    const std::string staging_;
    std::uint64_t stagedFiles_ = 0;
};

}  // namespace mailexport
