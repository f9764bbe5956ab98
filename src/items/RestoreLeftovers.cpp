#include "items/RestoreLeftovers.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/Folders.h"
#include "platform/HostPath.h"
#include "platform/Text.h"
#include "platform/FsPath.h"

namespace items {

namespace {

namespace fs = std::filesystem;

constexpr const char* kMark = ".restore-";
constexpr const char* kAsideSuffix = ".old";
constexpr std::size_t kUniqueLength = 6;  // the letters that make the folder's name unique

struct Leftover {
    std::string target;  // the name of the folder it was restored for
    bool standingAside;  // holds that folder's old contents
};

std::optional<Leftover> parse(std::string name) {
    const bool aside = platform::endsWith(name, kAsideSuffix);
    if (aside) name.resize(name.size() - std::string(kAsideSuffix).size());
    const auto mark = name.rfind(kMark);
    if (name.empty() || name[0] != '.' || mark == std::string::npos || mark < 2) return std::nullopt;
    const std::string unique = name.substr(mark + std::string(kMark).size());
    if (unique.size() != kUniqueLength ||
        !std::all_of(unique.begin(), unique.end(), [](unsigned char c) { return std::isalnum(c); })) {
        return std::nullopt;
    }
    return Leftover{name.substr(1, mark - 1), aside};
}

void recoverIn(const std::string& hostFolder) {
    std::error_code ec;
    std::vector<fs::path> found;
    for (fs::directory_iterator it(platform::fsPath(hostFolder), ec), end; !ec && it != end; it.increment(ec)) {
        if (IsRestoreLeftover(platform::pathText(it->path().filename()))) found.push_back(it->path());
    }
    // Old contents go back first, so nothing still needed is removed after.
    for (const auto& path : found) {
        const auto leftover = parse(platform::pathText(path.filename()));
        const fs::path target = path.parent_path() / platform::fsPath(leftover->target);
        std::error_code missing;
        if (leftover->standingAside && !fs::exists(target, missing)) fs::rename(path, target, missing);
    }
    for (const auto& path : found) platform::removeTree(platform::pathText(path));
}

}  // namespace

std::string RestoreStagingStem(const std::string& name) { return "." + name + kMark; }

std::string StandAsideName(const std::string& staging) { return staging + kAsideSuffix; }

bool IsRestoreLeftover(const std::string& name) { return parse(name).has_value(); }

void RecoverInterruptedRestores(const ItemContext& ctx) {
    if (ctx.MailStoreRoot.empty()) return;
    for (const std::string& folder : {ctx.MailStoreRoot, ctx.MailStoreRoot + "\\Calendars", ctx.ContactsFolder}) {
        if (!folder.empty()) recoverIn(ctx.env.hostPath(folder));
    }
}

}  // namespace items
