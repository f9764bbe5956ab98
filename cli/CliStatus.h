#pragma once
// `tarnhold-cli status`: how the scheduled backups are doing, for the user
// and for their own monitoring. Exit 1 when it needs attention.

#include "platform/Services.h"

namespace cli {

int Status(platform::Services& services);

}  // namespace cli
