#include "platform/WineRegistryFormat.h"

#include <cstdio>

namespace platform::winereg {

namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::uint64_t kTicks1601To1970 = 116444736000000000ULL;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isOctal(char c) { return c >= '0' && c <= '7'; }
unsigned hexValue(char c) {
    if (c <= '9') return static_cast<unsigned>(c - '0');
    return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

void skipSpace(std::string_view s, std::size_t* pos) {
    while (*pos < s.size() && isSpace(s[*pos])) ++*pos;
}

bool onlySpaceFrom(std::string_view s, std::size_t pos) {
    skipSpace(s, &pos);
    return pos == s.size();
}

std::string hex(std::uint32_t v, const char* format) {
    char buf[16];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// The character a one-letter escape stands for, or 0.
char16_t letterEscape(char c) {
    switch (c) {
    case 'a': return u'\a';
    case 'b': return u'\b';
    case 'e': return 0x1B;
    case 'f': return u'\f';
    case 'n': return u'\n';
    case 'r': return u'\r';
    case 't': return u'\t';
    case 'v': return u'\v';
    default: return 0;
    }
}

// Reads the escape after a backslash at `*pos`.
bool readEscape(std::string_view line, std::size_t* pos, std::u16string* out, std::string* error) {
    char c = line[*pos];
    ++*pos;
    if (char16_t letter = letterEscape(c)) {
        *out += letter;
    } else if (c == 'x' && *pos < line.size() && isHex(line[*pos])) {
        unsigned v = 0;
        for (int digits = 0; digits < 4 && *pos < line.size() && isHex(line[*pos]); ++digits)
            v = v * 16 + hexValue(line[(*pos)++]);
        *out += static_cast<char16_t>(v);
    } else if (isOctal(c)) {
        unsigned v = static_cast<unsigned>(c - '0');
        for (int digits = 1; digits < 3 && *pos < line.size() && isOctal(line[*pos]); ++digits)
            v = v * 8 + static_cast<unsigned>(line[(*pos)++] - '0');
        *out += static_cast<char16_t>(v);
    } else if (c == '\\' || c == '"' || c == '[' || c == ']') {
        *out += static_cast<char16_t>(c);
    } else {
        *error = std::string("bad escape \"\\") + c + "\"";
        return false;
    }
    return true;
}

std::string keyNameText(std::u16string_view units) {
    std::string out;
    std::size_t start = 0;
    // Wine skips empty names between doubled separators.
    while (start <= units.size()) {
        std::size_t end = units.find(u'\\', start);
        if (end == std::u16string_view::npos) end = units.size();
        if (end > start) {
            if (!out.empty()) out += '\\';
            out += utf16ToUtf8(units.substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

bool stringUnitsOf(const RegValue& v, std::u16string* units) {
    if (v.type != REG_SZ && v.type != REG_EXPAND_SZ && v.type != REG_MULTI_SZ) return false;
    const auto& d = v.data;
    if (d.size() < 2 || d.size() % 2 != 0 || d[d.size() - 2] != 0 || d[d.size() - 1] != 0)
        return false;
    for (std::size_t i = 0; i + 2 < d.size(); i += 2)
        *units += static_cast<char16_t>(d[i] | (d[i + 1] << 8));
    return true;
}

std::string formatHexData(const RegValue& v, std::string out) {
    out += v.type == REG_BINARY ? std::string("hex:") : "hex(" + hex(v.type, "%x") + "):";
    std::size_t count = out.size();
    for (std::size_t i = 0; i < v.data.size(); ++i) {
        out += hex(v.data[i], "%02x");
        count += 2;
        if (i + 1 < v.data.size()) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    return out + "\n";
}

// How the data after "=" is written, and the type each tag stands for.
enum class DataKind { String, Dword, Hex };
struct TypeTag {
    std::string_view tag;
    std::uint32_t type;
    DataKind kind;
};
constexpr TypeTag kTags[] = {
    {"\"", REG_SZ, DataKind::String},
    {"str:\"", REG_SZ, DataKind::String},
    {"str(2):\"", REG_EXPAND_SZ, DataKind::String},
    {"str(7):\"", REG_MULTI_SZ, DataKind::String},
    {"hex:", REG_BINARY, DataKind::Hex},
    {"dword:", REG_DWORD, DataKind::Dword},
};

bool readValueName(std::string_view line, std::size_t* pos, std::string* name,
                   std::string* error) {
    if (line[*pos] == '@') {
        ++*pos;
        name->clear();
    } else {
        ++*pos;
        std::u16string units;
        if (!readEscaped(line, pos, '"', &units, error)) return false;
        *name = utf16ToUtf8(units);
    }
    skipSpace(line, pos);
    if (*pos >= line.size() || line[*pos] != '=') {
        *error = "expected \"=\" after the value name";
        return false;
    }
    ++*pos;
    skipSpace(line, pos);
    return true;
}

bool readTypeTag(std::string_view line, std::size_t* pos, std::uint32_t* type, DataKind* kind,
                 std::string* error) {
    std::string_view rest = line.substr(*pos);
    for (const auto& t : kTags) {
        if (rest.substr(0, t.tag.size()) != t.tag) continue;
        *pos += t.tag.size();
        *type = t.type;
        *kind = t.kind;
        return true;
    }
    if (rest.substr(0, 4) == "hex(") {
        std::size_t p = 4;
        std::uint64_t v = 0;
        while (p < rest.size() && isHex(rest[p]) && v <= 0xFFFFFFFFULL) v = v * 16 + hexValue(rest[p++]);
        if (p > 4 && v <= 0xFFFFFFFFULL && rest.substr(p, 2) == "):") {
            *pos += p + 2;
            *type = static_cast<std::uint32_t>(v);
            *kind = DataKind::Hex;
            return true;
        }
    }
    *error = "unknown kind of value data";
    return false;
}

bool readStringData(std::string_view line, std::size_t pos, RegValue* v, std::string* error) {
    std::u16string units;
    if (!readEscaped(line, &pos, '"', &units, error)) return false;
    if (!onlySpaceFrom(line, pos)) {
        *error = "unexpected text after the closing quote";
        return false;
    }
    units += u'\0';
    for (char16_t u : units) {
        v->data.push_back(static_cast<std::uint8_t>(u & 0xFF));
        v->data.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return true;
}

bool readDwordData(std::string_view line, std::size_t pos, RegValue* v, std::string* error) {
    std::uint32_t value = 0;
    std::size_t digits = 0;
    for (; pos < line.size() && isHex(line[pos]) && digits < 9; ++pos, ++digits)
        value = value * 16 + hexValue(line[pos]);
    if (digits == 0 || digits > 8 || !onlySpaceFrom(line, pos)) {
        *error = "bad dword data";
        return false;
    }
    *v = RegValue::dword(std::move(v->name), value);
    return true;
}

// Reads comma-separated hex bytes from `line` at `*pos`.
bool readHexBytes(std::string_view line, std::size_t* pos, std::vector<std::uint8_t>* out) {
    while (*pos < line.size() && isHex(line[*pos])) {
        unsigned value = 0;
        while (*pos < line.size() && isHex(line[*pos])) {
            value = value * 16 + hexValue(line[(*pos)++]);
            if (value > 0xFF) return false;
        }
        out->push_back(static_cast<std::uint8_t>(value));
        skipSpace(line, pos);
        if (*pos < line.size() && line[*pos] == ',') ++*pos;
        skipSpace(line, pos);
    }
    return true;
}

bool readHexData(const std::vector<std::string_view>& lines, std::size_t* index, std::size_t pos,
                 RegValue* v, std::string* error) {
    std::string_view line = lines[*index];
    for (;;) {
        if (!readHexBytes(line, &pos, &v->data)) break;
        skipSpace(line, &pos);
        if (pos == line.size()) return true;
        if (line[pos] != '\\' || !onlySpaceFrom(line, pos + 1)) break;
        if (*index + 1 >= lines.size()) {
            *error = "hex data continues past the end of the file";
            return false;
        }
        line = lines[++*index];
        pos = 0;
        skipSpace(line, &pos);
    }
    *error = "bad hex data";
    return false;
}

}  // namespace

bool readEscaped(std::string_view line, std::size_t* pos, char end, std::u16string* out,
                 std::string* error) {
    while (*pos < line.size()) {
        char c = line[*pos];
        if (c == end) {
            ++*pos;
            return true;
        }
        if (c == '\\') {
            if (++*pos >= line.size()) break;
            if (!readEscape(line, pos, out, error)) return false;
            continue;
        }
        std::size_t start = *pos;
        while (*pos < line.size() && line[*pos] != end && line[*pos] != '\\') ++*pos;
        *out += utf8ToUtf16(std::string(line.substr(start, *pos - start)));
    }
    *error = end == '"' ? "unterminated string (no closing quote)"
                        : "unterminated key name (no closing \"]\")";
    return false;
}

std::string escape(std::u16string_view units, std::string_view specials) {
    static constexpr char kEscapes[] = ".......abtnvfr.............e....";
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char16_t c = units[i];
        bool hasNext = i + 1 < units.size();
        char16_t next = hasNext ? units[i + 1] : 0;
        if (c > 127) {
            bool nextIsHex = hasNext && next < 128 && isHex(static_cast<char>(next));
            out += "\\x" + hex(c, nextIsHex ? "%04x" : "%x");
        } else if (c < 32) {
            if (kEscapes[c] != '.')
                out += std::string("\\") + kEscapes[c];
            else
                out += "\\" + hex(c, hasNext && next >= '0' && next <= '7' ? "%03o" : "%o");
        } else {
            char ch = static_cast<char>(c);
            if (ch == '\\' || specials.find(ch) != std::string_view::npos) out += '\\';
            out += ch;
        }
    }
    return out;
}

bool parseKeyLine(std::string_view line, std::string* path, std::string* error) {
    std::size_t pos = 0;
    skipSpace(line, &pos);
    ++pos;  // the "["
    std::u16string units;
    if (!readEscaped(line, &pos, ']', &units, error)) return false;
    if (!units.empty() && units[0] == u'\\') {
        *error = "key path starts with a backslash";
        return false;
    }
    skipSpace(line, &pos);
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') ++pos;
    if (!onlySpaceFrom(line, pos)) {
        *error = "unexpected text after the key name";
        return false;
    }
    *path = keyNameText(units);
    return true;
}

std::string formatKeyLine(const std::string& path, std::uint64_t fileTime) {
    std::vector<std::string> names;
    splitKeyPath(path, &names);
    std::string out = "[";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) out += "\\\\";
        out += escape(utf8ToUtf16(names[i]), "[]");
    }
    auto seconds = static_cast<std::uint32_t>((fileTime - kTicks1601To1970) / kTicksPerSecond);
    return out + "] " + std::to_string(seconds) + "\n";
}

std::string formatTimeLine(std::uint64_t fileTime) {
    return "#time=" + hex(static_cast<std::uint32_t>(fileTime >> 32), "%x") +
           hex(static_cast<std::uint32_t>(fileTime & 0xFFFFFFFFU), "%08x") + "\n";
}

bool parseValue(const std::vector<std::string_view>& lines, std::size_t* index, RegValue* value,
                std::string* error) {
    std::string_view line = lines[*index];
    std::size_t pos = 0;
    skipSpace(line, &pos);
    *value = RegValue{};
    if (!readValueName(line, &pos, &value->name, error)) return false;
    DataKind kind = DataKind::Hex;
    if (!readTypeTag(line, &pos, &value->type, &kind, error)) return false;
    switch (kind) {
    case DataKind::String: return readStringData(line, pos, value, error);
    case DataKind::Dword: return readDwordData(line, pos, value, error);
    case DataKind::Hex: break;
    }
    return readHexData(lines, index, pos, value, error);
}

std::string formatValue(const RegValue& value) {
    std::string out = value.name.empty()
                          ? std::string("@=")
                          : "\"" + escape(utf8ToUtf16(value.name), "\"") + "\"=";
    std::u16string units;
    if (stringUnitsOf(value, &units)) {
        if (value.type != REG_SZ) out += "str(" + hex(value.type, "%x") + "):";
        return out + "\"" + escape(units, "\"") + "\"\n";
    }
    if (value.type == REG_DWORD && value.data.size() == 4)
        return out + "dword:" + hex(value.dwordValue(), "%08x") + "\n";
    return formatHexData(value, std::move(out));
}

}  // namespace platform::winereg
