#include "schedule/BackupRetention.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "backup/OperationLog.h"
#include "config/SettingsFile.h"
#include "platform/Environment.h"
#include "platform/HostPath.h"
#include "platform/Text.h"
#include "platform/FsPath.h"

namespace schedule {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kDatedPartLength = 16;  // "MM-DD-YYYY-HH-MM"

bool number(const std::string& text, std::size_t at, std::size_t length, int low, int high, int* value) {
    int parsed = 0;
    const char* first = text.data() + at;
    auto [end, ec] = std::from_chars(first, first + length, parsed);
    if (ec != std::errc() || end != first + length || parsed < low || parsed > high) return false;
    *value = parsed;
    return true;
}

// "MM-DD-YYYY-HH-MM" as "YYYYMMDDHHMM" for ordering; empty when it is not one.
std::string sortableDate(const std::string& dated) {
    if (dated.size() != kDatedPartLength) return {};
    for (std::size_t dash : {2u, 5u, 10u, 13u}) {
        if (dated[dash] != '-') return {};
    }
    int month, day, year, hour, minute;
    if (!number(dated, 0, 2, 1, 12, &month) || !number(dated, 3, 2, 1, 31, &day) ||
        !number(dated, 6, 4, 1000, 9999, &year) || !number(dated, 11, 2, 0, 23, &hour) ||
        !number(dated, 14, 2, 0, 59, &minute)) {
        return {};
    }
    return dated.substr(6, 4) + dated.substr(0, 2) + dated.substr(3, 2) + dated.substr(11, 2) + dated.substr(14, 2);
}

}  // namespace

int KeepBackupsSetting(const platform::Environment& env) {
    const std::string text = config::ReadSetting(config::SettingsPath(env), "autobackup", "keepbackups");
    int keep = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), keep);
    return ec == std::errc() && end == text.data() + text.size() && keep > 0 ? keep : 0;
}

namespace {

// The dated backups of `targetName` among the names, oldest first.
std::vector<std::string> datedBackups(const std::vector<std::string>& namesInFolder, const std::string& targetName,
                                      const std::string& justWritten) {
    if (targetName.size() < 4) return {};
    const std::string prefix = targetName.substr(0, targetName.size() - 4) + "-";
    std::vector<std::pair<std::string, std::string>> dated;  // sortable date, name
    for (const auto& name : namesInFolder) {
        if (name == justWritten || name.size() != prefix.size() + kDatedPartLength + 4) continue;
        if (name.compare(0, prefix.size(), prefix) != 0 || name.compare(name.size() - 4, 4, ".wlm") != 0) continue;
        const std::string date = sortableDate(name.substr(prefix.size(), kDatedPartLength));
        if (!date.empty()) dated.emplace_back(date, name);
    }
    std::sort(dated.begin(), dated.end());
    std::vector<std::string> names;
    for (auto& [date, name] : dated) names.push_back(std::move(name));
    return names;
}

// The plain files of the folder the backup `path` is in, and that folder.
std::vector<std::string> plainFilesBeside(const platform::Environment& env, const std::string& path, std::string* folder) {
    *folder = platform::folderPartWithSeparator(env.hostPath(path));
    if (folder->empty()) *folder = "./";
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(platform::fsPath(*folder), ec), end; !ec && it != end; it.increment(ec)) {
        // Only plain files: a link or folder of that name is not a backup this run made.
        if (it->symlink_status(ec).type() == fs::file_type::regular) names.push_back(platform::pathText(it->path().filename()));
    }
    return names;
}

}  // namespace

std::vector<std::string> DatedBackupsBeyond(const std::vector<std::string>& namesInFolder, const std::string& targetName,
                                            const std::string& justWritten, int keep) {
    if (keep <= 0) return {};
    std::vector<std::string> dated = datedBackups(namesInFolder, targetName, justWritten);
    // The new backup is one of the kept ones, whatever its date says.
    const std::size_t keptOthers = static_cast<std::size_t>(keep) - 1;
    if (dated.size() <= keptOthers) return {};
    dated.resize(dated.size() - keptOthers);
    return dated;
}

std::string NewestDatedBackup(const platform::Environment& env, const std::string& target, const std::string& justWritten) {
    std::string folder;
    const auto dated = datedBackups(plainFilesBeside(env, justWritten, &folder), platform::bareName(target),
                                    platform::bareName(justWritten));
    return dated.empty() ? std::string() : platform::folderPartWithSeparator(justWritten) + dated.back();
}

int RemoveOldDatedBackups(const platform::Environment& env, const std::string& target, const std::string& justWritten,
                          int keep, const backup::OperationLog& log) {
    std::string folder;
    const std::vector<std::string> names = plainFilesBeside(env, justWritten, &folder);
    std::error_code ec;
    int removed = 0;
    for (const auto& name : DatedBackupsBeyond(names, platform::bareName(target), platform::bareName(justWritten), keep)) {
        const std::string path = folder + name;
        if (fs::remove(platform::fsPath(path), ec)) {
            ++removed;
            log.record(" Old Backup File Removed: " + path, backup::kLF);
        } else {
            log.record(" Old Backup File could not be Removed: " + path + " (" + ec.message() + ")", backup::kLF);
        }
    }
    return removed;
}

}  // namespace schedule
