#include "platform/AnsiText.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/FsPath.h"
#include "platform/Text.h"

namespace platform {

namespace {

constexpr unsigned kDefaultCodePage = 1252;

// The code page in use, with the bytes it leaves undefined: those stand for
// the control character of the same number, as Windows maps them both ways.
struct CodePage {
    unsigned number = kDefaultCodePage;
    std::array<bool, 256> undefined{};
};

std::shared_ptr<const CodePage> makeCodePage(unsigned number) {
    auto page = std::make_shared<CodePage>();
    page->number = number;
    for (unsigned b = 0x80; b < 0x100; ++b) {
        const std::string byte(1, static_cast<char>(b));
        page->undefined[b] = !DecodeFromCodePage(number, byte, [](const unsigned char*, std::size_t) {
                                  return Replacement{};
                              });
    }
    return page;
}

std::mutex pageMutex;
std::shared_ptr<const CodePage> currentPage;

std::shared_ptr<const CodePage> page() {
    std::lock_guard lock(pageMutex);
    if (!currentPage) currentPage = makeCodePage(kDefaultCodePage);
    return currentPage;
}

// A control character U+0080..U+009F goes back to its byte when the code
// page leaves that byte undefined.
Replacement undefinedByte(const CodePage& cp, const unsigned char* at, std::size_t left) {
    auto decoded = decodeUtf8At(at, left);
    if (decoded && decoded->first >= 0x80 && decoded->first < 0xA0 && cp.undefined[decoded->first])
        return std::pair{decoded->second, std::string(1, static_cast<char>(decoded->first))};
    return std::nullopt;
}

std::string marked(char32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "<U+%04X>", static_cast<unsigned>(c));
    return buf;
}

bool writeTo(const std::string& hostPath, const std::string& bytes) {
    std::ofstream out(fsPath(hostPath), std::ios::binary | std::ios::app);
    if (!out) return false;
    out << bytes << "\r\n";
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace

void SetAnsiCodePage(unsigned codePage) {
    if (!CodePageKnown(codePage)) codePage = kDefaultCodePage;
    auto fresh = makeCodePage(codePage);
    std::lock_guard lock(pageMutex);
    currentPage = std::move(fresh);
}

unsigned AnsiCodePage() { return page()->number; }

std::optional<std::string> toAnsiExact(const std::string& utf8) {
    auto cp = page();
    return EncodeToCodePage(cp->number, utf8,
                            [&](const unsigned char* at, std::size_t left) { return undefinedByte(*cp, at, left); });
}

bool fitsAnsi(const std::string& utf8) { return toAnsiExact(utf8).has_value(); }

std::string toAnsi(const std::string& utf8) {
    auto cp = page();
    auto out = EncodeToCodePage(cp->number, utf8, [&](const unsigned char* at, std::size_t left) {
        if (auto byte = undefinedByte(*cp, at, left)) return byte;
        if (auto decoded = decodeUtf8At(at, left)) return Replacement{std::pair{decoded->second, marked(decoded->first)}};
        return Replacement{std::pair{std::size_t{1}, std::string("?")}};
    });
    return out.value_or(utf8);
}

std::string fromAnsi(const std::string& ansi) {
    auto cp = page();
    auto out = DecodeFromCodePage(cp->number, ansi, [](const unsigned char* at, std::size_t) {
        const unsigned code = *at;
        std::string s{static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
        return Replacement{std::pair{std::size_t{1}, std::move(s)}};
    });
    return out.value_or(ansi);
}

bool appendAnsiLine(const std::string& hostPath, const std::string& line) {
    return writeTo(hostPath, toAnsi(line));
}

bool appendAnsiLineExact(const std::string& hostPath, const std::string& line) {
    auto bytes = toAnsiExact(line);
    return bytes && writeTo(hostPath, *bytes);
}

bool writeAnsiLines(const std::string& hostPath, const std::vector<std::string>& lines) {
    std::string contents;
    for (const auto& line : lines) {
        auto bytes = toAnsiExact(line);
        if (!bytes) return false;
        contents += *bytes + "\r\n";
    }
    return writeFileAtomically(hostPath, contents);
}

std::optional<std::vector<std::string>> readAnsiLines(const std::string& hostPath) {
    std::ifstream in(fsPath(hostPath), std::ios::binary);
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
