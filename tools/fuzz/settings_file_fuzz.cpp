// settings.dat: a section, key and value taken from the input, the rest is
// the file. Reading never fails on any file; a value written into a file
// reads back as stored (cut and trimmed) whenever the names fit the format.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "FuzzSupport.h"
#include "config/SettingsFile.h"
#include "platform/AnsiText.h"
#include "platform/Text.h"

namespace {

using platform::trimBlanks;

// One line of text: the file holds no line break or NUL inside a name or value.
bool singleLine(const std::string& s) { return s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos; }

// Names the file's own syntax can hold: trimmed, one line, no "=" in a key,
// no "]" in a section, and a key that does not read as a section line.
bool writable(const std::string& section, const std::string& key, const std::string& value) {
    if (section.empty() || key.empty() || trimBlanks(section) != section || trimBlanks(key) != key) return false;
    // Each on its own: bytes of two texts can join into a character neither holds.
    for (const auto* text : {&section, &key, &value}) {
        if (!singleLine(*text) || !platform::fitsAnsi(*text)) return false;
    }
    return section.find(']') == std::string::npos && key.find('=') == std::string::npos && key.front() != '[';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(64);
    const std::string key = input.ConsumeRandomLengthString(64);
    const std::string value = input.ConsumeRandomLengthString(300);
    const auto file = (fuzz::Scratch() / "settings.dat").string();
    fuzz::WriteBytes(file, input.ConsumeRemainingBytesAsString());

    config::ReadSetting(file, section, key);
    config::WriteSetting(file, section, key, value);
    const std::string read = config::ReadSetting(file, section, key);
    if (!writable(section, key, value)) return 0;
    const std::string stored = platform::leftCharacters(value, config::kSettingWriteLimit);
    const std::string expected = platform::leftCharacters(trimBlanks(stored), config::kSettingReadLimit);
    FUZZ_CHECK(read == expected, "[" + section + "] " + key + ": read \"" + read + "\", wrote \"" + value + "\"");
    return 0;
}
