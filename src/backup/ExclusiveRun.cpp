#include "backup/ExclusiveRun.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "backup/FileNaming.h"
#include "items/FolderArchives.h"
#include "items/RestoreLeftovers.h"
#include "platform/Folders.h"
#include "platform/FsPath.h"

namespace backup {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRunFolderStem = "run-";
constexpr std::size_t kUniqueLength = 6;

bool isAlnum(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isalnum(c); });
}

// "<stem>XXXXXX", as makeUniqueFolder names its folders.
bool isUniqueFolderName(const std::string& name, const std::string& stem) {
    return name.size() == stem.size() + kUniqueLength && name.rfind(stem, 0) == 0 && isAlnum(name.substr(stem.size()));
}

// The program folder's own leftovers: run folders, and the folder archives
// and scratch files that runs used to stage directly in the program folder.
bool isLeftover(const fs::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    std::error_code ec;
    if (entry.is_directory(ec)) {
        return IsRunFolderName(name) || isUniqueFolderName(name, "folder-archives-") ||
               isUniqueFolderName(name, "scratch-");
    }
    return entry.is_regular_file(ec) && IsTempFileName(name);
}

void removeLeftovers(const std::string& programFolder, std::vector<std::string>* kept) {
    std::error_code ec;
    std::vector<fs::path> found;
    for (fs::directory_iterator it(platform::fsPath(programFolder), ec), end; !ec && it != end; it.increment(ec)) {
        if (isLeftover(*it)) found.push_back(it->path());
    }
    for (const auto& path : found) {
        if (!platform::removeTree(platform::pathText(path))) kept->push_back(platform::pathText(path) + ": it cannot be removed");
    }
}

// Files the program replaces atomically: the run record and the settings in
// the program folder, the registry files in the prefix.
void removeDeadTemporaries(const std::vector<std::string>& folders, std::vector<std::string>* kept) {
    for (const auto& folder : folders) {
        for (auto& problem : platform::removeDeadTemporaries(folder)) kept->push_back(std::move(problem));
    }
}

}  // namespace

bool IsRunFolderName(const std::string& name) { return isUniqueFolderName(name, kRunFolderStem); }

void LogLeftoversKept(const ExclusiveRun& run, const OperationLog& log) {
    for (const auto& kept : run.leftoversKept()) log.record(" A file of an earlier run was not removed: " + kept, kLF);
}

ExclusiveRun::ExclusiveRun(items::ItemContext& ctx, std::chrono::milliseconds wait)
    : ctx_(ctx), lock_(ctx.env.programFile(kRunLockName), wait) {
    const std::string& programFolder = ctx.env.programFolder;
    if (!lock_.locked()) {
        refusal_ = lock_.busy() ? "another backup or restore holds the program folder " + programFolder
                                : "the program folder " + programFolder + " cannot be locked";
        return;
    }
    removeLeftovers(programFolder, &leftoversKept_);
    removeDeadTemporaries({programFolder, ctx.env.winePrefix}, &leftoversKept_);
    items::RecoverInterruptedRestores(ctx);
    folder_ = platform::makeUniqueFolder(programFolder, kRunFolderStem);
    if (folder_.empty()) {
        refusal_ = "no folder for the run could be made in the program folder " + programFolder;
        return;
    }
    ctx.runFolder = folder_;
}

ExclusiveRun::~ExclusiveRun() {
    if (!held()) return;
    platform::removeTree(folder_);
    ctx_.runFolder.clear();
}

}  // namespace backup
