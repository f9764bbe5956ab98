#include "platform/WineRegistry.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/WineRegistryFile.h"

namespace platform {

namespace {

std::optional<std::string> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

// One registry file: its parsed tree, the text it was read from, and the
// changes made since, kept so they can be applied again to a newer file.
struct WineRegistry::HiveFile {
    std::string path;
    std::string root;  // the header's "All keys relative to" text
    WineRegistryFile file;
    std::optional<std::string> loadedText;  // nothing when the file did not exist
    bool damaged = false;
    std::vector<std::function<void(WineRegistryFile&)>> journal;
};

WineRegistry::WineRegistry(std::string prefixFolder) : prefix_(std::move(prefixFolder)) {}

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

WineRegistry::HiveFile* WineRegistry::fileFor(Hive hive) {
    std::unique_ptr<HiveFile>* slot = hive == Hive::CurrentUser ? &user_
                                      : hive == Hive::LocalMachine ? &machine_ : nullptr;
    if (!slot) return nullptr;
    if (!*slot) {
        auto f = std::make_unique<HiveFile>();
        f->path = hostFile(hive);
        f->root = hive == Hive::CurrentUser ? "\\\\User\\\\S-1-5-21-0-0-0-1000" : "\\\\Machine";
        if (clock_) f->file.setClock(clock_);
        f->loadedText = readWhole(f->path);
        std::string error;
        if (!parseInto(&f->file, f->loadedText, f->path, f->root, &error)) {
            f->damaged = true;
            fail(error);
        }
        if (clock_) f->file.setClock(clock_);
        *slot = std::move(f);
    }
    return slot->get();
}

bool WineRegistry::keyExists(Hive hive, const std::string& path) {
    HiveFile* f = fileFor(hive);
    return f && f->file.keyExists(path);
}

std::vector<std::string> WineRegistry::subkeys(Hive hive, const std::string& path) {
    HiveFile* f = fileFor(hive);
    return f ? f->file.subkeys(path) : std::vector<std::string>{};
}

std::vector<RegValue> WineRegistry::values(Hive hive, const std::string& path) {
    HiveFile* f = fileFor(hive);
    return f ? f->file.values(path) : std::vector<RegValue>{};
}

std::optional<RegValue> WineRegistry::value(Hive hive, const std::string& path, const std::string& name) {
    HiveFile* f = fileFor(hive);
    return f ? f->file.value(path, name) : std::nullopt;
}

long WineRegistry::createKey(Hive hive, const std::string& path) {
    HiveFile* f = fileFor(hive);
    if (!f) return kRegAccessDenied;
    if (f->damaged) return kRegBadFile;
    long rc = f->file.createKey(path);
    if (rc == kRegOk) f->journal.push_back([path](WineRegistryFile& file) { file.createKey(path); });
    return rc;
}

long WineRegistry::setValue(Hive hive, const std::string& path, const RegValue& value) {
    HiveFile* f = fileFor(hive);
    if (!f) return kRegAccessDenied;
    if (f->damaged) return kRegBadFile;
    long rc = f->file.setValue(path, value);
    if (rc == kRegOk) f->journal.push_back([path, value](WineRegistryFile& file) { file.setValue(path, value); });
    return rc;
}

long WineRegistry::deleteValue(Hive hive, const std::string& path, const std::string& name) {
    HiveFile* f = fileFor(hive);
    if (!f) return kRegAccessDenied;
    if (f->damaged) return kRegBadFile;
    long rc = f->file.deleteValue(path, name);
    if (rc == kRegOk) f->journal.push_back([path, name](WineRegistryFile& file) { file.deleteValue(path, name); });
    return rc;
}

long WineRegistry::deleteKey(Hive hive, const std::string& path) {
    HiveFile* f = fileFor(hive);
    if (!f) return kRegAccessDenied;
    if (f->damaged) return kRegBadFile;
    long rc = f->file.deleteKey(path);
    if (rc == kRegOk) f->journal.push_back([path](WineRegistryFile& file) { file.deleteKey(path); });
    return rc;
}

bool WineRegistry::flushFile(HiveFile& f) {
    if (f.journal.empty() || f.damaged) return true;
    FileLock lock(lockFileFor(f.path));
    if (!lock.locked()) {
        fail("The registry file " + f.path + " could not be locked for writing.");
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
    if (!writeFileAtomically(f.path, text, &why)) {
        fail("The registry file " + f.path + " could not be written: " + why);
        return false;
    }
    f.loadedText = text;
    f.journal.clear();
    return true;
}

bool WineRegistry::flush() {
    bool ok = true;
    for (auto* f : {user_.get(), machine_.get()}) {
        if (f && !flushFile(*f)) ok = false;
    }
    return ok;
}

}  // namespace platform
