#pragma once
// A folder archive is restored by unpacking it beside its target into a
// hidden folder ".<name>.restore-XXXXXX" and swapping that in. Where the file
// system cannot swap in one step, the old folder stands aside for a moment as
// ".<name>.restore-XXXXXX.old". A run killed meanwhile leaves these behind;
// the next run puts them right, and no backup ever packs them.

#include <string>

#include "items/ItemContext.h"

namespace items {

// ".<name>.restore-": the stem of the folder `name` is unpacked into.
std::string RestoreStagingStem(const std::string& name);
// Where the old folder stands aside while `staging` takes its place.
std::string StandAsideName(const std::string& staging);
// Either kind of hidden restore folder.
bool IsRestoreLeftover(const std::string& name);

// In every folder that folder archives are restored into: a folder whose
// old contents were left standing aside gets them back, then every hidden
// restore folder goes. Only for a run that holds the program folder.
void RecoverInterruptedRestores(const ItemContext& ctx);

}  // namespace items
