#pragma once
// Taking members out of the backup being restored (Zip1). A member lands
// only under a name MemberFileName allows, and only in a folder its item
// chose: the item's own folder, or this run's private scratch folder.

#include <optional>
#include <string>

#include "items/ItemContext.h"

namespace items {

// This run's private folder inside its own folder, made on first use:
// folder archives being made, and members on their way to their places.
// Empty text when it cannot be made.
std::string ScratchFolder(ItemContext& ctx);
// Removes the scratch folder with everything in it.
void RemoveScratchFolder(ItemContext& ctx);

// Extracts a member into the scratch folder: its host path, or nothing
// (the item fails, ctx.failure says why).
std::optional<std::string> ExtractToScratch(ItemContext& ctx, const std::string& member);

// Extracts a plain-file member into a host folder under its own name.
bool ExtractPlainMember(ItemContext& ctx, const std::string& member, const std::string& hostFolder);

}  // namespace items
