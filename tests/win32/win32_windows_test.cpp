// The Windows build's own windows, run under Wine on a virtual X server and
// driven from outside the way a user drives them: window-driver.exe runs in
// the same Wine, finds the windows by caption and the controls by their
// identifiers, clicks, types, chooses tabs, menu entries and pop-up menu
// entries, reads texts and answers the message boxes and the file dialog.
// Each test opens the main window once (tarnhold.exe without arguments) in
// its own copy of the prefix that Wine made, with a virtual X server of its
// own, and checks what the program did on disk.

#include <gtest/gtest.h>

#include <csignal>
#include <chrono>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

#include "wine/WinePrefixCopy.h"

using testing_support::readFile;
using testing_support::runCommand;
using testing_support::shellQuote;
using testing_support::writeFile;
using wine_support::WinePrefixCopy;
namespace fs = std::filesystem;

namespace {

constexpr const char* kMain = "Zorva Windows Live Mail Backup V3.00";
constexpr const char* kSettings = "Settings";
constexpr const char* kSchedule = "Task Scheduler";
constexpr const char* kPassword = "Please enter password";
constexpr const char* kAbout = "About Zorva Windows Live Mail Backup";
constexpr const char* kOpenDialog = "Restore Data from a Backup file";
constexpr const char* kTaskName = "Zorva Windows Live Mail AutoBackup";
constexpr const char* kDisc = "Backup Windows Live Mail Data to CD/DVD";
constexpr const char* kNoDevices =
    "There are no compatible devices reported.\r\nSome older devices are not currently supported.";

std::string windowsProgram(const char* name) { return std::string(TARNHOLD_WINDOWS_PROGRAMS) + "/" + name; }

// Why these tests cannot run here, or "".
std::string unavailable() {
    if (std::string why = WinePrefixCopy::unavailable(); !why.empty()) return why;
    if (std::string why = WinePrefixCopy::windowsBuildMissing(); !why.empty()) return why;
    if (!fs::exists(TARNHOLD_WINDOW_DRIVER)) return std::string(TARNHOLD_WINDOW_DRIVER) + " is not built";
    if (runCommand("command -v xvfb-run >/dev/null") != 0)
        return "xvfb-run is not installed (scripts/install-deps installs it)";
    return {};
}

bool waitFor(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// A virtual X server of this test alone. xvfb-run starts at a number away
// from the usual :99, which other programs on the host may hold, and moves
// on from a taken one; the server lives while its sleeping child does, and
// does not reset when its last client leaves, which would refuse the next.
class VirtualDisplay {
public:
    VirtualDisplay() {
        std::random_device random;
        const unsigned number = 100 + random() % 800;
        const fs::path ready = dir_ / "display";
        runCommand("xvfb-run -a -n " + std::to_string(number) + " -s '-screen 0 1280x1024x24 -noreset' sh -c " +
                   shellQuote("echo \"$DISPLAY $XAUTHORITY $$\" >" + shellQuote(ready.string() + ".new") + " && mv " +
                              shellQuote(ready.string() + ".new") + " " + shellQuote(ready.string()) +
                              " && exec sleep 3600") +
                   " >" + shellQuote((dir_ / "xvfb-run.txt").string()) + " 2>&1 </dev/null &");
        if (!waitFor([&] { return fs::exists(ready); }, std::chrono::seconds(30))) {
            problem_ = "xvfb-run started no X server: " + readFile(dir_ / "xvfb-run.txt");
            return;
        }
        std::istringstream words(readFile(ready));
        words >> display_ >> authority_ >> sleeper_;
    }
    ~VirtualDisplay() {
        if (sleeper_ > 0) kill(sleeper_, SIGTERM);  // xvfb-run then ends its server
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    const std::string& problem() const { return problem_; }
    std::string env() const { return "DISPLAY=" + display_ + " XAUTHORITY=" + shellQuote(authority_) + " "; }

private:
    testing_support::TempDir dir_;
    std::string display_, authority_, problem_;
    pid_t sleeper_ = 0;
};

// What one run of the driver printed: per line its parts, unescaped.
struct Driven {
    int status = -1;
    std::vector<std::vector<std::string>> lines;
    std::string errors;

    bool ok() const { return status == 0; }
    std::string operator[](std::size_t line) const {
        return line < lines.size() && !lines[line].empty() ? lines[line][0] : "<no line " + std::to_string(line) + ">";
    }
    std::vector<std::string> parts(std::size_t line) const {
        return line < lines.size() ? lines[line] : std::vector<std::string>{};
    }
};

std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

Driven parsed(int status, const std::string& output, const std::string& errors) {
    Driven d;
    d.status = status;
    d.errors = errors;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            parts.push_back(unescaped(line.substr(start, tab - start)));
        parts.push_back(unescaped(line.substr(start)));
        d.lines.push_back(parts);
    }
    return d;
}

// The same query for each box of a row (the eleven items), and its answers.
std::vector<std::string> eachItem(const char* query, const char* window, const char* row, int count = 11) {
    std::vector<std::string> words;
    for (int k = 0; k < count; ++k) {
        for (const std::string& w : {std::string(query), std::string(window), row + std::string("+") + std::to_string(k)})
            words.push_back(w);
    }
    return words;
}

std::string answers(const Driven& d, std::size_t first, std::size_t count = 11) {
    std::string joined;
    for (std::size_t i = first; i < first + count; ++i) joined += d[i];
    return joined;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A host path of a Z:\ path the program showed.
fs::path hostPath(const std::string& windowsPath) {
    if (windowsPath.rfind("Z:\\", 0) != 0) return {};
    std::string path = windowsPath.substr(2);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// The value of KEY in SECTION of an INI text with CR LF lines.
std::string iniValue(const std::string& text, const std::string& section, const std::string& key) {
    std::istringstream in(text);
    std::string current;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') current = line.substr(1, line.size() - 2);
        else if (current == section && line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    }
    return "<absent>";
}

class Win32Windows : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = unavailable(); !why.empty()) GTEST_SKIP() << why;
        display_ = std::make_unique<VirtualDisplay>();
        ASSERT_EQ(display_->problem(), "");
        p_ = std::make_unique<WinePrefixCopy>();
        // No follow-up may start another program; backups go to the named file.
        writeFile(settingsFile(),
                  "[General]\r\nburndvd=0\r\nrunliveafterbackup=0\r\nrunliveafterrestore=0\r\n"
                  "[backup]\r\nopenfolderbackup=0\r\n[autobackup]\r\nautobackupfile=0\r\n");
    }

    WinePrefixCopy& p() { return *p_; }
    fs::path settingsFile() const { return p_->appFolder() / "settings.dat"; }
    std::string appFolder() const { return WinePrefixCopy::windowsPath(p_->appFolder()); }

    std::string env() const {
        return p_->wineEnv() + "env " + display_->env() + "TARNHOLD_HOME=" + shellQuote(appFolder()) + " ";
    }

    // tarnhold.exe without arguments, in the background, until its main window shows.
    void startProgram() { start(shellQuote(windowsProgram("tarnhold.exe")), kMain); }

    // `program` (a quoted path with its arguments) in the background, until `window` shows.
    void start(const std::string& program, const char* window) {
        // A server left by a Wine command without a display would take the
        // program in, and its windows would be shown nowhere.
        p_->waitForWine();
        runCommand("(" + env() + "wine " + program + " >" +
                   shellQuote(p_->file("program-output.txt").string()) + " 2>&1 </dev/null; echo $? >" +
                   shellQuote(p_->file("program-status.txt").string()) + ") >/dev/null 2>&1 &");
        const Driven shown = drive({"wait-window", window, "90"});
        ASSERT_TRUE(shown.ok()) << said(shown);
    }

    bool programEnded(std::chrono::seconds limit) const {
        return waitFor([&] { return fs::exists(p_->file("program-status.txt")); }, limit);
    }
    std::string programStatus() const { return readFile(p_->file("program-status.txt")); }

    Driven drive(const std::vector<std::string>& words) const {
        std::string line = env() + "timeout 240 wine " + shellQuote(TARNHOLD_WINDOW_DRIVER);
        for (const auto& w : words) line += " " + shellQuote(w);
        const fs::path out = p_->file("driver-output.txt"), err = p_->file("driver-errors.txt");
        const int status = runCommand("{ " + line + " >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string()) +
                                      " </dev/null; }");
        return parsed(status, readFile(out), readFile(err));
    }

    // What the driver and the program said, for a failure's message.
    std::string said(const Driven& d) const {
        std::string text = "driver status " + std::to_string(d.status) + ": " + d.errors;
        text += "\nthe program said: " + readFile(p_->file("program-output.txt"));
        if (fs::exists(p_->file("program-status.txt"))) text += "\nthe program ended with " + programStatus();
        return text;
    }

    std::unique_ptr<VirtualDisplay> display_;  // outlives the prefix's Wine
    std::unique_ptr<WinePrefixCopy> p_;
};

// ---- The main window ------------------------------------------------------------

TEST_F(Win32Windows, TheMainWindowShowsItsTabsAndTheApplyButtonFollowsThem) {
    // Two items this profile does not have: news rules and stationery.
    p().deleteKey(wine_support::kClientKey + "\\Rules\\News");
    fs::remove_all(p().home() / "My Stationery");
    startProgram();
    const Driven d = drive(std::vector<std::string>{
                               "tabs", kMain, "SSTab1", "tab", kMain, "SSTab1", "text", kMain, "cmdApply",     // 0-2
                               "select-tab", kMain, "SSTab1", "1", "text", kMain, "cmdApply",                 // 3
                               "visible", kMain, "cmdSourceFile", "visible", kMain, "backupitem+0",          // 4-5
                               "select-tab", kMain, "SSTab1", "2", "text", kMain, "cmdApply",                 // 6
                               "visible", kMain, "List1",                                                     // 7
                               "select-tab", kMain, "SSTab1", "3", "text", kMain, "cmdApply",                 // 8
                               "select-tab", kMain, "SSTab1", "0", "text", kMain, "cmdApply",                 // 9
                               "tab", kMain, "SSTab1", "text", kMain, "cbSource", "text", kMain, "txtTargetFile",  // 10-12
                               "enabled", kMain, "txtPassword", "enabled", kMain, "txtPassword2"} +           // 13-14
                           eachItem("enabled", kMain, "backupitem") +                                         // 15-25
                           // A click in the middle of a control of the page shown reaches that control.
                           std::vector<std::string>{"at", kMain, "backupitem+0",                             // 26
                                                    "select-tab", kMain, "SSTab1", "1", "at", kMain, "cmdSourceFile",  // 27
                                                    "select-tab", kMain, "SSTab1", "2", "at", kMain, "List1"});  // 28
    ASSERT_TRUE(d.ok()) << said(d);
    EXPECT_EQ(d.parts(0), (std::vector<std::string>{"Backup", "Restore", "Logs", "About"}));
    EXPECT_EQ(d[1], "0");
    EXPECT_EQ(d[2], "Backup Now");
    EXPECT_EQ(d[3], "Restore Now");
    EXPECT_EQ(d[4], "1") << "the Restore page is shown";
    EXPECT_EQ(d[5], "0") << "the Backup page is hidden";
    EXPECT_EQ(d[6], "Show Log File");
    EXPECT_EQ(d[7], "1");
    EXPECT_EQ(d[8], "Help");
    EXPECT_EQ(d[9], "Backup Now");
    EXPECT_EQ(d[10], "0");
    EXPECT_EQ(d[11], "alice");
    const std::regex proposed(std::regex_replace(appFolder(), std::regex(R"([\\.^$|()\[\]{}*+?])"), R"(\$&)") +
                              R"(\\livemailback-alice-\d\d-\d\d-\d\d\d\d\.wlm)");
    EXPECT_TRUE(std::regex_match(d[12], proposed)) << d[12];
    EXPECT_EQ(d[13] + d[14], "00") << "the password boxes wait for the protection box";
    EXPECT_EQ(answers(d, 15), "11101111011") << "News Rules and Stationeries are not available";
    EXPECT_EQ(d[26], "1010 Button");
    EXPECT_EQ(d[27], "1059 Button");
    EXPECT_EQ(d[28], "1062 ListBox");
}

TEST_F(Win32Windows, TheItemMenusSelectOnlyAvailableItemsAndDeselectingKeepsCalendars) {
    p().deleteKey(wine_support::kClientKey + "\\Rules\\News");
    fs::remove_all(p().home() / "My Stationery");
    startProgram();
    const auto backupBoxes = eachItem("checked", kMain, "backupitem");
    // The frame's own pop-up menu, from a right click in it: "Select all
    // items" is its first entry, "Deselect all items" its second.
    const Driven d = drive(std::vector<std::string>{"right-click", kMain, "Frame1", "popup-choose", "0"} + backupBoxes +
                           std::vector<std::string>{"right-click", kMain, "Frame1", "popup-choose", "1"} + backupBoxes +
                           std::vector<std::string>{"check", kMain, "backupitem+10", "0", "right-click", kMain,
                                                    "Frame1", "popup-choose", "1"} +
                           backupBoxes +
                           // The same entries as commands of the window.
                           std::vector<std::string>{"menu", kMain, "Selectallitems", "sleep", "300"} + backupBoxes +
                           std::vector<std::string>{"menu", kMain, "Unselectallitems", "sleep", "300"} + backupBoxes);
    ASSERT_TRUE(d.ok()) << said(d);
    EXPECT_EQ(answers(d, 0), "11101111011") << "select all leaves the unavailable boxes clear";
    EXPECT_EQ(answers(d, 11), "00000000001") << "deselect all keeps Calendars ticked";
    EXPECT_EQ(answers(d, 22), "00000000000") << "deselect all keeps Calendars clear";
    EXPECT_EQ(answers(d, 33), "11101111011");
    EXPECT_EQ(answers(d, 44), "00000000001");

    // The restore boxes are all disabled until a backup is opened; a right
    // click outside an item frame pops nothing up.
    const Driven r = drive(std::vector<std::string>{"select-tab", kMain, "SSTab1", "1", "right-click", kMain, "Frame4",
                                                    "popup-choose", "0"} +
                           eachItem("checked", kMain, "restoreitem") +
                           std::vector<std::string>{"right-click", kMain, "Frame3", "sleep", "500", "windows"});
    ASSERT_TRUE(r.ok()) << said(r);
    EXPECT_EQ(answers(r, 0), "00000000000");
    for (std::size_t i = 11; i < r.lines.size(); ++i) EXPECT_NE(r.parts(i).back(), "#32768") << r[i];
}

// ---- A backup ------------------------------------------------------------------

TEST_F(Win32Windows, ABackupFromTheWindowReportsEachItemAndWritesAProtectedArchive) {
    startProgram();
    const Driven d = drive({"check", kMain, "backupitem+0", "1", "check", kMain, "backupitem+5", "1",
                            "check", kMain, "backupitem+6", "1", "check", kMain, "backupitem+10", "1",
                            "check", kMain, "ifprotect", "1", "enabled", kMain, "txtPassword",             // 0
                            "set-text", kMain, "txtPassword", "s3cret pw", "set-text", kMain, "txtPassword2", "s3cret pw",
                            "set-text", kMain, "txtAttachInfo", "Made from the window",
                            "text", kMain, "txtTargetFile",                                                // 1
                            "post-click", kMain, "cmdApply", "message-box", "120"});                       // 2
    ASSERT_TRUE(d.ok()) << said(d);
    EXPECT_EQ(d[0], "1");
    EXPECT_EQ(d.parts(2),
              (std::vector<std::string>{"The Backup was Completed!\r\n\r\n"
                                        "Backup Mail Accounts & Messages/News Accounts & Messages\tSuccessed!\r\n"
                                        "Backup Contacts\tSuccessed!\r\n"
                                        "Backup Windows Live Mail Database\tSuccessed!\r\n"
                                        "Backup Calendars\tSuccessed!",
                                        "OK"}));
    const std::string target = d[1];
    const fs::path archive = hostPath(target);
    ASSERT_FALSE(archive.empty()) << target;
    EXPECT_EQ(archive.parent_path(), p().appFolder());

    const Driven after = drive({"answer-message-box", "OK", "visible", kMain, "pbshow", "text", kMain, "Label1",
                                "enabled", kMain, "cmdApply", "select-tab", kMain, "SSTab1", "2", "list-lines", kMain,
                                "List1"});
    ASSERT_TRUE(after.ok()) << said(after);
    EXPECT_EQ(after[0], "0") << "the progress panel is hidden again";
    EXPECT_EQ(after[1], "Please Waiting...");
    EXPECT_EQ(after[2], "1");
    // The Logs tab shows the run, its last line selected at the end.
    const std::vector<std::string> logLines = after.parts(3);
    ASSERT_FALSE(logLines.empty());
    EXPECT_NE(logLines.back().find(" Backup User Profile alice Data was Completed!"), std::string::npos)
        << logLines.back();

    ASSERT_TRUE(fs::exists(archive)) << archive;
    EXPECT_EQ(runCommand("7z t -p's3cret pw' " + shellQuote(archive.string()) + " >/dev/null"), 0);
    EXPECT_NE(runCommand("7z t -pwrong " + shellQuote(archive.string()) + " >/dev/null"), 0) << "it is protected";
    std::string members;
    ASSERT_EQ(runCommand("unzip -Z1 " + shellQuote(archive.string()), &members), 0) << members;
    for (const char* member : {"oebackup.dat", "Hotmail (alice).zip", "{C7}.zip", "Mail.MSMessageStore", "Alice.zip"})
        EXPECT_NE(members.find(std::string(member) + "\n"), std::string::npos) << member << " in\n" << members;
    std::string record;
    ASSERT_EQ(runCommand("{ 7z x -so -p's3cret pw' " + shellQuote(archive.string()) + " oebackup.dat 2>/dev/null; }",
                         &record), 0);
    EXPECT_NE(record.find("BackupItem=10000110001"), std::string::npos) << record;
    EXPECT_NE(record.find("BackupInformation=Made from the window"), std::string::npos) << record;
    EXPECT_NE(record.find("BackupLogonUser=alice"), std::string::npos) << record;

    const std::string log = p().log();
    EXPECT_NE(log.find(" Backup File is " + target + "\n"), std::string::npos) << log;
    for (const char* line : {" Backup Contacts Succeeded!", " Backup Calendars Succeeded!",
                             " Backup User Profile alice Data was Completed!"})
        EXPECT_NE(log.find(line), std::string::npos) << line << " in\n" << log;
    EXPECT_EQ(log.find("Fail!"), std::string::npos) << log;

    // Again without a password, over the same file: now any zip tool reads it.
    const Driven again = drive({"select-tab", kMain, "SSTab1", "0", "check", kMain, "ifprotect", "0", "enabled", kMain,
                                "txtPassword", "post-click", kMain, "cmdApply", "message-box", "120",
                                "answer-message-box", "OK"});
    ASSERT_TRUE(again.ok()) << said(again);
    EXPECT_EQ(again[0], "0");
    EXPECT_EQ(runCommand("unzip -tq " + shellQuote(archive.string())), 0);
}

TEST_F(Win32Windows, TheBackupChecksItsChoicesAndMismatchedPasswordsWriteNothing) {
    startProgram();
    const Driven d = drive({"post-click", kMain, "cmdApply", "message-box", "30", "answer-message-box", "OK",  // 0
                            "check", kMain, "backupitem+1", "1", "check", kMain, "ifprotect", "1",
                            "post-click", kMain, "cmdApply", "message-box", "30", "answer-message-box", "OK",  // 1
                            "set-text", kMain, "txtPassword", "one", "set-text", kMain, "txtPassword2", "two",
                            "post-click", kMain, "cmdApply", "message-box", "30", "answer-message-box", "OK",  // 2
                            "set-text", kMain, "txtPassword2", "",
                            "post-click", kMain, "cmdApply", "message-box", "30", "answer-message-box", "OK",  // 3
                            "text", kMain, "txtTargetFile"});                                               // 4
    ASSERT_TRUE(d.ok()) << said(d);
    EXPECT_EQ(d.parts(0), (std::vector<std::string>{"Please select at least one item.", "OK"}));
    EXPECT_EQ(d.parts(1), (std::vector<std::string>{"Please enter Password!", "OK"}));
    EXPECT_EQ(d.parts(2), (std::vector<std::string>{"Incorect Password!", "OK"}));
    EXPECT_EQ(d.parts(3), (std::vector<std::string>{"Incorect Password!", "OK"}));
    const fs::path target = hostPath(d[4]);
    ASSERT_FALSE(target.empty()) << d[4];
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(p().appFolder() / "brlog.dat")) << p().log();
}

// ---- A restore -------------------------------------------------------------------

TEST_F(Win32Windows, ARestoreOpensAProtectedBackupThroughThePasswordWindowAndPutsItemsBack) {
    // A protected backup of three items, made by the scheduled run.
    const fs::path archive = p().file("mail.wlm");
    const std::string archiveName = WinePrefixCopy::windowsPath(archive);
    std::string out;
    ASSERT_EQ(p().windowsTarnhold(shellQuote("sf=alicexm=10000010001ps=s3cretbf=" + archiveName), &out), 0)
        << out << p().log();
    const fs::path database = p().mailStore() / "Mail.MSMessageStore";
    const fs::path calendar = p().mailStore() / "Calendars" / "Alice" / "calendar.ics";
    const std::string databaseBefore = readFile(database), calendarBefore = readFile(calendar);
    ASSERT_FALSE(databaseBefore.empty());
    fs::remove(database);
    fs::remove_all(p().mailStore() / "Calendars");
    startProgram();

    // A wrong password: nothing opens.
    const Driven wrong = drive({"select-tab", kMain, "SSTab1", "1", "post-click", kMain, "cmdSourceFile",
                                "file-dialog", kOpenDialog, archiveName, "wait-window", kPassword, "30",
                                "set-text", kPassword, "pwdPassword", "wrong", "post-click", kPassword, "cmdOK",
                                "message-box", "30", "answer-message-box", "OK",                          // 0
                                "enabled", kMain, "restoreitem+0", "text", kMain, "txtSourceFile",        // 1-2
                                "post-click", kMain, "cmdSourceFile", "file-dialog", kOpenDialog, archiveName,
                                "wait-window", kPassword, "30", "at", kPassword, "pwdPassword",           // 3
                                "post-click", kPassword, "cmdExit", "message-box", "30",                  // 4
                                "answer-message-box", "OK"});
    ASSERT_TRUE(wrong.ok()) << said(wrong);
    EXPECT_EQ(wrong.parts(0), (std::vector<std::string>{"Incorect Password or Invalid backup file", "OK"}));
    EXPECT_EQ(wrong[1], "0");
    EXPECT_EQ(wrong[2], "");
    EXPECT_EQ(wrong[3], "1400 Edit");
    // Cancel leaves the password as it was: none yet, which does not fit.
    EXPECT_EQ(wrong.parts(4), (std::vector<std::string>{"Incorect Password or Invalid backup file", "OK"}));

    // The right one, confirmed with Enter: the boxes of what the backup holds come on.
    const Driven opened = drive(std::vector<std::string>{"post-click", kMain, "cmdSourceFile", "file-dialog", kOpenDialog,
                                                         archiveName, "wait-window", kPassword, "30", "set-text",
                                                         kPassword, "pwdPassword", "s3cret", "press", kPassword,
                                                         "pwdPassword", "return", "wait-gone", kPassword, "30",
                                                         "wait-enabled", kMain, "restoreitem+0", "1", "30",
                                                         "text", kMain, "txtSourceFile", "text", kMain, "txtPOBinfo",
                                                         "text", kMain, "cbTarget"} +
                                eachItem("enabled", kMain, "restoreitem") + eachItem("checked", kMain, "restoreitem"));
    ASSERT_TRUE(opened.ok()) << said(opened);
    EXPECT_EQ(opened[0], archiveName);
    EXPECT_EQ(opened[1].rfind("Computer:", 0), 0u) << opened[1];
    EXPECT_NE(opened[1].find("\r\nUser:alice\r\nDate:"), std::string::npos) << opened[1];
    EXPECT_EQ(opened[2], "alice");
    EXPECT_EQ(answers(opened, 3), "10000010001");
    EXPECT_EQ(answers(opened, 14), "00000000000") << "opening ticks nothing";

    // Restore Now asks first; Cancel restores nothing, OK the ticked items.
    const std::vector<std::string> question{
        "Your current Email and News messages will be replaced with the messages from the selected backup file."
        "\r\n\r\nDo you want to countinue?",
        "OK", "Cancel"};
    const Driven cancelled = drive({"check", kMain, "restoreitem+6", "1", "check", kMain, "restoreitem+10", "1",
                                    "post-click", kMain, "cmdApply", "message-box", "30", "answer-message-box", "Cancel"});
    ASSERT_TRUE(cancelled.ok()) << said(cancelled);
    EXPECT_EQ(cancelled.parts(0), question);
    EXPECT_FALSE(fs::exists(database));
    const Driven restored = drive({"post-click", kMain, "cmdApply", "message-box", "30", "answer-message-box", "OK",
                                   "message-box", "120", "answer-message-box", "OK"});
    ASSERT_TRUE(restored.ok()) << said(restored);
    EXPECT_EQ(restored.parts(0), question);
    EXPECT_EQ(restored.parts(1), (std::vector<std::string>{"The Restore was Completed!\r\n\r\n"
                                                           "Restore Windows Live Mail Database\tSuccessed!\r\n"
                                                           "Restore Calendars\tSuccessed!",
                                                           "OK"}));
    EXPECT_EQ(readFile(database), databaseBefore);
    EXPECT_EQ(readFile(calendar), calendarBefore);
    EXPECT_NE(p().log().find(" Restore File is " + archiveName + "\n"), std::string::npos) << p().log();
}

// ---- The secondary windows -----------------------------------------------------------

TEST_F(Win32Windows, TheSettingsWindowSavesItsBoxesOnOkAndNothingOnCancel) {
    startProgram();
    const Driven d = drive(std::vector<std::string>{"menu", kMain, "mnuSettings", "wait-window", kSettings, "30",
                                                    "tabs", kSettings, "SettingsTabs", "text", kSettings, "Text1",
                                                    "checked", kSettings, "Option1"} +
                           eachItem("checked", kSettings, "SettingsBox", 8) +
                           std::vector<std::string>{"at", kSettings, "SettingsBox+0", "at", kSettings, "Command2"});  // 11-12
    ASSERT_TRUE(d.ok()) << said(d);
    EXPECT_EQ(d.parts(0), (std::vector<std::string>{"General", "Backup", " Scheduled Backup"}));
    EXPECT_EQ(d[1], appFolder());
    EXPECT_EQ(d[2], "1");
    // startonwindows, checkbackupfile, runliveafterbackup, runliveafterrestore,
    // burndvd, automgeneratefile, openfolderbackup, autocloselive: absent keys are on.
    EXPECT_EQ(answers(d, 3, 8), "11000101");
    // The page shown stands above the tab control: a click on its box reaches the box.
    EXPECT_EQ(d[11], "1210 Button");
    EXPECT_EQ(d[12], "1225 Button");

    // "Check backup file" on the first page and "Automatically generate" on
    // the second, unticked; the second page's box is out of reach until its tab is chosen.
    const Driven hidden = drive({"check", kSettings, "SettingsBox+5", "0"});
    EXPECT_NE(hidden.status, 0);
    EXPECT_NE(hidden.errors.find("is not shown"), std::string::npos) << hidden.errors;
    const Driven ok = drive({"check", kSettings, "SettingsBox+1", "0", "select-tab", kSettings, "SettingsTabs", "1",
                             "check", kSettings, "SettingsBox+5", "0", "click", kSettings, "Command2",
                             "wait-gone", kSettings, "30"});
    ASSERT_TRUE(ok.ok()) << said(ok);
    const std::string saved = readFile(settingsFile());
    EXPECT_EQ(iniValue(saved, "General", "startonwindows"), "1") << saved;
    EXPECT_EQ(iniValue(saved, "General", "checkbackupfile"), "0") << saved;
    EXPECT_EQ(iniValue(saved, "General", "runliveafterbackup"), "0") << saved;
    EXPECT_EQ(iniValue(saved, "General", "runliveafterrestore"), "0") << saved;
    EXPECT_EQ(iniValue(saved, "General", "burndvd"), "0") << saved;
    EXPECT_EQ(iniValue(saved, "backup", "automgeneratefile"), "0") << saved;
    EXPECT_EQ(iniValue(saved, "backup", "openfolderbackup"), "0") << saved;
    EXPECT_EQ(iniValue(saved, "backup", "autocloselive"), "1") << saved;
    EXPECT_EQ(iniValue(saved, "backup", "backupfolder"), appFolder()) << saved;
    EXPECT_EQ(iniValue(saved, "autobackup", "autobackupfile"), "0") << saved;
    // Start with Windows is on: the program's Run value is in the registry.
    std::string run;
    EXPECT_EQ(p().wine("reg query 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run' /v "
                       "'Zorva Windows Live Mail Backup'", &run), 0) << run;
    EXPECT_NE(run.find("tarnhold.exe"), std::string::npos) << run;

    // Opened again it shows what was saved; changes then cancelled write nothing.
    const Driven cancel = drive(std::vector<std::string>{"menu", kMain, "mnuSettings", "wait-window", kSettings, "30"} +
                                eachItem("checked", kSettings, "SettingsBox", 8) +
                                std::vector<std::string>{"check", kSettings, "SettingsBox+0", "0", "select-tab",
                                                         kSettings, "SettingsTabs", "2", "check", kSettings, "Option2",
                                                         "1", "enabled", kSettings, "spnKeepBackups", "click",
                                                         kSettings, "Command3Settings", "wait-gone", kSettings, "30"});
    ASSERT_TRUE(cancel.ok()) << said(cancel);
    EXPECT_EQ(answers(cancel, 0, 8), "10000001");
    EXPECT_EQ(cancel[8], "1") << "the count of dated backups comes on with dated backups";
    EXPECT_EQ(readFile(settingsFile()), saved);
}

// Wine 8's schtasks creates tasks only from an XML definition (/create /xml)
// and answers /query with nothing: the weekly task cannot be made there, and
// the window must say so rather than report success.
TEST_F(Win32Windows, TheScheduleWindowSaysWhatWinesTaskSchedulerAnswered) {
    std::string query;
    ASSERT_EQ(p().wine("schtasks /query /tn " + shellQuote(kTaskName), &query), 0) << query;
    ASSERT_EQ(query, "") << "this Wine's schtasks answers /query now: the test must learn what it says";
    startProgram();
    const Driven d = drive({"menu", kMain, "mnuTaskScheduler", "wait-window", kSchedule, "30",
                            "text", kSchedule, "scheduleSource", "text", kSchedule, "scheduleTargetFile",   // 0-1
                            "text", kSchedule, "cmbStartTime", "enabled", kSchedule, "schedulePassword",   // 2-3
                            "post-click", kSchedule, "Command3Schedule", "message-box", "30",               // 4
                            "answer-message-box", "OK",
                            "check", kSchedule, "scheduleitem+0", "1", "check", kSchedule, "weekday+0", "1",
                            "check", kSchedule, "weekday+6", "1", "combo-select", kSchedule, "cmbStartTime", "23:30",
                            "text", kSchedule, "cmbStartTime",                                              // 5
                            "post-click", kSchedule, "Command3Schedule", "message-box", "120",              // 6
                            "answer-message-box", "OK", "wait-window", kSchedule, "1"});
    ASSERT_TRUE(d.ok()) << said(d);
    EXPECT_EQ(d[0], "alice");
    EXPECT_EQ(d[1], appFolder() + "\\livemailbak-alice.wlm");
    EXPECT_EQ(d[2], "9:00");
    EXPECT_EQ(d[3], "0");
    EXPECT_EQ(d.parts(4), (std::vector<std::string>{"Please select at least one item.", "OK"}));
    EXPECT_EQ(d[5], "23:30");
    // schtasks /create with /sc WEEKLY fails under Wine with status 1 and only
    // a debug note (which WINEDEBUG=-all silences); the program names the
    // command that failed and how.
    EXPECT_EQ(d.parts(6), (std::vector<std::string>{"The backup could not be scheduled:\r\n"
                                                    "schtasks /create failed: exit code 1",
                                                    "OK"}));
    EXPECT_FALSE(fs::exists(p().appFolder() / "lastrun.dat")) << "no task to count missed runs from";

    // The window stays after the failure, with the user's choices. Disable
    // Task says it is done whatever schtasks did, and the window stays.
    const Driven disable = drive({"text", kSchedule, "cmbStartTime", "at", kSchedule, "scheduleitem+0",
                                  "post-click", kSchedule, "Command1Schedule", "message-box", "120",
                                  "answer-message-box", "OK", "wait-window", kSchedule, "1",
                                  "click", kSchedule, "Command2Schedule", "wait-gone", kSchedule, "30"});
    ASSERT_TRUE(disable.ok()) << said(disable);
    EXPECT_EQ(disable[0], "23:30");
    EXPECT_EQ(disable[1], "1300 Button");
    EXPECT_EQ(disable.parts(2),
              (std::vector<std::string>{std::string("Task ") + kTaskName + " has been Delete.", "OK"}));
}

// ---- The disc window ----------------------------------------------------------------

// Wine has no disc writing service: the window says so, then that no device
// is reported, and still composes the image.
TEST_F(Win32Windows, TheDiscWindowSaysNoDeviceIsReportedAndStaysUsable) {
    startProgram();
    const Driven d = drive({"menu", kMain, "mnuBackuptocd", "message-box", "60", "answer-message-box", "OK",  // 0
                            "message-box", "30", "answer-message-box", "OK",                                   // 1
                            "wait-window", kDisc, "30", "tree-items", kDisc, "tvwFolders",                       // 2
                            "text", kDisc, "txtVolIdentifier", "combo-items", kDisc, "cboVolumeType",            // 3 4
                            "combo-items", kDisc, "cboDevices", "combo-items", kDisc, "cboWriteSpeed",           // 5 6
                            "status-texts", kDisc, "sbrStatus", "enabled", kDisc, "cmdCancelWrite",              // 7 8
                            "checked", kDisc, "writeOption+6", "text", kDisc, "writeOption+0",                   // 9 10
                            "post-click", kDisc, "cmdWriteDisc", "message-box", "30", "answer-message-box", "OK",  // 11
                            "menu", kDisc, "mnuDiscDevice+2", "enabled", kDisc, "cmdWriteDisc"});                // 12
    ASSERT_TRUE(d.ok()) << said(d);
    EXPECT_NE(d.parts(0)[0].find("IMAPI2"), std::string::npos) << d[0];
    EXPECT_EQ(d.parts(1), (std::vector<std::string>{kNoDevices, "OK"}));
    EXPECT_EQ(d[2], "Windows Live Mail Data Backup CD");
    EXPECT_EQ(d[3], "Windows Live Mail Data Backup CD");
    EXPECT_EQ(d.parts(4), (std::vector<std::string>{"ISO9660", "UDF", "ISO9660/Joliet Bridge",
                                                    "ISO9660/UDF (DVDVideo) Bridge", "ISO9660/Joliet/UDF Bridge"}));
    EXPECT_EQ(d[5], "");
    EXPECT_EQ(d[6], "");
    // An empty image still has its volume descriptors and root directory.
    ASSERT_EQ(d.parts(7).size(), 3u) << d[7];
    EXPECT_TRUE(std::regex_match(d.parts(7)[0], std::regex(R"(Data Image Size: 0\.[0-9]{2} MB)"))) << d[7];
    EXPECT_EQ(d.parts(7)[1], "Files: 0");
    EXPECT_EQ(d.parts(7)[2], "Folders: 0");
    EXPECT_EQ(d[8], "0");
    EXPECT_EQ(d[9], "1") << "Use File Dates starts checked";
    EXPECT_EQ(d[10], "Use Buffer Protection");
    EXPECT_EQ(d.parts(11), (std::vector<std::string>{kNoDevices, "OK"}));
    EXPECT_EQ(d[12], "1") << "no writer: nothing to erase, and the window stays usable";
    const Driven closed = drive({"close", kDisc, "wait-gone", kDisc, "30", "enabled", kMain, "cmdApply"});
    ASSERT_TRUE(closed.ok()) << said(closed);
    EXPECT_EQ(closed[0], "1");
}

// After a backup the disc window lists the new file; it is renamed in place,
// the root is not, and Clear All Items empties the image.
TEST_F(Win32Windows, AfterABackupTheDiscWindowListsTheNewFileAndRenamesIt) {
    writeFile(settingsFile(), "[General]\r\nburndvd=1\r\nrunliveafterbackup=0\r\nrunliveafterrestore=0\r\n"
                              "[backup]\r\nopenfolderbackup=0\r\n[autobackup]\r\nautobackupfile=0\r\n");
    startProgram();
    const Driven d = drive({"check", kMain, "backupitem+5", "1", "text", kMain, "txtTargetFile",                // 0
                            "post-click", kMain, "cmdApply", "message-box", "120", "answer-message-box", "OK",  // 1
                            "message-box", "60", "answer-message-box", "OK", "message-box", "30",              // 2 3
                            "answer-message-box", "OK", "wait-window", kDisc, "30",
                            "list-rows", kDisc, "lvwImageFiles", "status-texts", kDisc, "sbrStatus"});         // 4 5
    ASSERT_TRUE(d.ok()) << said(d);
    const std::string name = d[0].substr(d[0].find_last_of('\\') + 1);
    EXPECT_EQ(d.parts(1)[0].substr(0, 25), "The Backup was Completed!") << d[1];
    EXPECT_NE(d.parts(2)[0].find("IMAPI2"), std::string::npos) << d[2];
    EXPECT_EQ(d.parts(3)[0], kNoDevices);
    const std::vector<std::string> row = d.parts(4);
    ASSERT_EQ(row.size(), 1u) << d[4];
    EXPECT_EQ(row[0].substr(0, name.size() + 1), name + "|") << row[0];
    EXPECT_TRUE(std::regex_search(row[0], std::regex(R"(\|[0-9,]+\.[0-9]{2} KB\|\d{2}/\d{2}/\d{4} \d{2}:\d{2}:\d{2} [AP]M$)")))
        << row[0];
    ASSERT_EQ(d.parts(5).size(), 3u);
    EXPECT_EQ(d.parts(5)[1], "Files: 1");

    const Driven renamed = drive({"list-select", kDisc, "lvwImageFiles", "0", "menu", kDisc, "mnuDiscFile+5",
                                  "edit-label", kDisc, "lvwImageFiles", "Mail 2026.wlm",
                                  "list-rows", kDisc, "lvwImageFiles",                                      // 0
                                  "tree-select", kDisc, "tvwFolders", "Windows Live Mail Data Backup CD",
                                  "menu", kDisc, "mnuDiscFile+3", "message-box", "30", "answer-message-box", "OK",  // 1
                                  "menu", kDisc, "mnuDiscFile+0", "tree-items", kDisc, "tvwFolders",       // 2
                                  "list-rows", kDisc, "lvwImageFiles", "text", kDisc, "txtVolIdentifier",  // 3 4
                                  "menu", kDisc, "mnuDiscFile+7", "wait-gone", kDisc, "30"});
    ASSERT_TRUE(renamed.ok()) << said(renamed);
    EXPECT_EQ(renamed[0].substr(0, 14), "Mail 2026.wlm|") << renamed[0];
    EXPECT_EQ(renamed.parts(1), (std::vector<std::string>{"Root directory can not be renamed.", "OK"}));
    EXPECT_EQ(renamed[2], "New Disc");
    EXPECT_EQ(renamed[3], "");
    EXPECT_EQ(renamed[4], "New Disc");
}

// Over a stand-in writer: the writer's lists, a write reported in steps from
// the engine's thread, and the erase window from the Device menu.
TEST_F(Win32Windows, OverAWriterTheDiscWindowWritesAndTheEraseWindowErases) {
    const fs::path backup = p().appFolder() / "Backup.wlm";
    writeFile(backup, std::string(300000, 'w'));
    start(shellQuote(TARNHOLD_DISC_STAND_IN) + " " + shellQuote(WinePrefixCopy::windowsPath(backup)), kDisc);
    const Driven d = drive({"combo-items", kDisc, "cboDevices", "combo-items", kDisc, "cboWriteSpeed",       // 0 1
                            "checked", kDisc, "writeOption+0", "enabled", kDisc, "writeOption+0",           // 2 3
                            "list-rows", kDisc, "lvwImageFiles", "press", kDisc, "txtVolIdentifier", "return",  // 4
                            "sleep", "300", "enabled", kDisc, "cmdCancelWrite",                              // 5
                            "post-click", kDisc, "cmdWriteDisc", "message-box", "60",                       // 6
                            "enabled", kDisc, "cmdWriteDisc", "answer-message-box", "OK",                   // 7
                            "status-texts", kDisc, "sbrStatus", "enabled", kDisc, "cmdWriteDisc",           // 8 9
                            "text", kDisc, "prgTotalProgress"});
    ASSERT_TRUE(d.ok()) << said(d);
    EXPECT_EQ(d[0], "Stand-in DVD Writer");
    EXPECT_EQ(d.parts(1), (std::vector<std::string>{"8.0x", "4.0x"}));
    EXPECT_EQ(d[2], "1") << "the writer protects against buffer underruns";
    EXPECT_EQ(d[3], "1");
    EXPECT_EQ(d[4].substr(0, 21), "Backup.wlm|300.00 KB|") << d[4];
    EXPECT_EQ(d[5], "0") << "Enter in the volume name starts no write";
    EXPECT_EQ(d.parts(6), (std::vector<std::string>{"Write Complete!", "OK"}));
    EXPECT_EQ(d[7], "0") << "the write's message comes before the window is usable again";
    ASSERT_EQ(d.parts(8).size(), 3u);
    EXPECT_EQ(d.parts(8)[0], "Write Completed!");
    EXPECT_EQ(d[9], "1");

    const char* kErase = "Erase Re-Writable CD/DVD";
    const Driven erased = drive({"menu", kDisc, "mnuDiscDevice+2", "wait-window", kErase, "30",
                                 "checked", kErase, "chkQuikErase", "press", kErase, "cmdErase", "return",   // 0
                                 "sleep", "300", "windows",                                                  // 1...
                                 "post-click", kErase, "cmdErase", "message-box", "60",
                                 "answer-message-box", "OK", "wait-gone", kErase, "30",
                                 "enabled", kDisc, "cmdWriteDisc", "close", kDisc, "wait-gone", kDisc, "30"});
    ASSERT_TRUE(erased.ok()) << said(erased);
    EXPECT_EQ(erased[0], "1");
    const std::size_t shown = erased.lines.size();
    ASSERT_GE(shown, 4u);
    EXPECT_EQ(erased.parts(shown - 2), (std::vector<std::string>{"Erase Completed!!!", "OK"}));
    EXPECT_EQ(erased[shown - 1], "1");
    for (std::size_t i = 1; i + 2 < shown; ++i)
        EXPECT_EQ(erased[i].find("Erase Completed"), std::string::npos) << "Enter on the Erase button erased";
    ASSERT_TRUE(programEnded(std::chrono::seconds(60))) << said(erased);
    EXPECT_EQ(programStatus(), "0\n");
}

TEST_F(Win32Windows, TheAboutWindowOpensFromButtonAndMenuAndQuitEndsTheProgram) {
    startProgram();
    const Driven d = drive({"post-click", kMain, "cmdAbout", "wait-window", kAbout, "30",
                            "text", kAbout, "Command3About", "layout", kAbout});
    ASSERT_TRUE(d.ok()) << said(d);
    EXPECT_EQ(d[0], "Exit");
    std::string layout;
    for (std::size_t i = 1; i < d.lines.size(); ++i) layout += d[i] + "\n";
    for (const char* text : {"Zorva Windows Live Mail Backup v3.00", "Thank you for using our product.", "Our E-mail",
                             "Visit Our Website"})
        EXPECT_NE(layout.find(text), std::string::npos) << text << " in\n" << layout;
    const Driven closed = drive({"menu", kMain, "mnuAbout"});
    EXPECT_NE(closed.status, 0) << "the main window's menu is out of reach while the about window is open";
    const Driven again = drive({"click", kAbout, "Command3About", "wait-gone", kAbout, "30", "menu", kMain, "mnuAbout",
                                "wait-window", kAbout, "30", "close", kAbout, "wait-gone", kAbout, "30",
                                "post-click", kMain, "cmdQuit"});
    ASSERT_TRUE(again.ok()) << said(again);
    ASSERT_TRUE(programEnded(std::chrono::seconds(60))) << said(again);
    EXPECT_EQ(programStatus(), "0\n");
}

}  // namespace
