// The export files of Wine's `reg export` / `regedit /e`: any bytes either
// read as keys with values or fail with a line-numbered reason and no keys.

#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/RegeditFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<platform::regedit::Key> keys;
    std::string error;
    if (!platform::regedit::parse(bytes, &keys, &error)) {
        FUZZ_CHECK(keys.empty(), error);
        FUZZ_CHECK(error.rfind("line ", 0) == 0, error);
        return 0;
    }
    for (const auto& key : keys) FUZZ_CHECK(!key.path.empty(), "a key without a path");
    return 0;
}
