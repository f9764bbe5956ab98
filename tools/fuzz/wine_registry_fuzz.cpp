// Wine's registry files: whatever parses is written back so that it parses
// to the same text again, and every value rewritten in Wine's own form
// reads back unchanged.

#include <functional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/WineRegistryFile.h"

namespace {

using platform::WineRegistryFile;

// Every key path of the file, parents first.
void collectKeys(const WineRegistryFile& file, const std::string& path, std::vector<std::string>* keys) {
    keys->push_back(path);
    for (const auto& name : file.subkeys(path)) collectKeys(file, path.empty() ? name : path + "\\" + name, keys);
}

std::string describe(const std::string& path, const std::string& text) {
    return "key \"" + path + "\" in:\n" + text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    WineRegistryFile first;
    first.setClock([] { return 133500000000000000ULL; });
    std::string error;
    if (!first.parse(input, &error)) return 0;
    const std::string written = first.text();

    WineRegistryFile second;
    FUZZ_CHECK(second.parse(written, &error), error + "\n" + written);
    FUZZ_CHECK(second.text() == written, written);

    std::vector<std::string> keys;
    collectKeys(first, "", &keys);
    for (const auto& key : keys)
        for (const auto& value : first.values(key)) first.setValue(key, value);
    const std::string rewritten = first.text();
    WineRegistryFile third;
    FUZZ_CHECK(third.parse(rewritten, &error), error + "\n" + rewritten);
    for (const auto& key : keys) {
        FUZZ_CHECK(third.keyExists(key), describe(key, rewritten));
        FUZZ_CHECK(third.values(key) == second.values(key), describe(key, rewritten));
    }
    return 0;
}
