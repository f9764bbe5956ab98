// Member names read from a backup: a name judged safe, joined to the folder
// it is unpacked into and normalized, stays inside that folder, whether "\"
// is a separator (Windows) or not (POSIX). The file and folder names a
// restore derives from a member are single plain names, and member lists
// split the same after being joined again.

#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "backup/ZipNames.h"
#include "items/MemberNames.h"
#include "platform/Text.h"

namespace {

namespace fs = std::filesystem;

const fs::path kFolder = "/restore/target";

bool staysInside(const std::string& name) {
    const fs::path joined = (kFolder / name).lexically_normal();
    const fs::path relative = joined.lexically_relative(kFolder);
    return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // Archive member names arrive as C strings; a list from the record may hold anything.
    const std::string name = platform::cutAtNul(bytes);
    if (backup::IsSafeMemberName(name)) {
        FUZZ_CHECK(staysInside(name), name);
        FUZZ_CHECK(staysInside(platform::replaceAll(name, "\\", "/")), name);
    }
    // What a restore derives from a member is one plain name below its folder.
    for (const auto& derived : {items::MemberFileName(name), items::MemberFolderName(name)}) {
        if (!derived) continue;
        FUZZ_CHECK(backup::IsSafeMemberName(*derived), name);
        FUZZ_CHECK(derived->find_first_of("/\\") == std::string::npos && *derived != "." && *derived != "..", name);
        FUZZ_CHECK(staysInside(*derived), name);
    }

    const auto names = items::SplitMembers(bytes);
    FUZZ_CHECK(items::SplitMembers(items::JoinMembers(names)) == names, bytes);
    return 0;
}
