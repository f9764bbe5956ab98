#pragma once
// The program's own text form of a registry key tree, carried inside backups:
// "\" key lines (relative to the exported key) and `"name"=<type>:data` value
// lines, CP1252 with CR LF, pre-order. Read back byte for byte from old backups.

#include <string>

#include "items/RegistryAccess.h"

namespace items {

// Writes the tree at the full key path `path` into `hostFile`, replacing it.
// False when the path is ill-formed (after its message) or the file cannot be written.
bool ExportRegistryTree(RegistryAccess& registry, const std::string& path, const std::string& hostFile);

// Replaces the tree at `path` with the one in `hostFile`. The whole file is
// read and checked first: a file that cannot be read, is truncated or
// ill-formed, or holds data out of range changes nothing and gives false.
bool ImportRegistryTree(RegistryAccess& registry, const std::string& path, const std::string& hostFile);

}  // namespace items
