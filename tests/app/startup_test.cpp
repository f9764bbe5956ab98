#include <gtest/gtest.h>

#include <filesystem>

#include "session/MainSession.h"
#include "support/TestEnvironment.h"

using testing_support::runCommand;
using testing_support::TempDir;

TEST(CommandLine, ArgumentsJoinWithBlanks) {
    const char* none[] = {"tarnhold"};
    EXPECT_EQ(session::JoinCommandLine(1, none), "");
    const char* one[] = {"tarnhold", " sf=ownerxm=1ps=bf=/x.wlm"};
    EXPECT_EQ(session::JoinCommandLine(2, one), " sf=ownerxm=1ps=bf=/x.wlm");
    const char* two[] = {"tarnhold", "a", "b"};
    EXPECT_EQ(session::JoinCommandLine(3, two), "a b");
}

TEST(Shutdown, ClosesArchivesAndDeletesTheStagedRecordOnce) {
    TempDir dir;
    testing_support::TestPlatform tp(dir.path());
    session::MainSession session(tp.services, "");
    session.InfoRecordPath = session::InfoRecordPathFor(tp.env);
    testing_support::writeFile(session.InfoRecordPath, "BackupItem=00000000000\r\n");
    session.Shutdown();
    EXPECT_FALSE(std::filesystem::exists(session.InfoRecordPath));
    session.Shutdown();  // harmless a second time
}

// Started with any argument, even a single blank, the program takes the
// unattended path: it needs no display and never waits for anyone.
TEST(Startup, AnyArgumentEndsWithoutAWindowOrDisplay) {
    TempDir dir;
    testing_support::makeSamplePrefix(dir / "prefix", {"--empty"});
    std::filesystem::create_directory(dir / "home");
    for (const std::string arg : {"' '", "anything"}) {
        std::string out;
        int rc = runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM WINEPREFIX='" + (dir / "prefix").string() +
                                "' TARNHOLD_HOME='" + (dir / "home").string() + "' timeout 20 '" TARNHOLD_BINARY "' " + arg,
                            &out);
        EXPECT_EQ(rc, 2) << out;  // not a scheduled command line: nothing done
    }
    // The missing-client message went to the log instead of a window.
    EXPECT_NE(testing_support::readFile(dir / "home" / "brlog.dat").find("Your Windows System have not install"),
              std::string::npos);
}
