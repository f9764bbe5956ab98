#pragma once
// Joining and splitting host paths (the form files are opened with). Windows
// forms of paths are mapped by Environment::hostPath.

#include <string>

namespace platform {

#ifdef _WIN32
inline constexpr char kHostSeparator = '\\';
#else
inline constexpr char kHostSeparator = '/';
#endif

// folder + separator + name, without doubling a separator the folder ends with.
std::string joinHostPath(const std::string& folder, const std::string& name);
// The path up to and including its last separator ("/" or "\"); empty when none.
std::string folderPartWithSeparator(const std::string& path);
// The text after the last separator ("/" or "\").
std::string bareName(const std::string& path);

}  // namespace platform
