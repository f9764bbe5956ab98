#pragma once
// The registry files that Wine's `reg export` and `regedit /e` write:
// "Windows Registry Editor Version 5.00", UTF-16LE with a byte-order mark,
// "[HKEY_...\path]" key lines and "name"=data value lines. Read into the
// program's registry model, so a registry that Wine holds live can be read
// exactly like the files on disk.

#include <string>
#include <vector>

#include "platform/Registry.h"

namespace platform::regedit {

inline constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

struct Key {
    std::string path;  // as written, the hive name first: "HKEY_CURRENT_USER\Software\..."
    std::vector<RegValue> values;
};

// Reads a whole file (UTF-16LE with its byte-order mark, or UTF-8). Strings
// get the terminating zero the registry stores with them. False, with
// `error` like "line 12: bad hex data", when the text is not such a file.
bool parse(const std::string& bytes, std::vector<Key>* keys, std::string* error);

}  // namespace platform::regedit
