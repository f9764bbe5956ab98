#pragma once
// Where things are: the Wine prefix, the program folder, the user profile,
// and the machine's names. One object, made once at start from the process
// environment (or by a test from explicit values).

#include <string>

namespace platform {

struct Environment {
    std::string winePrefix;     // host folder of the prefix
    std::string programFolder;  // host folder for settings, log and staging files
    std::string executableFolder; // host folder of the running program
    std::string resourceFolder; // host folder holding help/ and skins/, see fromProcess
    std::string userProfile;    // Windows form, e.g. C:\users\bob; see ResolveUserProfile
    std::string computerName;
    std::string userName;

    // Reads TARNHOLD_HOME, USERPROFILE (empty when not set), on Linux
    // WINEPREFIX, and the machine's names. `executableFolder` is the folder
    // of the running program. On Linux help and skins are found beside it
    // when it holds help/ (a build tree), else in
    // <executableFolder>/../share/tarnhold (an installation), and the program
    // folder is TARNHOLD_HOME, else the executable's folder when it holds
    // help/ and can be written, else $XDG_DATA_HOME/tarnhold. On Windows both
    // are beside the executable, the program folder unless that cannot be
    // written, when it is %LOCALAPPDATA%\tarnhold.
    static Environment fromProcess(const std::string& executableFolder);
    // The running program's executable, and its folder.
    static std::string runningExecutable();
    static std::string runningExecutableFolder();

    // A path as the log names it: Windows forms in one form, host paths absolute.
    std::string fullPath(const std::string& path) const;
    // A Windows path as a host path (on Windows the path itself):
    // "X:\a\b" -> <prefix>/dosdevices/x:/a/b (falling back to
    // <prefix>/drive_c for C:), "\" -> "/". Names are matched as Wine
    // matches them, without regard to case, when they do not exist as
    // written. A path with no drive is taken as a host path already and
    // returned with "\" turned to "/".
    std::string hostPath(const std::string& windowsPath) const;
    // The program folder joined with a file name.
    std::string programFile(const std::string& name) const;
};

}  // namespace platform
