#pragma once
// The program's own text form of a registry key tree, carried inside backups:
// "\" key lines (relative to the exported key) and `"name"=<type>:data` value
// lines, CP1252 with CR LF, pre-order. Read back byte for byte from old backups.

#include <string>

#include "items/RegistryAccess.h"

namespace items {

// Writes the tree at the full key path `path` into `hostFile`, replacing it.
// False, with `error` saying why, when the path is ill-formed (after its
// message), a name or text is not in the code page (nothing is written), or
// the file cannot be written.
bool ExportRegistryTree(RegistryAccess& registry, const std::string& path, const std::string& hostFile,
                        std::string* error = nullptr);

// Replaces the tree at `path` with the one in `hostFile`. The whole file is
// read and checked first: a file that cannot be read, is truncated or
// ill-formed, or holds data out of range changes nothing and gives false,
// with `error` saying why.
bool ImportRegistryTree(RegistryAccess& registry, const std::string& path, const std::string& hostFile,
                        std::string* error = nullptr);

}  // namespace items
