#include "platform/RegeditFile.h"

namespace platform::regedit {

namespace {

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned hexValue(char c) {
    if (c <= '9') return static_cast<unsigned>(c - '0');
    return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The text of the file as UTF-8, whichever of its two encodings it is in.
std::string decoded(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return utf16leToUtf8(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 2, bytes.size() - 2);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return bytes.substr(3);
    return bytes;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// A quoted text from `*pos` (just past the opening quote) to its closing
// quote, with the escapes the export writes: \\ \" \n \r \0.
bool readQuoted(std::string_view line, std::size_t* pos, std::string* out) {
    while (*pos < line.size()) {
        char c = line[(*pos)++];
        if (c == '"') return true;
        if (c != '\\') {
            *out += c;
            continue;
        }
        if (*pos >= line.size()) return false;
        char e = line[(*pos)++];
        switch (e) {
        case '\\': *out += '\\'; break;
        case '"': *out += '"'; break;
        case 'n': *out += '\n'; break;
        case 'r': *out += '\r'; break;
        case '0': *out += '\0'; break;
        default: return false;
        }
    }
    return false;
}

// Hex bytes "0a,00,ff" over continuation lines ending in "\"; `*index` is
// left on the last line used.
bool readHexBytes(const std::vector<std::string_view>& lines, std::size_t* index, std::string_view data,
                  std::vector<std::uint8_t>* out) {
    for (;;) {
        data = trimmed(data);
        bool continues = !data.empty() && data.back() == '\\';
        if (continues) data.remove_suffix(1);
        std::size_t pos = 0;
        while (pos < data.size()) {
            while (pos < data.size() && (data[pos] == ' ' || data[pos] == '\t')) ++pos;
            if (pos == data.size()) break;
            if (pos + 1 >= data.size() || !isHex(data[pos]) || !isHex(data[pos + 1])) return false;
            out->push_back(static_cast<std::uint8_t>(hexValue(data[pos]) * 16 + hexValue(data[pos + 1])));
            pos += 2;
            while (pos < data.size() && (data[pos] == ' ' || data[pos] == '\t')) ++pos;
            if (pos < data.size() && data[pos] != ',') return false;
            if (pos < data.size()) ++pos;
        }
        if (!continues) return true;
        if (*index + 1 >= lines.size()) return false;
        data = lines[++*index];
    }
}

bool readData(const std::vector<std::string_view>& lines, std::size_t* index, std::string_view data,
              RegValue* value, std::string* why) {
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 1;
        std::string text;
        if (!readQuoted(data, &pos, &text) || !trimmed(data.substr(pos)).empty()) {
            *why = "bad string data";
            return false;
        }
        *value = RegValue::string(std::move(value->name), REG_SZ, text);
        return true;
    }
    if (data.rfind("dword:", 0) == 0) {
        std::string_view digits = trimmed(data.substr(6));
        std::uint32_t v = 0;
        if (digits.empty() || digits.size() > 8) {
            *why = "bad dword data";
            return false;
        }
        for (char c : digits) {
            if (!isHex(c)) {
                *why = "bad dword data";
                return false;
            }
            v = v * 16 + hexValue(c);
        }
        *value = RegValue::dword(std::move(value->name), v);
        return true;
    }
    std::uint32_t type = REG_BINARY;
    std::size_t colon = 0;
    if (data.rfind("hex:", 0) == 0) {
        colon = 3;
    } else if (data.rfind("hex(", 0) == 0 && (colon = data.find("):")) != std::string_view::npos && colon > 4 &&
               colon <= 12) {
        type = 0;
        for (char c : data.substr(4, colon - 4)) {
            if (!isHex(c)) {
                *why = "bad value type";
                return false;
            }
            type = type * 16 + hexValue(c);
        }
        colon += 1;
    } else {
        *why = "unknown kind of value data";
        return false;
    }
    value->type = type;
    if (!readHexBytes(lines, index, data.substr(colon + 1), &value->data)) {
        *why = "bad hex data";
        return false;
    }
    return true;
}

}  // namespace

bool parse(const std::string& bytes, std::vector<Key>* keys, std::string* error) {
    const std::string text = decoded(bytes);
    const auto lines = splitLines(text);
    keys->clear();
    auto fail = [&](std::size_t i, const std::string& what) {
        *error = "line " + std::to_string(i + 1) + ": " + what;
        keys->clear();
        return false;
    };
    std::size_t i = 0;
    while (i < lines.size() && trimmed(lines[i]).empty()) ++i;
    if (i == lines.size() || trimmed(lines[i]) != kHeader)
        return fail(i, "not a registry file (no \"" + std::string(kHeader) + "\")");
    for (++i; i < lines.size(); ++i) {
        std::string_view line = trimmed(lines[i]);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3 || line[1] == '-') return fail(i, "bad key line");
            keys->push_back({std::string(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        if (keys->empty()) return fail(i, "a value before the first key");
        RegValue value;
        std::size_t pos = 1;
        if (line.front() == '"') {
            if (!readQuoted(line, &pos, &value.name)) return fail(i, "bad value name");
        } else if (line.front() != '@') {
            return fail(i, "not a key, a value or a comment");
        }
        std::string_view rest = trimmed(line.substr(pos));
        if (rest.empty() || rest.front() != '=') return fail(i, "expected \"=\" after the value name");
        rest = trimmed(rest.substr(1));
        if (rest == "-") continue;  // a deletion, which an export never holds
        std::string why;
        if (!readData(lines, &i, rest, &value, &why)) return fail(i, why);
        keys->back().values.push_back(std::move(value));
    }
    return true;
}

}  // namespace platform::regedit
