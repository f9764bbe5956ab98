#include "platform/WineRegistry.h"

#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/MemoryRegistry.h"
#include "platform/RegeditFile.h"
#include "platform/WineRegistryFile.h"
#include "platform/FsPath.h"

namespace platform {

namespace {

std::optional<std::string> readWhole(const std::string& path) {
    std::ifstream in(fsPath(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

// One registry file: its parsed tree, the text it was read from, and the
// changes made since, kept so they can be applied again to a newer file. Or,
// while Wine runs, the hive as Wine reported it.
struct WineRegistry::HiveFile {
    std::string path;
    std::string root;  // the header's "All keys relative to" text
    WineRegistryFile file;
    std::optional<std::string> loadedText;  // nothing when the file did not exist
    bool damaged = false;
    std::vector<std::function<void(WineRegistryFile&)>> journal;

    // While Wine runs: key trees exported from it, by the folded path asked
    // for; nullptr for a key Wine said is not there.
    bool live = false;
    std::map<std::string, std::unique_ptr<MemoryRegistry>> exports;
    std::string stale;    // why Wine could not be asked, so the file was read instead
    std::string refused;  // why a write was refused since the last flush
};

// Where a read is answered: a live export, the file, or nowhere (a key
// that Wine says is not there).
struct WineRegistry::Source {
    MemoryRegistry* live = nullptr;
    const WineRegistryFile* file = nullptr;
};

namespace {

const char* hiveName(Hive hive) {
    return hive == Hive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

// The path of an exported key below its hive; false for other hives.
bool pathBelow(const std::string& exported, const std::string& hive, std::string* path) {
    if (exported.compare(0, hive.size(), hive) != 0) return false;
    if (exported.size() == hive.size()) {
        path->clear();
        return true;
    }
    if (exported[hive.size()] != '\\') return false;
    *path = exported.substr(hive.size() + 1);
    return true;
}

}  // namespace

WineRegistry::WineRegistry(std::string prefixFolder, WineServer* server)
    : prefix_(std::move(prefixFolder)), server_(server) {}

WineRegistry::~WineRegistry() { flush(); }

std::string WineRegistry::hostFile(Hive hive) const {
    switch (hive) {
    case Hive::CurrentUser: return prefix_ + "/user.reg";
    case Hive::LocalMachine: return prefix_ + "/system.reg";
    default: return {};
    }
}

std::string WineRegistry::lockFileFor(const std::string& hostFile) { return hostFile + ".lock"; }

void WineRegistry::setClock(std::function<std::uint64_t()> fileTimeNow) {
    clock_ = std::move(fileTimeNow);
    for (auto* f : {user_.get(), machine_.get()}) {
        if (f) f->file.setClock(clock_);
    }
}

void WineRegistry::fail(const std::string& message) {
    if (error_.empty()) error_ = message;
}

// Reads `text` into `file`; a damaged text is named with its file and line.
static bool parseInto(WineRegistryFile* file, const std::optional<std::string>& text, const std::string& path,
                      const std::string& root, std::string* error) {
    if (!text) {
        *file = WineRegistryFile::withHeader(root);
        return true;
    }
    std::string why;
    if (file->parse(*text, &why)) return true;
    *error = "The registry file " + path + " is damaged (" + why + "); it was left unchanged.";
    return false;
}

bool WineRegistry::wineRuns() { return server_ && server_->running(); }

void WineRegistry::loadFile(HiveFile& f) {
    f.loadedText = readWhole(f.path);
    std::string error;
    if (!parseInto(&f.file, f.loadedText, f.path, f.root, &error)) {
        f.damaged = true;
        fail(error);
    }
    if (clock_) f.file.setClock(clock_);
}

WineRegistry::HiveFile* WineRegistry::fileFor(Hive hive) {
    std::unique_ptr<HiveFile>* slot = hive == Hive::CurrentUser ? &user_
                                      : hive == Hive::LocalMachine ? &machine_ : nullptr;
    if (!slot) return nullptr;
    if (!*slot) {
        auto f = std::make_unique<HiveFile>();
        f->path = hostFile(hive);
        f->root = hive == Hive::CurrentUser ? "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000" : "REGISTRY\\\\Machine";
        if (clock_) f->file.setClock(clock_);
        // The files are read only while no server holds the registry.
        f->live = wineRuns();
        if (!f->live) loadFile(*f);
        *slot = std::move(f);
    }
    return slot->get();
}

// While Wine runs, a key is read as `wine reg export` reports it: from an
// earlier export of it or of a key above it, else from a new export of its
// tree. When Wine cannot be asked the hive goes back to its file, and
// remembers why that may be old.
MemoryRegistry* WineRegistry::liveTree(HiveFile& f, Hive hive, const std::string& path) {
    std::vector<std::string> names;
    if (!splitKeyPath(path, &names)) return nullptr;
    std::string above;
    for (std::size_t i = 0; i <= names.size(); ++i) {
        if (i) above += (i > 1 ? "\\" : "") + names[i - 1];
        if (auto it = f.exports.find(foldName(above)); it != f.exports.end()) return it->second.get();
    }
    const std::string key = hiveName(hive) + (path.empty() ? std::string() : "\\" + path);
    WineExport exported = server_->exportKey(key);
    std::vector<regedit::Key> keys;
    std::string why = exported.error;
    if (exported.outcome == WineExport::Outcome::NoSuchKey) {
        f.exports[foldName(path)] = nullptr;
        return nullptr;
    }
    if (exported.outcome == WineExport::Outcome::Exported && regedit::parse(exported.text, &keys, &why)) {
        auto tree = std::make_unique<MemoryRegistry>();
        for (const auto& k : keys) {
            std::string below;
            if (!pathBelow(k.path, hiveName(hive), &below)) continue;
            tree->createKey(hive, below);
            for (const auto& v : k.values) tree->setValue(hive, below, v);
        }
        return (f.exports[foldName(path)] = std::move(tree)).get();
    }
    f.live = false;
    f.exports.clear();
    f.stale = "Wine is running in the prefix " + prefix_ + " and its registry could not be read through Wine (" +
              why + "); the registry files may be up to 30 seconds old.";
    loadFile(f);
    return nullptr;
}

WineRegistry::Source WineRegistry::sourceFor(Hive hive, const std::string& path) {
    HiveFile* f = fileFor(hive);
    if (!f) return {};
    if (f->live) {
        MemoryRegistry* tree = liveTree(*f, hive, path);
        if (f->live) return {tree, nullptr};
    }
    return {nullptr, &f->file};
}

void WineRegistry::reload() {
    for (auto* slot : {&user_, &machine_}) {
        if (*slot && (*slot)->journal.empty()) slot->reset();
    }
}

std::string WineRegistry::liveReadProblem(Hive hive) {
    HiveFile* f = fileFor(hive);
    return f ? f->stale : std::string();
}

bool WineRegistry::keyExists(Hive hive, const std::string& path) {
    Source s = sourceFor(hive, path);
    if (s.live) return s.live->keyExists(hive, path);
    return s.file && s.file->keyExists(path);
}

std::vector<std::string> WineRegistry::subkeys(Hive hive, const std::string& path) {
    Source s = sourceFor(hive, path);
    if (s.live) return s.live->subkeys(hive, path);
    return s.file ? s.file->subkeys(path) : std::vector<std::string>{};
}

std::vector<RegValue> WineRegistry::values(Hive hive, const std::string& path) {
    Source s = sourceFor(hive, path);
    if (s.live) return s.live->values(hive, path);
    return s.file ? s.file->values(path) : std::vector<RegValue>{};
}

std::optional<RegValue> WineRegistry::value(Hive hive, const std::string& path, const std::string& name) {
    Source s = sourceFor(hive, path);
    if (s.live) return s.live->value(hive, path, name);
    return s.file ? s.file->value(path, name) : std::nullopt;
}

// A write is refused while Wine holds the hive: the server would overwrite it.
long WineRegistry::refusal(HiveFile* f) {
    if (!f) return kRegAccessDenied;
    if (f->damaged) return kRegBadFile;
    if (f->live || !f->stale.empty()) {
        if (f->refused.empty())
            f->refused = "Windows programs are running in the Wine prefix " + prefix_ +
                         "; its registry cannot be changed while they run.";
        return kRegAccessDenied;
    }
    return kRegOk;
}

long WineRegistry::createKey(Hive hive, const std::string& path) {
    HiveFile* f = fileFor(hive);
    if (long rc = refusal(f)) return rc;
    long rc = f->file.createKey(path);
    if (rc == kRegOk) f->journal.push_back([path](WineRegistryFile& file) { file.createKey(path); });
    return rc;
}

long WineRegistry::setValue(Hive hive, const std::string& path, const RegValue& given) {
    HiveFile* f = fileFor(hive);
    if (long rc = refusal(f)) return rc;
    const RegValue value = asStoredByTheApi(given);
    long rc = f->file.setValue(path, value);
    if (rc == kRegOk) f->journal.push_back([path, value](WineRegistryFile& file) { file.setValue(path, value); });
    return rc;
}

long WineRegistry::deleteValue(Hive hive, const std::string& path, const std::string& name) {
    HiveFile* f = fileFor(hive);
    if (long rc = refusal(f)) return rc;
    long rc = f->file.deleteValue(path, name);
    if (rc == kRegOk) f->journal.push_back([path, name](WineRegistryFile& file) { file.deleteValue(path, name); });
    return rc;
}

long WineRegistry::deleteKey(Hive hive, const std::string& path) {
    HiveFile* f = fileFor(hive);
    if (long rc = refusal(f)) return rc;
    long rc = f->file.deleteKey(path);
    if (rc == kRegOk) f->journal.push_back([path](WineRegistryFile& file) { file.deleteKey(path); });
    return rc;
}

bool WineRegistry::flushFile(HiveFile& f) {
    if (!f.refused.empty()) {
        fail(f.refused);
        return false;
    }
    if (f.journal.empty() || f.damaged) return true;
    const std::string wineStarted = "Windows programs started in the Wine prefix " + prefix_ +
                                    " before the registry was written; it was left unchanged.";
    if (wineRuns()) {
        fail(wineStarted);
        return false;
    }
    FileLock lock(lockFileFor(f.path), lockWait_);
    if (!lock.locked()) {
        fail("The registry file " + f.path + " is locked by another program (" + lockFileFor(f.path) +
             "); it was left unchanged.");
        return false;
    }
    // Someone else wrote the file since it was read: start from theirs and
    // make this run's changes again on top.
    const auto current = readWhole(f.path);
    if (current != f.loadedText) {
        WineRegistryFile fresh;
        if (clock_) fresh.setClock(clock_);
        std::string error;
        if (!parseInto(&fresh, current, f.path, f.root, &error)) {
            fail(error);
            return false;
        }
        for (const auto& change : f.journal) change(fresh);
        f.file = std::move(fresh);
        if (clock_) f.file.setClock(clock_);
    }
    const std::string text = f.file.text();
    std::string why;
    // The server may have started while the new file was being written.
    auto wineStillAway = [&](std::string* reason) {
        if (!wineRuns()) return true;
        *reason = wineStarted;
        return false;
    };
    if (!writeFileAtomically(f.path, text, &why, wineStillAway)) {
        fail(why == wineStarted ? why : "The registry file " + f.path + " could not be written: " + why);
        return false;
    }
    f.loadedText = text;
    f.journal.clear();
    return true;
}

bool WineRegistry::flush() {
    error_.clear();
    bool ok = true;
    for (auto* slot : {&user_, &machine_}) {
        if (!*slot || flushFile(**slot)) continue;
        // What could not be written is dropped; the next read sees the file.
        slot->reset();
        ok = false;
    }
    return ok;
}

}  // namespace platform
