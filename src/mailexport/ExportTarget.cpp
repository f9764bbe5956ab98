#include "mailexport/ExportTarget.h"

#include <filesystem>

#include "items/RegistryAccess.h"
#include "platform/FsPath.h"
#include "session/Discovery.h"
#include "session/MainSession.h"

namespace mailexport {

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kBlock = 4096;
constexpr std::uint64_t kSeparatorRoom = 128;  // "From <sender> <date>" and the empty line after the message

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

// The path with every "." and ".." and link resolved as far as it exists.
fs::path resolved(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(platform::fsPath(path), ec), ec);
    return ec ? fs::absolute(platform::fsPath(path)) : p;
}

bool within(const fs::path& inner, const fs::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty() && std::next(o) == outer.end()) break;  // a trailing separator
        if (i == inner.end() || *i != *o) return false;
    }
    return true;
}

std::uint64_t blocks(std::uint64_t bytes) { return (bytes + kBlock - 1) / kBlock * kBlock; }

std::string megabytes(std::uint64_t bytes) { return std::to_string((bytes + 999999) / 1000000) + " MB"; }

// The nearest folder that exists, for the free space of a target yet to be made.
fs::path existingFolder(fs::path p) {
    std::error_code ec;
    while (!p.empty() && !fs::is_directory(p, ec) && p.has_parent_path() && p.parent_path() != p) p = p.parent_path();
    return p;
}

}  // namespace

std::string ClientStoreFolder(session::MainSession& session) {
    if (session.registry.ReadRegistryString(items::kClientKey, "Store Root") == items::kRegistryReadError) return {};
    const session::MailStore store = session::DiscoverMailStore(session.services, session.registry);
    return store.ready() ? session.services.env.hostPath(store.MailStoreRoot) : std::string();
}

std::string CheckTarget(const std::string& target, bool intoExisting, const std::string& clientStore) {
    const fs::path path = resolved(target);
    if (!clientStore.empty()) {
        const fs::path store = resolved(clientStore);
        if (within(path, store) || within(store, path)) {
            return "the target folder " + quoted(target) + " lies in the mail client's own store " +
                   quoted(clientStore) + " or holds it; choose a folder outside it";
        }
    }
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return {};
    if (status.type() != fs::file_type::directory) return "the target " + quoted(target) + " is no folder";
    if (!intoExisting && !fs::is_empty(path, ec)) {
        return "the target folder " + quoted(target) + " is not empty; give --into-existing to add to it";
    }
    return ec ? "cannot read the target folder " + quoted(target) + ": " + ec.message() : std::string();
}

std::string CheckNothingOverwritten(const ExportLayout& layout, Format format, const std::string& target) {
    const fs::path base = platform::fsPath(target);
    auto taken = [&](const std::string& place, bool folderWanted) {
        std::error_code ec;
        const auto status = fs::symlink_status(base / platform::fsPath(place), ec);
        if (status.type() == fs::file_type::not_found) return false;
        return !(folderWanted && status.type() == fs::file_type::directory);
    };
    for (const auto& folder : layout.folders) {
        const bool mbox = format == Format::Mbox;
        std::string clash;
        if (taken(folder.place, !mbox)) clash = folder.place;
        else if (folder.subfolderFolder && taken(folder.place + ".sbd", true)) clash = folder.place + ".sbd";
        for (const auto& place : folder.entryPlaces) {
            if (clash.empty() && taken(place, false)) clash = place;
        }
        if (!clash.empty()) {
            return platform::pathText(base / platform::fsPath(clash)) +
                   " exists already, and the export never overwrites anything; nothing was exported";
        }
    }
    return {};
}

std::uint64_t SpaceNeeded(const ExportLayout& layout, Format format) {
    if (format != Format::Mbox) return layout.entryBlocks + layout.folders.size() * kBlock;
    return blocks(layout.entryBytes + layout.entryCount * kSeparatorRoom) + layout.folders.size() * 2 * kBlock;
}

std::string CheckFreeSpace(const ExportLayout& layout, Format format, const std::string& target) {
    std::error_code ec;
    const fs::space_info space = fs::space(existingFolder(resolved(target)), ec);
    if (ec) return {};  // a file system that does not say is given the benefit of the doubt
    const std::uint64_t needed = SpaceNeeded(layout, format);
    if (space.available >= needed) return {};
    return "the export needs about " + megabytes(needed) + " and " + quoted(target) + " has " +
           megabytes(space.available) + " free; nothing was exported";
}

}  // namespace mailexport
