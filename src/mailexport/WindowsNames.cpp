#include "mailexport/WindowsNames.h"

#include <algorithm>

#include "platform/HostPath.h"
#include "platform/Text.h"

namespace mailexport {

namespace {

std::size_t unitsOfSequence(std::size_t bytes) { return bytes == 4 ? 2 : 1; }

// Bytes of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = std::min(sequenceLength(static_cast<unsigned char>(utf8[at])), utf8.size() - at);
        units += unitsOfSequence(length);
        at += length;
    }
    return units;
}

std::string CutName(std::string_view name, std::size_t units, std::string_view ending) {
    const std::size_t endingUnits = Utf16Length(ending);
    if (Utf16Length(name) + endingUnits <= units) return std::string(name) + std::string(ending);
    const std::size_t room = units > endingUnits ? units - endingUnits : 0;
    std::size_t at = 0, used = 0;
    while (at < name.size()) {
        const std::size_t length = std::min(sequenceLength(static_cast<unsigned char>(name[at])), name.size() - at);
        if (used + unitsOfSequence(length) > room) break;
        used += unitsOfSequence(length);
        at += length;
    }
    return std::string(name.substr(0, at)) + std::string(ending);
}

bool SiblingNames::free(const std::string& name) const {
    const std::string lower = platform::toLowerAscii(name);
    if (taken_.count(lower)) return false;
    return std::none_of(companions_.begin(), companions_.end(),
                        [&](const std::string& c) { return taken_.count(lower + c) > 0; });
}

void SiblingNames::take(const std::string& name) {
    const std::string lower = platform::toLowerAscii(name);
    taken_.insert(lower);
    for (const auto& c : companions_) taken_.insert(lower + c);
}

std::optional<std::string> SiblingNames::give(std::string_view wanted, std::size_t units, std::string_view ending) {
    units = std::min(units, kMaxName);
    if (units < kShortestName) return std::nullopt;
    std::string stem = platform::NearestPlainName(wanted);
    if (!ending.empty() && platform::endsWith(platform::toLowerAscii(stem), platform::toLowerAscii(ending))) {
        stem.resize(stem.size() - ending.size());
    }
    for (unsigned n = 1;; ++n) {
        const std::string number = n == 1 ? std::string() : " (" + std::to_string(n) + ")";
        // The number goes before the ending and is never cut off.
        std::string name = CutName(stem, units - std::min(units, Utf16Length(number) + Utf16Length(ending)));
        name = platform::NearestPlainName(name + number + std::string(ending));
        if (free(name)) {
            take(name);
            return name;
        }
    }
}

}  // namespace mailexport
