#include "platform/CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace platform {

namespace {

// iconv knows the Windows and DOS code pages as "CP<number>"; the ISO and
// other standard sets Windows numbers apart only under their own names.
std::string iconvName(unsigned codePage) {
    if (codePage >= 28591 && codePage <= 28606) return "ISO-8859-" + std::to_string(codePage - 28590);
    switch (codePage) {
        case 10000: return "MACINTOSH";
        case 20866: return "KOI8-R";
        case 21866: return "KOI8-U";
        case 50220: return "ISO-2022-JP";
        case 51932: return "EUC-JP";
        case 51949: return "EUC-KR";
        case 54936: return "GB18030";
        default: return "CP" + std::to_string(codePage);
    }
}

// One iconv conversion; input it cannot take goes to `onInvalid`.
std::optional<std::string> convert(const std::string& to, const std::string& from, const std::string& text,
                                   const OnInvalid& onInvalid) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
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
        auto instead = onInvalid(reinterpret_cast<const unsigned char*>(in), inLeft);
        if (!instead) {
            iconv_close(cd);
            return std::nullopt;
        }
        out += instead->second;
        in += instead->first;
        inLeft -= instead->first;
    }
    iconv_close(cd);
    return out;
}

}  // namespace

bool CodePageKnown(unsigned codePage) {
    iconv_t cd = iconv_open("UTF-8", iconvName(codePage).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(cd);
    return true;
}

std::optional<std::string> EncodeToCodePage(unsigned codePage, const std::string& utf8, const OnInvalid& onInvalid) {
    return convert(iconvName(codePage), "UTF-8", utf8, onInvalid);
}

std::optional<std::string> DecodeFromCodePage(unsigned codePage, const std::string& bytes, const OnInvalid& onInvalid) {
    return convert("UTF-8", iconvName(codePage), bytes, onInvalid);
}

}  // namespace platform
