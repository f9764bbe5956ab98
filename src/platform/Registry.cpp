#include "platform/Registry.h"

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `pos`, advancing it; malformed bytes give
// U+FFFD one byte at a time.
char32_t decodeUtf8(const std::string& s, std::size_t& pos) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int extra = lead > 0xF4 ? -1 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (extra < 0) {
        ++pos;
        return kReplacement;
    }
    char32_t c = lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        if (pos + i >= s.size() || (byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        c = (c << 6) | (byte(pos + i) & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += extra + 1;
    return c;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Lower case for ASCII, Latin-1 and Latin Extended-A letters.
char32_t foldChar(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c < 0x100 || c > 0x17F) return c;
    if (c == 0x130) return 'i';
    if (c == 0x178) return 0xFF;
    bool oddIsUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    bool evenIsUpper = c <= 0x137 || (c >= 0x14A && c <= 0x177);
    if (oddIsUpper) return (c & 1) ? c + 1 : c;
    if (evenIsUpper) return (c & 1) ? c : c + 1;
    return c;
}

std::vector<std::uint8_t> unitsToBytes(std::u16string_view units) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t u : units) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

std::u16string bytesToUnits(const std::uint8_t* data, std::size_t bytes) {
    std::u16string units;
    units.reserve(bytes / 2);
    for (std::size_t i = 0; i + 1 < bytes; i += 2)
        units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    return units;
}

}  // namespace

std::u16string utf8ToUtf16(const std::string& utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t c = decodeUtf8(utf8, pos);
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 | (c >> 10));
            out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::vector<std::uint8_t> utf8ToUtf16le(const std::string& utf8) {
    return unitsToBytes(utf8ToUtf16(utf8));
}

std::string utf16leToUtf8(const std::uint8_t* data, std::size_t bytes) {
    return utf16ToUtf8(bytesToUnits(data, bytes));
}

std::string foldName(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t pos = 0; pos < name.size();) {
        auto b = static_cast<unsigned char>(name[pos]);
        if (b < 0x80) {
            out += static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
            ++pos;
        } else {
            appendUtf8(out, foldChar(decodeUtf8(name, pos)));
        }
    }
    return out;
}

bool namesEqual(const std::string& a, const std::string& b) {
    return foldName(a) == foldName(b);
}

bool nameLess(const std::string& a, const std::string& b) { return foldName(a) < foldName(b); }

bool splitKeyPath(const std::string& path, std::vector<std::string>* names) {
    names->clear();
    if (path.empty()) return true;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = path.find('\\', start);
        std::string name = path.substr(start, end == std::string::npos ? end : end - start);
        if (name.empty()) return false;
        names->push_back(std::move(name));
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

RegValue RegValue::string(std::string name, std::uint32_t type, const std::string& utf8,
                          bool terminated) {
    RegValue v;
    v.name = std::move(name);
    v.type = type;
    v.data = utf8ToUtf16le(utf8);
    if (terminated) v.data.insert(v.data.end(), {0, 0});
    return v;
}

RegValue RegValue::dword(std::string name, std::uint32_t value) {
    RegValue v;
    v.name = std::move(name);
    v.type = REG_DWORD;
    for (int shift = 0; shift < 32; shift += 8)
        v.data.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    return v;
}

RegValue RegValue::binary(std::string name, std::vector<std::uint8_t> bytes, std::uint32_t type) {
    RegValue v;
    v.name = std::move(name);
    v.type = type;
    v.data = std::move(bytes);
    return v;
}

std::string RegValue::text() const {
    std::u16string units = bytesToUnits(data.data(), data.size());
    std::size_t zero = units.find(u'\0');
    if (zero != std::u16string::npos) units.resize(zero);
    return utf16ToUtf8(units);
}

std::uint32_t RegValue::dwordValue() const {
    if (data.size() != 4) return 0;
    return static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
           (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
}

RegValue asStoredByTheApi(RegValue value) {
    const bool isString = value.type == REG_SZ || value.type == REG_EXPAND_SZ;
    const auto& d = value.data;
    const bool unterminated = d.size() >= 2 && (d[d.size() - 2] != 0 || d[d.size() - 1] != 0);
    if (isString && unterminated) value.data.insert(value.data.end(), {0, 0});
    return value;
}

bool operator==(const RegValue& a, const RegValue& b) {
    return a.name == b.name && a.type == b.type && a.data == b.data;
}

}  // namespace platform
