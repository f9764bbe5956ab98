#pragma once
// What the prefix's own registry says about the user and the system it
// emulates: where the user's profile folder is, and which ANSI code page its
// programs use.

#include <string>

#include "platform/Registry.h"

namespace platform {

// Wine gives the prefix's only user this SID.
inline constexpr const char* kWineUserSid = "S-1-5-21-0-0-0-1000";

// USERPROFILE as Wine sets it: `fromEnvironment` when not empty, else the
// value "USERPROFILE" of HKCU\Volatile Environment, else "ProfileImagePath"
// of the user's entry in the profile list, else "C:\users\" + `userVariable`
// ($USER, after which Wine names the profile folder), else + `loginName`.
std::string ResolveUserProfile(Registry& registry, const std::string& fromEnvironment,
                               const std::string& userVariable, const std::string& loginName);

// The value "ACP" of HKLM\System\CurrentControlSet\Control\Nls\CodePage;
// 1252 when it is absent or not a number.
unsigned ReadAnsiCodePage(Registry& registry);

}  // namespace platform
