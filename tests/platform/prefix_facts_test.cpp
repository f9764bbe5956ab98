// What the program learns about a prefix as Wine made it: the profile folder,
// the ANSI code page, paths spelled in another case, and whether its
// wineserver runs.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/AnsiText.h"
#include "platform/Environment.h"
#include "platform/MemoryRegistry.h"
#include "platform/posix/PosixWineServer.h"
#include "platform/PrefixFacts.h"
#include "support/TestSupport.h"

using namespace platform;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

const std::string kVolatile = "Volatile Environment";
const std::string kProfileList =
    std::string("Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\") + kWineUserSid;

void setText(MemoryRegistry& reg, Hive hive, const std::string& key, const std::string& name, const std::string& text) {
    reg.createKey(hive, key);
    reg.setValue(hive, key, RegValue::string(name, REG_SZ, text, true));
}

// Restores the process-wide code page after a test changes it.
struct CodePageGuard {
    ~CodePageGuard() { SetAnsiCodePage(1252); }
};

}  // namespace

TEST(PrefixFacts, TheProfileFolderIsFoundWhereWineRecordsIt) {
    MemoryRegistry reg;
    EXPECT_EQ(ResolveUserProfile(reg, "", "", "login"), "C:\\users\\login");
    EXPECT_EQ(ResolveUserProfile(reg, "", "alice", "login"), "C:\\users\\alice");
    setText(reg, Hive::LocalMachine, kProfileList, "ProfileImagePath", "C:\\users\\listed");
    EXPECT_EQ(ResolveUserProfile(reg, "", "alice", "login"), "C:\\users\\listed");
    setText(reg, Hive::CurrentUser, kVolatile, "USERPROFILE", "C:\\users\\volatile");
    EXPECT_EQ(ResolveUserProfile(reg, "", "alice", "login"), "C:\\users\\volatile");
    EXPECT_EQ(ResolveUserProfile(reg, "C:\\users\\set", "alice", "login"), "C:\\users\\set");
}

TEST(PrefixFacts, TheCodePageIsThePrefixsOwnAndTextsItCannotHoldAreNeverTurnedIntoQuestionMarks) {
    CodePageGuard guard;
    MemoryRegistry reg;
    const std::string key = "System\\CurrentControlSet\\Control\\Nls\\CodePage";
    EXPECT_EQ(ReadAnsiCodePage(reg), 1252u);
    setText(reg, Hive::LocalMachine, key, "ACP", "not a number");
    EXPECT_EQ(ReadAnsiCodePage(reg), 1252u);
    setText(reg, Hive::LocalMachine, key, "ACP", "1251");
    EXPECT_EQ(ReadAnsiCodePage(reg), 1251u);

    SetAnsiCodePage(1251);
    EXPECT_EQ(AnsiCodePage(), 1251u);
    const std::string mail = "\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0";  // "Почта"
    EXPECT_EQ(toAnsiExact(mail), std::optional<std::string>("\xCF\xEE\xF7\xF2\xE0"));
    EXPECT_EQ(fromAnsi("\xCF\xEE\xF7\xF2\xE0"), mail);
    EXPECT_FALSE(fitsAnsi("\xC3\xA9t\xC3\xA9"));  // "été" is not in 1251

    SetAnsiCodePage(1252);
    EXPECT_FALSE(fitsAnsi(mail));
    EXPECT_EQ(toAnsi(mail), "<U+041F><U+043E><U+0447><U+0442><U+0430>");
    TempDir dir;
    EXPECT_FALSE(writeAnsiLines((dir / "a.dat").string(), {"ok", mail}));
    EXPECT_FALSE(appendAnsiLineExact((dir / "b.dat").string(), mail));

    SetAnsiCodePage(99999);  // unknown: the western default
    EXPECT_EQ(AnsiCodePage(), 1252u);
}

TEST(EnvironmentHostPath, FindsFoldersSpelledInAnotherCaseAsWineDoes) {
    TempDir dir;
    Environment env;
    env.winePrefix = dir.str();
    fs::create_directories(dir / "drive_c" / "users" / "alice" / "AppData" / "Local");
    EXPECT_EQ(env.hostPath("C:\\Users\\alice\\AppData\\Local\\Microsoft"),
              dir.str() + "/drive_c/users/alice/AppData/Local/Microsoft");
    EXPECT_EQ(env.hostPath("C:\\USERS\\ALICE\\appdata"), dir.str() + "/drive_c/users/alice/AppData");
    // A name that exists as written is taken as written.
    fs::create_directories(dir / "drive_c" / "Users");
    EXPECT_EQ(env.hostPath("C:\\Users\\x"), dir.str() + "/drive_c/Users/x");
}

TEST(PosixWineServer, RunsOnlyWhenAServerWorksInThisPrefixsServerFolder) {
    TempDir dir;
    const std::string prefix = (dir / "prefix").string();
    fs::create_directories(prefix);
    const std::string folder = PosixWineServer::serverFolderName(prefix);
    ASSERT_EQ(folder.rfind("server-", 0), 0u);
    const fs::path server = dir / "tmp" / "wine-x" / folder;
    const fs::path other = dir / "tmp" / "wine-x" / "server-1-2";
    fs::create_directories(server);
    fs::create_directories(other);

    const fs::path proc = dir / "proc";
    auto process = [&](const std::string& pid, const std::string& comm, const fs::path& cwd) {
        writeFile(proc / pid / "comm", comm + "\n");
        fs::create_directory_symlink(cwd, proc / pid / "cwd");
    };
    process("10", "wineserver64", other);  // another prefix's server
    process("11", "bash", server);         // a shell in our server's folder
    writeFile(proc / "self" / "comm", "wineserver\n");
    PosixWineServer wine(prefix, proc.string());
    EXPECT_FALSE(wine.running());
    process("12", "wineserver64", server);
    EXPECT_TRUE(wine.running());
    fs::remove_all(proc / "12");
    process("13", "wineserver", server);
    EXPECT_TRUE(wine.running());

    EXPECT_TRUE(PosixWineServer::servesPrefix("wineserver64\n", "/tmp/wine-1/" + folder, folder));
    EXPECT_FALSE(PosixWineServer::servesPrefix("wineserver64\n", "/tmp/wine-1/" + folder + "-old", folder));
    EXPECT_FALSE(PosixWineServer::servesPrefix("wine64\n", "/tmp/wine-1/" + folder, folder));
    EXPECT_FALSE(PosixWineServer::servesPrefix("wineserver\n", "/tmp/wine-1/", ""));
}
