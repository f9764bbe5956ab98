// The Windows installer that scripts/package-windows makes, run under Wine as
// an administrator's silent installation would run: where it puts the
// programs, the shortcut and the uninstall record; the installed program
// backing up from Program Files; and the uninstaller taking away exactly
// what the installer brought, leaving the user's settings, log and backups.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <sstream>
#include <thread>

#include "wine/WinePrefixCopy.h"

using testing_support::namesIn;
using testing_support::readFile;
using testing_support::runCommand;
using testing_support::shellQuote;
using testing_support::writeFile;
using wine_support::WinePrefixCopy;
namespace fs = std::filesystem;

namespace {

const std::string kProduct = "Zorva Windows Live Mail Backup";
const std::string kRunValue = "Zorva Windows Live Mail Backup";
const std::string kUninstallKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\tarnhold";
const std::string kDefaultFolder = "C:\\Program Files\\" + kProduct;

std::string setupMissing() {
    const std::string setup = TARNHOLD_WINDOWS_SETUP;
    if (setup.empty()) return "the Windows build was not configured (scripts/test builds it first)";
    if (!fs::exists(setup)) return setup + " is not made (scripts/package-windows makes it)";
    return {};
}

#define SKIP_WITHOUT_INSTALLER()                                   \
    SKIP_WITHOUT_WINE();                                           \
    if (const std::string why = setupMissing(); !why.empty()) {    \
        GTEST_SKIP() << why;                                       \
    }

// A C:\ path of the prefix on the host.
fs::path onDriveC(const WinePrefixCopy& p, const std::string& windowsPath) {
    std::string rest = windowsPath.substr(3);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    return p.prefix() / "drive_c" / rest;
}

fs::path shortcut(const WinePrefixCopy& p) {
    return p.prefix() / "drive_c" / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs" /
           (kProduct + ".lnk");
}

// The values of the uninstall key as `reg query` shows them: name -> "TYPE data".
// Empty when the key does not exist.
std::map<std::string, std::string> uninstallValues(const WinePrefixCopy& p) {
    std::string out;
    std::map<std::string, std::string> values;
    if (p.wine("reg query " + shellQuote(kUninstallKey), &out) != 0) return values;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t type = line.find("    REG_");
        if (line.rfind("    ", 0) != 0 || type == std::string::npos) continue;
        const std::size_t data = line.find("    ", type + 4);
        values[line.substr(4, type - 4)] =
            line.substr(type + 4, data - type - 4) + (data == std::string::npos ? "" : " " + line.substr(data + 4));
    }
    return values;
}

int install(const WinePrefixCopy& p, const std::string& extraWords, std::string* out) {
    return p.wine(shellQuote(TARNHOLD_WINDOWS_SETUP) + " /S" + extraWords, out);
}

// An NSIS uninstaller copies itself to the temporary folder, starts the copy
// and ends at once; the copy does the work. The server goes when it has ended.
void uninstallAndWait(const WinePrefixCopy& p, const std::string& commandLine, const fs::path& uninstaller) {
    std::string out;
    ASSERT_EQ(p.wine(commandLine, &out), 0) << out;
    for (int i = 0; i < 600 && fs::exists(uninstaller); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    p.waitForWine();
}

void expectInstalledInto(const WinePrefixCopy& p, const std::string& folder) {
    const fs::path dir = onDriveC(p, folder);
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    EXPECT_EQ(namesIn(dir),
              (std::vector<std::string>{"help", "skins", "tarnhold-cli.exe", "tarnhold.exe", "uninstall.exe"}));
    // The help and skin are the build's own, file for file.
    const fs::path built = TARNHOLD_WINDOWS_PROGRAMS;
    EXPECT_EQ(wine_support::filesBelow(dir / "help"), wine_support::filesBelow(built / "help"));
    EXPECT_EQ(wine_support::filesBelow(dir / "skins"), wine_support::filesBelow(built / "skins"));
    EXPECT_FALSE(wine_support::filesBelow(dir / "help").empty());

    const std::map<std::string, std::string> values = uninstallValues(p);
    const std::map<std::string, std::string> expected{
        {"DisplayName", "REG_SZ " + kProduct},
        {"DisplayVersion", std::string("REG_SZ ") + TARNHOLD_VERSION},
        {"Publisher", "REG_SZ Zorva"},
        {"InstallLocation", "REG_SZ " + folder},
        {"UninstallString", "REG_SZ \"" + folder + "\\uninstall.exe\""},
        {"QuietUninstallString", "REG_SZ \"" + folder + "\\uninstall.exe\" /S"},
        {"NoModify", "REG_DWORD 0x1"},
        {"NoRepair", "REG_DWORD 0x1"},
        {"DisplayIcon", "REG_SZ " + folder + "\\tarnhold.exe"},
    };
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(values.count(name) ? values.at(name) : "<absent>", value) << name;
    }

    // The shortcut names the installed program (a .lnk keeps the target's
    // path as text among its binary records).
    ASSERT_TRUE(fs::exists(shortcut(p)));
    EXPECT_NE(readFile(shortcut(p)).find(folder + "\\tarnhold.exe"), std::string::npos);
}

void expectNothingInstalledLeft(const WinePrefixCopy& p, const std::string& folder) {
    const fs::path dir = onDriveC(p, folder);
    for (const char* name : {"tarnhold.exe", "tarnhold-cli.exe", "uninstall.exe", "help", "skins"}) {
        EXPECT_FALSE(fs::exists(dir / name)) << name;
    }
    EXPECT_FALSE(fs::exists(shortcut(p)));
    EXPECT_TRUE(fs::exists(shortcut(p).parent_path()));
    EXPECT_EQ(uninstallValues(p).size(), 0u);
    std::string out;
    EXPECT_NE(p.wine("reg query " + shellQuote(kUninstallKey), &out), 0) << out;
}

}  // namespace

// Under Wine, Program Files can be written, so the installed program keeps
// its settings and log beside itself, as on a system that allows it.
TEST(WindowsInstaller, InstallsSilentlyBacksUpFromProgramFilesAndUninstallsLeavingTheUsersFiles) {
    SKIP_WITHOUT_INSTALLER();
    WinePrefixCopy p;
    std::string out;
    ASSERT_EQ(install(p, "", &out), 0) << out;
    expectInstalledInto(p, kDefaultFolder);

    const fs::path dir = onDriveC(p, kDefaultFolder);
    writeFile(dir / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    const fs::path backup = p.file("alice.wlm");
    // No TARNHOLD_HOME: the program folder is the one it was installed into.
    const std::string line = "sf=alicexm=11111111111ps=bf=" + WinePrefixCopy::windowsPath(backup);
    ASSERT_EQ(p.wineTool("env -u TARNHOLD_HOME wine", shellQuote(kDefaultFolder + "\\tarnhold.exe") + " " +
                                                         shellQuote(line), &out), 0) << out;
    ASSERT_TRUE(fs::exists(dir / "brlog.dat")) << out;
    const std::string log = readFile(dir / "brlog.dat");
    EXPECT_EQ(log.find("Fail!"), std::string::npos) << log;
    EXPECT_NE(log.find(" Backup File is " + WinePrefixCopy::windowsPath(backup)), std::string::npos) << log;
    EXPECT_EQ(runCommand("unzip -tq " + shellQuote(backup.string()), &out), 0) << out;
    EXPECT_FALSE(fs::exists(p.profile() / "AppData" / "Local" / "tarnhold"));
    p.waitForWine();

    // What the program sets up to start it later goes with it: the
    // start-with-Windows entry (the weekly task goes through schtasks /delete).
    const std::string runKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    ASSERT_EQ(p.wine("reg add " + shellQuote(runKey) + " /v " + shellQuote(kRunValue) + " /d " +
                         shellQuote("\"" + kDefaultFolder + "\\tarnhold.exe\"") + " /f", &out), 0) << out;
    const std::string settings = readFile(dir / "settings.dat");
    uninstallAndWait(p, shellQuote(kDefaultFolder + "\\uninstall.exe") + " /S", dir / "uninstall.exe");
    expectNothingInstalledLeft(p, kDefaultFolder);
    EXPECT_NE(p.wine("reg query " + shellQuote(runKey) + " /v " + shellQuote(kRunValue), &out), 0) << out;
    // The user's own: settings and log in the folder, which therefore stays,
    // and the backup where it was made.
    EXPECT_EQ(readFile(dir / "settings.dat"), settings);
    EXPECT_EQ(readFile(dir / "brlog.dat"), log);
    EXPECT_EQ(runCommand("unzip -tq " + shellQuote(backup.string()), &out), 0) << out;
}

// Into a folder of one's choice (/D=, which takes no quotes and so, through
// Wine's quoting of arguments, no blanks), and out again through the
// command the uninstall record gives: nothing left, not even the folder.
TEST(WindowsInstaller, AnInstallationLeftUnusedIsRemovedWithItsFolderByTheRegisteredQuietUninstall) {
    SKIP_WITHOUT_INSTALLER();
    WinePrefixCopy p;
    const std::string folder = "C:\\Tools\\Tarnhold";
    std::string out;
    ASSERT_EQ(install(p, " " + shellQuote("/D=" + folder), &out), 0) << out;
    expectInstalledInto(p, folder);
    EXPECT_FALSE(fs::exists(onDriveC(p, kDefaultFolder)));
    ASSERT_EQ(p.wineTool("env -u TARNHOLD_HOME wine", shellQuote(folder + "\\tarnhold-cli.exe") + " --version", &out), 0)
        << out;
    EXPECT_NE(out.find("Zorva Windows Live Mail Backup v"), std::string::npos) << out;

    // "C:\...\uninstall.exe" /S, as the system runs it.
    const std::string quiet = uninstallValues(p)["QuietUninstallString"];
    const std::size_t open = quiet.find('"'), close = quiet.find('"', open + 1);
    ASSERT_NE(close, std::string::npos) << quiet;
    const std::string program = quiet.substr(open + 1, close - open - 1);
    uninstallAndWait(p, shellQuote(program) + quiet.substr(close + 1), onDriveC(p, program));
    expectNothingInstalledLeft(p, folder);
    EXPECT_FALSE(fs::exists(onDriveC(p, folder)));
    EXPECT_TRUE(fs::exists(onDriveC(p, "C:\\Tools")));
}
