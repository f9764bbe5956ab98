#include "wine/WinePrefixCopy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

using testing_support::readFile;
using testing_support::runCommand;
using testing_support::shellQuote;
namespace fs = std::filesystem;

namespace wine_support {

namespace {

fs::path fixture() {
    const char* dir = std::getenv("TARNHOLD_WINE_FIXTURE");
    return dir ? fs::path(dir) : fs::path();
}

// Wine's own binaries never change, so the copy links them instead of
// copying 700 MB per test; everything else is a private copy.
bool isProgramFile(const fs::path& p) {
    static const std::vector<std::string> kinds{".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl",
                                                ".acm", ".tlb", ".msstyles", ".nls", ".ttf"};
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    return std::find(kinds.begin(), kinds.end(), ext) != kinds.end();
}

// Copies `from` to `to`; links into the fixture's home are pointed at `home`.
void copyTree(const fs::path& from, const fs::path& to, const fs::path& oldHome, const fs::path& home) {
    fs::create_directories(to);
    for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path target = to / it->path().lexically_relative(from);
        if (it->is_symlink()) {
            fs::path link = fs::read_symlink(it->path());
            if (link.string().rfind(oldHome.string(), 0) == 0)
                link = home / link.lexically_relative(oldHome);
            fs::create_symlink(link, target);
            if (it->is_directory()) it.disable_recursion_pending();
        } else if (it->is_directory()) {
            fs::create_directory(target);
        } else if (isProgramFile(it->path())) {
            fs::create_hard_link(it->path(), target);
        } else {
            fs::copy_file(it->path(), target);
        }
    }
}

std::string utf16ToUtf8(const std::string& bytes) {
    std::string out;
    std::size_t i = bytes.size() >= 2 && bytes[0] == '\xff' && bytes[1] == '\xfe' ? 2 : 0;
    auto unit = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
    };
    for (; i + 1 < bytes.size(); i += 2) {
        unsigned c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The logical lines of an export: CR LF removed, hex data continued with a
// trailing "\" joined to its value line.
std::vector<std::string> logicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    bool continues = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (continues) lines.back() += line.substr(std::min(line.find_first_not_of(' '), line.size()));
        else lines.push_back(line);
        continues = !lines.back().empty() && lines.back().back() == '\\';
        if (continues) lines.back().pop_back();
    }
    return lines;
}

bool notCarried(const std::string& valueLine) {
    return valueLine.find("=hex(7):") != std::string::npos || valueLine.find("=hex(b):") != std::string::npos;
}

}  // namespace

std::string WinePrefixCopy::unavailable() {
    if (fixture().empty()) return "TARNHOLD_WINE_FIXTURE is not set; run these tests through ctest";
    if (fs::exists(fixture() / "no-wine")) return readFile(fixture() / "no-wine");
    if (!fs::exists(fixture() / "ready")) return "the shared Wine prefix was not made; see " +
                                                 (fixture() / "wineboot.log").string();
    return {};
}

WinePrefixCopy::WinePrefixCopy() {
    copyTree(fixture() / "home", home(), fixture() / "home", home());
    copyTree(fixture() / "prefix", prefix(), fixture() / "home", home());
    // Backups go to the file named, not to a dated one beside it.
    testing_support::writeFile(appFolder() / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
}

WinePrefixCopy::~WinePrefixCopy() { endWine(); }

fs::path WinePrefixCopy::mailStore() const {
    return profile() / "AppData" / "Local" / "Microsoft" / "Windows Live Mail";
}

fs::path WinePrefixCopy::contactsFolder() const {
    return profile() / "AppData" / "Local" / "Microsoft" / "Windows Live Contacts";
}

std::string WinePrefixCopy::wineEnv() const {
    return "env -u DISPLAY HOME=" + shellQuote(home().string()) + " WINEPREFIX=" + shellQuote(prefix().string()) +
           " USER=alice LC_ALL=C.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' ";
}

int WinePrefixCopy::wineTool(const std::string& tool, const std::string& args, std::string* output) const {
    // Wine's helper processes (services.exe and the like) live as long as the
    // server and inherit the output: a pipe would never reach its end.
    const fs::path log = dir_.path() / "wine-output.txt";
    const std::string command = wineEnv() + "timeout 120 " + tool + " " + args + " >" + shellQuote(log.string()) +
                                " 2>&1 </dev/null";
    int status = runCommand(command);
    // Now and then, on a loaded machine, Wine's loader cannot start the
    // program at all (it falls back to start.exe, which says so): that is
    // Wine's answer, not the program's, so it gets one more try once the
    // server has settled.
    if (status != 0 && readFile(log).find("ShellExecuteEx failed") != std::string::npos) {
        runCommand(wineEnv() + "wineserver -w");
        status = runCommand(command);
    }
    if (output) *output = readFile(log);
    return status;
}

int WinePrefixCopy::wine(const std::string& args, std::string* output) const {
    return wineTool("wine", args, output);
}

int WinePrefixCopy::reg(const std::string& args, std::string* output) const {
    // A reg whose wine connected while the server of the command before was
    // going never ran and said nothing: Wine's answer, not reg's, so it gets
    // one more try once that server has gone. A reg that ran always says why
    // it failed.
    int status = wine("reg " + args, output);
    if (status != 0 && output->find_first_not_of(" \r\n") == std::string::npos) {
        waitForWine();
        status = wine("reg " + args, output);
    }
    return status;
}

void WinePrefixCopy::addValue(const std::string& key, const std::string& name, const std::string& type,
                              const std::string& data) {
    std::string out;
    ASSERT_EQ(reg("add " + shellQuote(key) + " /v " + shellQuote(name) + " /t " + type + " /d " +
                      shellQuote(data) + " /f", &out), 0) << out;
}

void WinePrefixCopy::deleteKey(const std::string& key) {
    std::string out;
    ASSERT_EQ(reg("delete " + shellQuote(key) + " /f", &out), 0) << out;
}

void WinePrefixCopy::keepWineRunning() const {
    // The server outlives the command: its output must not hold our pipe open.
    // A server that is about to go would not take the order to stay.
    waitForWine();
    std::string out;
    ASSERT_EQ(wineTool("wineserver", "-p", &out), 0) << out;
}

void WinePrefixCopy::waitForWine() const { wineTool("wineserver", "-w"); }

void WinePrefixCopy::endWine() const {
    wineTool("wineserver", "-k");
    wineTool("wineserver", "-w");
}

std::string WinePrefixCopy::exported(const std::string& key, bool carriedOnly) const {
    const fs::path file = dir_.path() / "export.reg";
    fs::remove(file);
    std::string out;
    if (reg("export " + shellQuote(key) + " " + shellQuote(file.string()) + " /y", &out) != 0) return {};
    std::vector<std::string> lines = logicalLines(utf16ToUtf8(readFile(file)));
    // Sorted per key, so the order Wine happens to keep values in does not matter.
    std::map<std::string, std::vector<std::string>> keys;
    std::string current;
    for (const auto& line : lines) {
        if (line.empty() || line.rfind("Windows Registry Editor", 0) == 0) continue;
        if (line.front() == '[') {
            current = line;
            keys[current];
        } else if (!(carriedOnly && notCarried(line))) {
            keys[current].push_back(line);
        }
    }
    std::string text;
    for (auto& [path, values] : keys) {
        std::sort(values.begin(), values.end());
        text += path + "\n";
        for (const auto& v : values) text += "  " + v + "\n";
    }
    return text;
}

std::string WinePrefixCopy::programEnv(const std::string& extraEnv) const {
    return "env -u DISPLAY -u USERPROFILE " + extraEnv + " HOME=" + shellQuote(home().string()) +
           " WINEPREFIX=" + shellQuote(prefix().string()) + " TARNHOLD_HOME=" + shellQuote(appFolder().string()) +
           " WINEDEBUG=-all QT_QPA_PLATFORM=offscreen ";
}

int WinePrefixCopy::tarnhold(const std::string& commandLine, std::string* output, const std::string& extraEnv) const {
    return runCommand(programEnv(extraEnv) + "\"$(command -v timeout)\" 300 " + shellQuote(TARNHOLD_BINARY) + " " +
                          shellQuote(commandLine), output);
}

int WinePrefixCopy::cli(const std::string& args, std::string* output, const std::string& extraEnv) const {
    return runCommand(programEnv(extraEnv) + "\"$(command -v timeout)\" 300 " + shellQuote(TARNHOLD_CLI) + " " + args, output);
}

std::string WinePrefixCopy::windowsBuildMissing() {
    const std::string folder = TARNHOLD_WINDOWS_PROGRAMS;
    if (folder.empty()) return "the Windows build was not configured (scripts/test builds it first)";
    for (const char* exe : {"tarnhold.exe", "tarnhold-cli.exe"}) {
        if (!fs::exists(fs::path(folder) / exe)) return folder + "/" + exe + " is not built";
    }
    return {};
}

std::string WinePrefixCopy::windowsPath(const fs::path& host) {
    std::string path = "Z:" + host.string();
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

int WinePrefixCopy::windowsProgram(const char* exe, const std::string& words, std::string* output,
                                   const std::string& extraEnv) const {
    return wineTool("env " + extraEnv + " TARNHOLD_HOME=" + shellQuote(windowsPath(appFolder())) + " wine",
                    shellQuote(std::string(TARNHOLD_WINDOWS_PROGRAMS) + "/" + exe) + " " + words, output);
}

int WinePrefixCopy::windowsTarnhold(const std::string& words, std::string* output, const std::string& extraEnv) const {
    return windowsProgram("tarnhold.exe", words, output, extraEnv);
}

int WinePrefixCopy::windowsCli(const std::string& words, std::string* output, const std::string& extraEnv) const {
    return windowsProgram("tarnhold-cli.exe", words, output, extraEnv);
}

std::string WinePrefixCopy::log() const { return readFile(appFolder() / "brlog.dat"); }

std::string withEmptyExpandAsZeroLength(std::string keys) {
    const std::string lone = "=hex(2):00,00\n";
    for (std::size_t at; (at = keys.find(lone)) != std::string::npos;) keys.replace(at, lone.size(), "=hex(2):\n");
    return keys;
}

ItemSnapshot itemSnapshot(const WinePrefixCopy& p) {
    ItemSnapshot s;
    s.keys = p.exported(kClientKey);
    s.store = filesBelow(p.mailStore());
    s.contacts = filesBelow(p.contactsFolder());
    s.stationery = filesBelow(p.home() / "My Stationery");
    return s;
}

void wipeItems(WinePrefixCopy& p) {
    for (const char* key : {"Rules", "PerPassportSettings", "signatures", "Advanced Settings"})
        p.deleteKey(kClientKey + "\\" + key);
    for (const auto& e : fs::directory_iterator(p.mailStore())) {
        const std::string n = e.path().filename().string();
        if (n != "Backup" && n != "Your Feeds" && n != "Storage Folders") fs::remove_all(e.path());
    }
    for (const auto& e : fs::directory_iterator(p.contactsFolder())) {
        if (e.is_directory()) fs::remove_all(e.path());
    }
    fs::remove_all(p.home() / "My Stationery");
    p.waitForWine();
}

std::map<std::string, std::string> filesBelow(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        files[fs::relative(e.path(), root).string()] = e.is_directory() ? "<dir>" : readFile(e.path());
    }
    return files;
}

}  // namespace wine_support
