#include "platform/AnsiText.h"

#include <cerrno>
#include <fstream>
#include <iconv.h>
#include <sstream>

#include "platform/AtomicFile.h"

namespace platform {

namespace {

// One iconv conversion; `onInvalid` gets the unconvertible input at `in`
// and says how many bytes to skip and what to emit instead.
template <typename OnInvalid>
std::string convert(const char* to, const char* from, const std::string& text, OnInvalid onInvalid) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out;
    out.reserve(text.size() * 2);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        std::size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, sizeof buffer - dstLeft);
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // EILSEQ or EINVAL (a sequence cut off at the end).
        auto [skip, replacement] = onInvalid(reinterpret_cast<const unsigned char*>(in), inLeft);
        out += replacement;
        in += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    return out;
}

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
std::size_t utf8Length(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

std::string utf8Of(unsigned code) {
    std::string s;
    s += static_cast<char>(0xC0 | (code >> 6));
    s += static_cast<char>(0x80 | (code & 0x3F));
    return s;
}

}  // namespace

// The five bytes CP1252 leaves undefined, which Windows maps to the control
// characters of the same number and back.
static bool isUndefinedInCp1252(unsigned code) {
    return code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D;
}

std::string toAnsi(const std::string& utf8) {
    return convert("CP1252", "UTF-8", utf8, [](const unsigned char* at, std::size_t left) {
        std::size_t n = utf8Length(*at);
        if (n == 2 && left >= 2 && at[0] == 0xC2 && isUndefinedInCp1252(at[1])) {
            return std::pair<std::size_t, std::string>(2, std::string(1, static_cast<char>(at[1])));
        }
        return std::pair<std::size_t, std::string>(n < left ? n : left, "?");
    });
}

std::string fromAnsi(const std::string& ansi) {
    return convert("UTF-8", "CP1252", ansi, [](const unsigned char* at, std::size_t) {
        return std::pair<std::size_t, std::string>(1, utf8Of(*at));
    });
}

bool appendAnsiLine(const std::string& hostPath, const std::string& line) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::app);
    if (!out) return false;
    out << toAnsi(line) << "\r\n";
    out.flush();
    return static_cast<bool>(out);
}

bool writeAnsiLines(const std::string& hostPath, const std::vector<std::string>& lines) {
    std::string contents;
    for (const auto& line : lines) contents += toAnsi(line) + "\r\n";
    return writeFileAtomically(hostPath, contents);
}

std::optional<std::vector<std::string>> readAnsiLines(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    const std::string text = s.str();
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = text.find('\n', start);
        if (lf == std::string::npos) {
            lines.push_back(fromAnsi(text.substr(start)));
            break;
        }
        std::size_t end = (lf > start && text[lf - 1] == '\r') ? lf - 1 : lf;
        lines.push_back(fromAnsi(text.substr(start, end - start)));
        start = lf + 1;
    }
    return lines;
}

}  // namespace platform
