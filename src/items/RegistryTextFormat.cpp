#include "items/RegistryTextFormat.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/AnsiText.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"
#include "platform/FsPath.h"

namespace items {

namespace {

using platform::RegValue;

// The largest binary value an import accepts.
constexpr std::size_t kMaxBinaryBytes = 32768;

// Stands before a string value that holds line breaks: the number of lines
// after the value's own line that belong to it, whatever they look like.
// Readers that do not know the line skip it as a value of an unknown type.
constexpr std::string_view kLineBreaksMarker = "\"\"= nl:";

std::size_t lineBreaksIn(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++count;
    return count;
}

bool isStringType(std::uint32_t type) { return type == platform::REG_SZ || type == platform::REG_EXPAND_SZ; }

std::string valueLine(const RegValue& v) {
    const std::string head = "\"" + v.name + "\"";
    switch (v.type) {
    case platform::REG_SZ: return head + "= sz:" + v.text();
    case platform::REG_EXPAND_SZ: return head + "=esz:" + v.text();
    case platform::REG_DWORD:
        return head + "= dw:" + std::to_string(static_cast<std::int32_t>(v.dwordValue()));
    case platform::REG_BINARY: {
        std::string line = head + "=bin:";
        for (std::size_t i = 0; i < v.data.size(); ++i) {
            if (i) line += ',';
            line += std::to_string(v.data[i]);
        }
        return line;
    }
    default: return {};
    }
}

bool isExported(std::uint32_t type) {
    return type == platform::REG_SZ || type == platform::REG_EXPAND_SZ || type == platform::REG_DWORD ||
           type == platform::REG_BINARY;
}

// Appends the line in the code page; false, with `error` naming what, when
// a character of it is not in the code page.
bool appendExact(const std::string& line, const std::string& what, std::string* out, std::string* error) {
    auto bytes = platform::toAnsiExact(line);
    if (!bytes) {
        *error = what + " holds characters that code page " + std::to_string(platform::AnsiCodePage()) +
                 " cannot store";
        return false;
    }
    *out += *bytes + "\r\n";
    return true;
}

bool exportKey(platform::Registry& reg, platform::Hive hive, const std::string& subkey, const std::string& fullPath,
               const std::string& relative, std::string* out, std::string* error) {
    const std::string keyName = "the key \"" + fullPath + relative + "\"";
    if (!appendExact(relative.empty() ? "\\" : relative, keyName, out, error)) return false;
    for (const auto& v : reg.values(hive, subkey)) {
        if (!isExported(v.type)) continue;
        const std::size_t breaks = isStringType(v.type) ? lineBreaksIn(v.text()) : 0;
        if (breaks) *out += std::string(kLineBreaksMarker) + std::to_string(breaks) + "\r\n";
        if (!appendExact(valueLine(v), "the value \"" + v.name + "\" of " + keyName, out, error)) return false;
    }
    for (const auto& name : reg.subkeys(hive, subkey)) {
        if (!exportKey(reg, hive, subkey.empty() ? name : subkey + "\\" + name, fullPath, relative + "\\" + name, out,
                       error))
            return false;
    }
    return true;
}

// One key of the file with the values that follow its line.
struct KeyPlan {
    std::string relative;  // "\" for the imported key itself
    std::vector<RegValue> values;
};

std::optional<std::int64_t> integerOf(std::string_view text) {
    std::string t = platform::trimBlanks(text);
    std::string_view digits = t;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    std::int64_t n = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return n;
}

std::optional<std::vector<std::uint8_t>> bytesOf(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    if (text.empty()) return bytes;
    for (const auto& part : platform::splitAll(text, ',')) {
        auto n = integerOf(part);
        if (!n || *n < 0 || *n > 255 || bytes.size() == kMaxBinaryBytes) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*n));
    }
    return bytes;
}

// The line is UTF-8 here while the format counts code-page characters:
// the place `count` characters on from `pos`, or back when `count` is negative.
std::size_t stepCharacters(const std::string& s, std::size_t pos, int count) {
    auto inside = [&](std::size_t p) { return p < s.size() && (static_cast<unsigned char>(s[p]) & 0xC0) == 0x80; };
    for (; count > 0 && pos < s.size(); --count) {
        ++pos;
        while (inside(pos)) ++pos;
    }
    for (; count < 0 && pos > 0; ++count) {
        --pos;
        while (pos > 0 && inside(pos)) --pos;
    }
    return pos;
}

// A value line: the name between the quotes before the first "=", a type
// token of three characters, the data after ":". Unknown tokens are skipped
// (`*value` stays empty); false only for lines that cannot be read at all.
bool parseValueLine(const std::string& line, std::optional<RegValue>* value, std::string* error) {
    const std::size_t eq = line.find('=');
    const std::size_t nameStart = stepCharacters(line, 0, 1);
    if (eq == std::string::npos || eq < nameStart + 1) {
        *error = "no value name in \"" + line + "\"";
        return false;
    }
    const std::string name = line.substr(nameStart, stepCharacters(line, eq, -1) - nameStart);
    const std::size_t tokenEnd = stepCharacters(line, eq + 1, 3);
    const std::string token = platform::replaceAll(line.substr(eq + 1, tokenEnd - eq - 1), " ", "");
    const std::string data = line.substr(stepCharacters(line, tokenEnd, 1));
    if (token == "sz" || token == "esz") {
        *value = RegValue::string(name, token == "sz" ? platform::REG_SZ : platform::REG_EXPAND_SZ, data, false);
    } else if (token == "dw") {
        auto n = integerOf(data);
        if (!n || *n < INT32_MIN || *n > INT32_MAX) {
            *error = "bad number \"" + data + "\"";
            return false;
        }
        *value = RegValue::dword(name, static_cast<std::uint32_t>(static_cast<std::int32_t>(*n)));
    } else if (token == "bin") {
        auto bytes = bytesOf(data);
        if (!bytes) {
            *error = "bad binary data for \"" + name + "\"";
            return false;
        }
        *value = RegValue::binary(name, std::move(*bytes));
    }
    return true;
}

// The file's lines, each ended by CR LF, in UTF-8; nothing when the last
// line is not complete (the file was cut short).
std::optional<std::vector<std::string>> readLines(const std::string& hostFile, std::string* error) {
    std::ifstream in(platform::fsPath(hostFile), std::ios::binary);
    if (!in) {
        *error = "cannot open";
        return std::nullopt;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    const std::string raw = buffer.str();
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < raw.size();) {
        const std::size_t end = raw.find("\r\n", start);
        if (end == std::string::npos) {
            *error = "the file ends inside a line";
            return std::nullopt;
        }
        lines.push_back(platform::fromAnsi(raw.substr(start, end - start)));
        start = end + 2;
    }
    return lines;
}

// Reads the lines of the file into key plans, one line at a time.
class ImportPlanner {
public:
    ImportPlanner(const std::vector<std::string>& lines, std::vector<KeyPlan>* plan) : lines_(lines), plan_(*plan) {}

    // The import stops at the first empty line.
    bool run(std::string* error) {
        for (next_ = 0; next_ < lines_.size();) {
            const std::string& line = lines_[next_++];
            if (line.empty()) break;
            if (isNewKey(line)) {
                plan_.push_back({line, {}});
            } else if (!valueLine(line, error)) {
                return false;
            }
        }
        if (plan_.empty()) *error = "no key in the file";
        return !plan_.empty();
    }

private:
    bool isNewKey(const std::string& line) const {
        return !line.empty() && line[0] == '\\' && (plan_.empty() || plan_.back().relative != line);
    }
    static bool looksLikeValue(const std::string& line) {
        return !line.empty() && line[0] == '"' && line.find('=') != std::string::npos;
    }

    bool valueLine(const std::string& line, std::string* error) {
        if (plan_.empty()) {
            *error = "a value comes before the first key";
            return false;
        }
        if (line.rfind(kLineBreaksMarker, 0) == 0) return countedString(line.substr(kLineBreaksMarker.size()), error);
        std::optional<RegValue> value;
        if (!parseValueLine(line, &value, error)) return false;
        if (!value) return true;
        if (isStringType(value->type)) value = continued(std::move(*value));
        plan_.back().values.push_back(std::move(*value));
        return true;
    }

    // A value line and the given number of lines after it, taken whole.
    bool countedString(const std::string& count, std::string* error) {
        const auto breaks = integerOf(count);
        if (!breaks || *breaks < 1 || static_cast<std::uint64_t>(*breaks) >= lines_.size() - next_ ||
            !looksLikeValue(lines_[next_])) {
            *error = "no string of " + count + " line breaks follows";
            return false;
        }
        std::string text = lines_[next_++];
        for (std::int64_t i = 0; i < *breaks; ++i) text += "\r\n" + lines_[next_++];
        std::optional<RegValue> value;
        if (!parseValueLine(text, &value, error)) return false;
        if (value) plan_.back().values.push_back(std::move(*value));
        return true;
    }

    // Earlier backups wrote no count: there the lines that are neither a
    // new key nor a value go on a string value, as they always did.
    RegValue continued(RegValue value) {
        std::string text = value.text();
        bool grown = false;
        for (; next_ < lines_.size() && !isNewKey(lines_[next_]) && !looksLikeValue(lines_[next_]); grown = true) {
            text += "\r\n" + lines_[next_++];
        }
        return grown ? RegValue::string(value.name, value.type, text, false) : value;
    }

    const std::vector<std::string>& lines_;
    std::vector<KeyPlan>& plan_;
    std::size_t next_ = 0;
};

bool planImport(const std::string& hostFile, std::vector<KeyPlan>* plan, std::string* error) {
    const auto lines = readLines(hostFile, error);
    return lines && ImportPlanner(*lines, plan).run(error);
}

}  // namespace

bool ExportRegistryTree(RegistryAccess& registry, const std::string& path, const std::string& hostFile,
                        std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    auto parsed = registry.ParseKeyPath(path);
    if (!parsed) {
        *error = "\"" + path + "\" is no registry key path";
        return false;
    }
    std::string text;
    if (!exportKey(registry.registry(), parsed->hive, parsed->subkey, path, "", &text, error)) return false;
    return platform::writeFileAtomically(hostFile, text, error);
}

bool ImportRegistryTree(RegistryAccess& registry, const std::string& path, const std::string& hostFile,
                        std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    if (!registry.ParseKeyPath(path)) {
        *error = "\"" + path + "\" is no registry key path";
        return false;
    }
    std::vector<KeyPlan> plan;
    if (!planImport(hostFile, &plan, error)) {
        *error = "the registry text " + hostFile + " cannot be read: " + *error;
        return false;
    }
    for (const auto& key : plan) {
        std::string full = path;
        if (key.relative.back() == '\\') {
            // The top line replaces the whole tree: what the file lacks is gone.
            registry.DeleteRegistryTree(path);
        } else {
            full = path + key.relative;
        }
        registry.CreateRegistryKey(full);
        auto parsed = registry.ParseKeyPath(full);
        if (!parsed) continue;
        for (const auto& v : key.values) registry.registry().setValue(parsed->hive, parsed->subkey, v);
    }
    return true;
}

}  // namespace items
