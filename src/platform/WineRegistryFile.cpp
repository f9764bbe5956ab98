#include "platform/WineRegistryFile.h"

#include "platform/WineRegistryFormat.h"

#include <algorithm>
#include <ctime>
#include <list>
#include <map>

namespace platform {

namespace {

// One line or run of lines inside a key block, kept as written. A value
// also keeps what it parsed to; other items are options, comments, blanks.
struct Item {
    std::string raw;
    bool isValue = false;
    RegValue value{};
    std::string folded{};  // the value's folded name
};

// A key block: the blank lines before it, its "[...]" line, and its items.
struct Block {
    std::string leading;
    std::string keyLine;
    std::string path{};
    std::vector<Item> items{};
};
using Blocks = std::list<Block>;

// The key tree. A key exists when it has a block or a descendant has one;
// Wine writes no block for a key that has only subkeys.
struct Node {
    std::string name;
    std::string folded;
    Node* parent = nullptr;
    std::map<std::string, std::unique_ptr<Node>> children;  // by folded name
    std::vector<Blocks::iterator> blocks;                    // in file order
};

std::uint64_t systemFileTime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 10000000ULL +
           static_cast<std::uint64_t>(ts.tv_nsec) / 100 + 116444736000000000ULL;
}

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r\v\f") == std::string_view::npos;
}

char firstChar(std::string_view line) {
    std::size_t p = line.find_first_not_of(" \t\r\v\f");
    return p == std::string_view::npos ? '\0' : line[p];
}

std::string pathOf(const Node* node) {
    std::string path;
    for (; node && node->parent; node = node->parent)
        path = path.empty() ? node->name : node->name + "\\" + path;
    return path;
}

std::optional<Blocks::iterator> firstBlockIn(const Node* node) {
    if (!node->blocks.empty()) return node->blocks.front();
    for (const auto& [folded, child] : node->children)
        if (auto b = firstBlockIn(child.get())) return b;
    return std::nullopt;
}

// The first block that follows `node` in Wine's order: its own subtree, then
// the subtrees of later siblings of it and of each ancestor.
std::optional<Blocks::iterator> blockAfter(const Node* node) {
    for (const auto& [folded, child] : node->children)
        if (auto b = firstBlockIn(child.get())) return b;
    for (const Node* cur = node; cur->parent; cur = cur->parent) {
        const auto& siblings = cur->parent->children;
        for (auto it = siblings.upper_bound(cur->folded); it != siblings.end(); ++it)
            if (auto b = firstBlockIn(it->second.get())) return b;
    }
    return std::nullopt;
}

// The lines of a text without their line ends (and a CR before one), with
// where each line starts; starts has one more entry, the end of the text.
struct Lines {
    std::vector<std::string_view> content;
    std::vector<std::size_t> starts;
};

Lines splitLines(std::string_view text) {
    Lines lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.content.push_back(line);
        lines.starts.push_back(pos);
        pos = end + 1;
    }
    lines.starts.push_back(text.size());
    return lines;
}

}  // namespace

struct WineRegistryFile::Impl {
    std::string preamble;  // the header and everything up to the first key
    Blocks blocks;
    std::string epilogue;  // blank lines after the last block
    Node root;
    // A last line without a line end gets one while parsing; it is taken off
    // again when that line is still last.
    bool missingFinalNewline = false;
    std::string lastLine;
    std::function<std::uint64_t()> clock = systemFileTime;

    Node* find(const std::string& path) const;
    Node* findOrAdd(const std::vector<std::string>& names);
    Block& materialize(Node* node);
    void touch(Block& block);
    Item* lastOccurrence(Node* node, const std::string& folded, Block** owner);
    bool parseText(const std::string& text, std::string* error);
};

Node* WineRegistryFile::Impl::find(const std::string& path) const {
    std::vector<std::string> names;
    if (!splitKeyPath(path, &names)) return nullptr;
    const Node* node = &root;
    for (const auto& name : names) {
        auto it = node->children.find(foldName(name));
        if (it == node->children.end()) return nullptr;
        node = it->second.get();
    }
    return const_cast<Node*>(node);
}

Node* WineRegistryFile::Impl::findOrAdd(const std::vector<std::string>& names) {
    Node* node = &root;
    for (const auto& name : names) {
        std::string folded = foldName(name);
        auto& child = node->children[folded];
        if (!child) {
            child = std::make_unique<Node>();
            child->name = name;
            child->folded = std::move(folded);
            child->parent = node;
        }
        node = child.get();
    }
    return node;
}

// Gives a key that has no block one, at its place in Wine's order.
Block& WineRegistryFile::Impl::materialize(Node* node) {
    std::uint64_t now = clock();
    Block block;
    block.leading = "\n";
    block.path = pathOf(node);
    block.keyLine = winereg::formatKeyLine(block.path, now);
    block.items.push_back(Item{winereg::formatTimeLine(now)});
    auto next = blockAfter(node);
    auto it = blocks.insert(next ? *next : blocks.end(), std::move(block));
    node->blocks.push_back(it);
    return *it;
}

// A key whose values changed gets the current time, as Wine stamps it.
void WineRegistryFile::Impl::touch(Block& block) {
    std::uint64_t now = clock();
    block.keyLine = winereg::formatKeyLine(block.path, now);
    auto isTime = [](const Item& i) {
        return !i.isValue && i.raw.compare(0, 6, "#time=") == 0;
    };
    auto it = std::find_if(block.items.begin(), block.items.end(), isTime);
    if (it != block.items.end())
        it->raw = winereg::formatTimeLine(now);
    else
        block.items.insert(block.items.begin(), Item{winereg::formatTimeLine(now)});
}

// Wine lets a later line for the same value (or a later block for the same
// key) override an earlier one, so the last occurrence is the live one.
Item* WineRegistryFile::Impl::lastOccurrence(Node* node, const std::string& folded,
                                             Block** owner) {
    Item* found = nullptr;
    for (auto& b : node->blocks)
        for (auto& item : b->items)
            if (item.isValue && item.folded == folded) {
                found = &item;
                *owner = &*b;
            }
    return found;
}

bool WineRegistryFile::Impl::parseText(const std::string& text, std::string* error) {
    Lines lines = splitLines(text);
    auto raw = [&](std::size_t first, std::size_t last) {
        return text.substr(lines.starts[first], lines.starts[last + 1] - lines.starts[first]);
    };
    auto fail = [&](std::size_t i, const std::string& what) {
        *error = "line " + std::to_string(i + 1) + ": " + what;
        return false;
    };
    if (lines.content.empty()) return true;
    if (lines.content[0] != winereg::kHeader)
        return fail(0, "not a Wine registry file (the first line is not \"" +
                           std::string(winereg::kHeader) + "\")");
    preamble = raw(0, 0);
    std::string pending;  // blank lines, which belong to the next key block
    Block* current = nullptr;
    auto keep = [&](std::string lineText) {
        if (!current) {
            preamble += pending + lineText;
        } else {
            if (!pending.empty()) current->items.push_back(Item{pending});
            current->items.push_back(Item{std::move(lineText)});
        }
        pending.clear();
    };
    for (std::size_t i = 1; i < lines.content.size(); ++i) {
        std::string_view line = lines.content[i];
        char c = firstChar(line);
        std::string what;
        if (isBlank(line)) {
            pending += raw(i, i);
        } else if (c == '[') {
            Block block{pending, raw(i, i)};
            if (!winereg::parseKeyLine(line, &block.path, &what)) return fail(i, what);
            pending.clear();
            blocks.push_back(std::move(block));
            std::vector<std::string> names;
            splitKeyPath(blocks.back().path, &names);
            findOrAdd(names)->blocks.push_back(std::prev(blocks.end()));
            current = &blocks.back();
        } else if (c == '#' || c == ';') {
            keep(raw(i, i));
        } else if (c == '"' || c == '@') {
            if (!current) return fail(i, "a value before the first key");
            std::size_t first = i;
            RegValue v;
            if (!winereg::parseValue(lines.content, &i, &v, &what)) return fail(i, what);
            keep(raw(first, i));
            Item& item = current->items.back();
            item.isValue = true;
            item.folded = foldName(v.name);
            item.value = std::move(v);
        } else {
            return fail(i, "not a key, a value or a comment");
        }
    }
    epilogue = pending;
    return true;
}

WineRegistryFile::WineRegistryFile() : impl_(std::make_unique<Impl>()) {}
WineRegistryFile::~WineRegistryFile() = default;
WineRegistryFile::WineRegistryFile(WineRegistryFile&&) noexcept = default;
WineRegistryFile& WineRegistryFile::operator=(WineRegistryFile&&) noexcept = default;

WineRegistryFile WineRegistryFile::withHeader(const std::string& root) {
    WineRegistryFile file;
    file.impl_->preamble = std::string(winereg::kHeader) + "\n;; All keys relative to " + root +
                           "\n\n#arch=win64\n";
    return file;
}

bool WineRegistryFile::parse(std::string_view text, std::string* error) {
    auto fresh = std::make_unique<Impl>();
    fresh->clock = impl_->clock;
    std::string owned(text);
    if (!owned.empty() && owned.back() != '\n') {
        owned += '\n';
        fresh->missingFinalNewline = true;
        fresh->lastLine = owned.substr(owned.rfind('\n', owned.size() - 2) + 1);
    }
    if (!fresh->parseText(owned, error)) {
        impl_ = std::make_unique<Impl>();
        impl_->clock = fresh->clock;
        return false;
    }
    impl_ = std::move(fresh);
    return true;
}

std::string WineRegistryFile::text() const {
    std::string out = impl_->preamble;
    for (const auto& b : impl_->blocks) {
        out += b.leading;
        out += b.keyLine;
        for (const auto& item : b.items) out += item.raw;
    }
    out += impl_->epilogue;
    const std::string& last = impl_->lastLine;
    if (impl_->missingFinalNewline && out.size() >= last.size() &&
        out.compare(out.size() - last.size(), last.size(), last) == 0)
        out.pop_back();
    return out;
}

void WineRegistryFile::setClock(std::function<std::uint64_t()> fileTimeNow) {
    impl_->clock = std::move(fileTimeNow);
}

bool WineRegistryFile::keyExists(const std::string& path) const {
    return impl_->find(path) != nullptr;
}

std::vector<std::string> WineRegistryFile::subkeys(const std::string& path) const {
    std::vector<std::string> names;
    if (const Node* node = impl_->find(path))
        for (const auto& [folded, child] : node->children) names.push_back(child->name);
    return names;
}

std::vector<RegValue> WineRegistryFile::values(const std::string& path) const {
    std::vector<RegValue> out;
    const Node* node = impl_->find(path);
    if (!node) return out;
    std::map<std::string, std::size_t> seen;  // folded name -> place in out
    for (const auto& b : node->blocks)
        for (const auto& item : b->items) {
            if (!item.isValue) continue;
            auto [it, added] = seen.emplace(item.folded, out.size());
            if (added) {
                out.push_back(item.value);
            } else {
                out[it->second].type = item.value.type;
                out[it->second].data = item.value.data;
            }
        }
    return out;
}

std::optional<RegValue> WineRegistryFile::value(const std::string& path,
                                                const std::string& name) const {
    Node* node = impl_->find(path);
    Block* owner = nullptr;
    Item* item = node ? impl_->lastOccurrence(node, foldName(name), &owner) : nullptr;
    if (!item) return std::nullopt;
    return item->value;
}

long WineRegistryFile::createKey(const std::string& path) {
    std::vector<std::string> names;
    if (!splitKeyPath(path, &names)) return kRegInvalidParameter;
    if (impl_->find(path)) return kRegOk;
    impl_->materialize(impl_->findOrAdd(names));
    return kRegOk;
}

long WineRegistryFile::setValue(const std::string& path, const RegValue& value) {
    Node* node = impl_->find(path);
    if (!node) return kRegNotFound;
    std::string folded = foldName(value.name);
    Block* owner = nullptr;
    if (Item* item = impl_->lastOccurrence(node, folded, &owner)) {
        item->value.type = value.type;  // the stored name keeps its case
        item->value.data = value.data;
        item->raw = winereg::formatValue(item->value);
        impl_->touch(*owner);
        return kRegOk;
    }
    Block& block = node->blocks.empty() ? impl_->materialize(node) : *node->blocks.back();
    // After the block's last value, or after its "#time=" and other option
    // lines when it has none yet, as Wine lays a key out.
    auto lastValue = std::find_if(block.items.rbegin(), block.items.rend(),
                                  [](const Item& i) { return i.isValue; });
    auto at = lastValue != block.items.rend() ? lastValue.base() : block.items.end();
    block.items.insert(at, Item{winereg::formatValue(value), true, value, folded});
    impl_->touch(block);
    return kRegOk;
}

long WineRegistryFile::deleteValue(const std::string& path, const std::string& name) {
    Node* node = impl_->find(path);
    if (!node) return kRegNotFound;
    std::string folded = foldName(name);
    bool found = false;
    for (auto& b : node->blocks) {
        auto& items = b->items;
        auto matches = [&](const Item& i) { return i.isValue && i.folded == folded; };
        auto end = std::remove_if(items.begin(), items.end(), matches);
        if (end == items.end()) continue;
        items.erase(end, items.end());
        impl_->touch(*b);
        found = true;
    }
    return found ? kRegOk : kRegNotFound;
}

long WineRegistryFile::deleteKey(const std::string& path) {
    std::vector<std::string> names;
    if (!splitKeyPath(path, &names)) return kRegInvalidParameter;
    if (names.empty()) return kRegAccessDenied;  // a hive's root cannot go
    Node* node = impl_->find(path);
    if (!node) return kRegNotFound;
    if (!node->children.empty()) return kRegKeyHasSubkeys;
    for (auto b : node->blocks) impl_->blocks.erase(b);
    Node* parent = node->parent;
    parent->children.erase(node->folded);
    // A parent that existed only through this key stays, now as an empty key.
    if (parent != &impl_->root && parent->blocks.empty() && parent->children.empty())
        impl_->materialize(parent);
    return kRegOk;
}

}  // namespace platform
