#pragma once
// The checks an export makes of its target folder before it writes
// anything: it adds to a folder only when asked, never overwrites a file,
// never writes into the mail client's own store, and does not start
// without the room it needs.

#include <string>

#include "mailexport/ExportLayout.h"

namespace session { class MainSession; }

namespace mailexport {

// The host folder of the mail client's store on this machine, found without
// a word when no client is installed (empty then): a move to another mail
// program often runs where the client is gone.
std::string ClientStoreFolder(session::MainSession& session);

// Empty text when `target` may be exported into: a folder that does not
// exist yet (it will be made), an empty one, or with `intoExisting` any
// folder; never one inside `clientStore` (host path, "" for none), nor the
// store itself or a folder holding it.
std::string CheckTarget(const std::string& target, bool intoExisting, const std::string& clientStore);

// Empty text when no file or folder of the plan exists yet below `target`
// (a folder may be there already when the plan makes a folder there).
std::string CheckNothingOverwritten(const ExportLayout& layout, Format format, const std::string& target);

// What the export will take on disk: its bytes, each file rounded up to
// the file system's blocks, and each mbox separator line.
std::uint64_t SpaceNeeded(const ExportLayout& layout, Format format);
// Empty text when the target's file system has that room free.
std::string CheckFreeSpace(const ExportLayout& layout, Format format, const std::string& target);

}  // namespace mailexport
