#pragma once
// Joining and splitting host paths (the form files are opened with). Windows
// forms of paths are mapped by Environment::hostPath.

#include <string>
#include <string_view>

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

// "X:..." : a path in Windows form, mapped by Environment::hostPath where a
// file is touched.
bool isWindowsPath(const std::string& path);
// The path with every separator in its own form's kind: "\" in a Windows
// path, the host's in a host path. Texts shown, logged and stored use it.
std::string inOneForm(const std::string& path);
// folder + name with the separator of the folder's form (Windows or host),
// the folder in one form.
std::string joinPath(const std::string& folder, const std::string& name);
// How a Windows program in the prefix names a host file: Wine maps drive Z:
// to the host's root. Unchanged on Windows.
std::string prefixViewOf(const std::string& hostPath);
// A name that, joined to a folder, can only mean an entry directly in that
// folder, here and on Windows alike: not empty, not made of dots and blanks
// only ("." and ".." among them), no separator, colon (drive, stream) or
// control character, none of < > " | ? *, no trailing dot or blank (Windows
// drops them), and no device name (CON, NUL, COM1, LPT1 ... with or without
// an extension). Every name that comes from a backup passes through it.
bool IsPlainName(std::string_view name);
// The plain name nearest to `name`, for names this program makes from
// others: each forbidden character becomes "_", and so do trailing dots and
// blanks; a device name gets "_" after its stem; a name of nothing but dots
// and blanks becomes "_".
std::string NearestPlainName(std::string_view name);

}  // namespace platform
