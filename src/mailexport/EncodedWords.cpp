#include "mailexport/EncodedWords.h"

#include <optional>

#include "mailexport/Charsets.h"
#include "platform/Text.h"

namespace mailexport {

namespace {

struct EncodedWord {
    std::string charset;  // without an RFC 2231 language
    std::string bytes;    // decoded, still in the charset
    std::size_t end = 0;  // just past "?="
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string decodeQ(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '=' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                            hexValue(text[i + 2]) >= 0;
        if (escape) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i] == '_' ? ' ' : text[i];
        }
    }
    return out;
}

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Lenient, as mail programs are: what is no base64 letter is passed over.
std::string decodeB(std::string_view text) {
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        const int v = base64Value(c);
        if (v < 0) continue;
        buffer = (buffer << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

// The encoded word "=?charset?B|Q?text?=" at `at`, or nothing.
std::optional<EncodedWord> encodedWordAt(std::string_view raw, std::size_t at) {
    if (raw.substr(at, 2) != "=?") return std::nullopt;
    const std::size_t charsetEnd = raw.find('?', at + 2);
    if (charsetEnd == std::string_view::npos || charsetEnd + 2 >= raw.size() || raw[charsetEnd + 2] != '?') {
        return std::nullopt;
    }
    const char encoding = static_cast<char>(raw[charsetEnd + 1] | 0x20);
    const std::size_t textAt = charsetEnd + 3;
    const std::size_t textEnd = raw.find("?=", textAt);
    if (textEnd == std::string_view::npos || (encoding != 'b' && encoding != 'q')) return std::nullopt;
    const std::string_view text = raw.substr(textAt, textEnd - textAt);
    if (text.find_first_of(" \t") != std::string_view::npos) return std::nullopt;
    std::string_view charset = raw.substr(at + 2, charsetEnd - at - 2);
    charset = charset.substr(0, charset.find('*'));
    if (charset.empty()) return std::nullopt;
    return EncodedWord{platform::toLowerAscii(charset), encoding == 'b' ? decodeB(text) : decodeQ(text), textEnd + 2};
}

bool onlyBlanks(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

class Decoder {
public:
    Decoder(std::string_view raw, std::string_view messageCharset) : raw_(raw), fallback_(messageCharset) {}

    std::string run() {
        std::size_t plainFrom = 0;
        for (std::size_t at = raw_.find("=?"); at != std::string_view::npos; at = raw_.find("=?", at)) {
            auto word = encodedWordAt(raw_, at);
            if (!word) {
                at += 2;
                continue;
            }
            const std::string_view between = raw_.substr(plainFrom, at - plainFrom);
            // Blanks between two encoded words are no part of the text.
            if (!(pendingWord_ && onlyBlanks(between))) takePlain(between);
            const std::size_t end = word->end;
            takeWord(std::move(*word), raw_.substr(at, end - at));
            plainFrom = at = end;
        }
        takePlain(raw_.substr(plainFrom));
        return std::move(out_);
    }

private:
    void takeWord(EncodedWord word, std::string_view asWritten) {
        if (pendingWord_ && pendingCharset_ != word.charset) flushWord();
        if (!CharsetToUtf8(word.charset, "")) {
            flushWord();
            out_ += EightBitToUtf8(asWritten, fallback_);
            return;
        }
        pendingCharset_ = word.charset;
        pendingBytes_ += word.bytes;
        pendingWord_ = true;
    }

    void takePlain(std::string_view text) {
        flushWord();
        out_ += EightBitToUtf8(text, fallback_);
    }

    void flushWord() {
        if (!pendingWord_) return;
        out_ += CharsetToUtf8(pendingCharset_, pendingBytes_).value_or("");
        pendingBytes_.clear();
        pendingWord_ = false;
    }

    std::string_view raw_;
    std::string_view fallback_;
    std::string out_;
    bool pendingWord_ = false;
    std::string pendingCharset_;
    std::string pendingBytes_;
};

}  // namespace

std::string DecodeHeaderText(std::string_view raw, std::string_view messageCharset) {
    return Decoder(raw, messageCharset).run();
}

}  // namespace mailexport
