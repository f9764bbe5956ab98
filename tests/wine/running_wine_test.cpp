// The program beside a Wine that runs in the prefix: what it reads is what
// Wine holds in memory, and what it writes is never undone by Wine.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "wine/WinePrefixCopy.h"

using testing_support::readFile;
using testing_support::runCommand;
using testing_support::shellQuote;
using testing_support::writeFile;
using wine_support::kClientKey;
using wine_support::WinePrefixCopy;
namespace fs = std::filesystem;

namespace {

const std::string kSignature = kClientKey + "\\signatures\\00000000";

// The members of an archive without a password, one after the other.
std::string members(const fs::path& archive) {
    std::string out;
    runCommand("unzip -p " + shellQuote(archive.string()), &out);
    return out;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return true;
}

}  // namespace

TEST(RealWine, AChangeWineHoldsInMemoryIsInTheUnattendedBackupMadeRightAfter) {
    SKIP_WITHOUT_WINE();
    WinePrefixCopy p;
    p.keepWineRunning();
    p.addValue(kSignature, "Live", "REG_SZ", "added while Wine runs");
    ASSERT_EQ(readFile(p.prefix() / "user.reg").find("added while Wine runs"), std::string::npos)
        << "Wine saved its registry already; the backup would not need to ask it";

    const fs::path archive = p.file("live.wlm");
    std::string out;
    ASSERT_EQ(p.tarnhold(" sf=alicexm=11111111111ps=bf=" + archive.string(), &out, "USER=alice"), 0) << out << p.log();
    EXPECT_EQ(p.log().find("Fail!"), std::string::npos) << p.log();
    EXPECT_NE(members(archive).find("added while Wine runs"), std::string::npos);
}

TEST(RealWine, ARestoreWhileWineRunsIsRefusedOrEndsWineFirstAndIsNeverUndone) {
    SKIP_WITHOUT_WINE();
    WinePrefixCopy p;
    const fs::path archive = p.file("rules.wlm");
    std::string out;
    ASSERT_EQ(p.tarnhold(" sf=alicexm=01010000000ps=bf=" + archive.string(), &out, "USER=alice"), 0) << out;
    const std::string rules = p.exported(kClientKey + "\\Rules");

    // A rule made after the backup, while a Windows program keeps Wine running.
    p.keepWineRunning();
    p.addValue(kClientKey + "\\Rules\\Mail\\002", "Name", "REG_SZ", "made after the backup");
    const std::string userReg = readFile(p.prefix() / "user.reg");

    EXPECT_EQ(p.cli("restore " + shellQuote(archive.string()), &out, "USER=alice"), 1) << out;
    EXPECT_NE(out.find("Windows programs are running in the Wine prefix " + p.prefix().string()), std::string::npos)
        << out;
    EXPECT_NE(out.find("--end-wine"), std::string::npos);
    EXPECT_EQ(readFile(p.prefix() / "user.reg"), userReg);  // nothing touched
    EXPECT_NE(p.exported(kClientKey + "\\Rules").find("made after the backup"), std::string::npos);

    ASSERT_EQ(p.cli("restore " + shellQuote(archive.string()) + " --end-wine", &out, "USER=alice"), 0) << out;
    EXPECT_EQ(out.find("Fail"), std::string::npos) << out;
    // Wine starts again from the files the restore wrote, and keeps them.
    p.keepWineRunning();
    EXPECT_EQ(p.exported(kClientKey + "\\Rules"), rules);
    p.endWine();
    EXPECT_EQ(p.exported(kClientKey + "\\Rules"), rules);
}

TEST(RealWine, WhenWineCannotBeAskedTheUnattendedRunWaitsForItToExit) {
    SKIP_WITHOUT_WINE();
    WinePrefixCopy p;
    // A Windows program that changes a value, then waits a while for a key.
    writeFile(p.prefix() / "drive_c" / "late.bat",
              "reg add \"" + kSignature + "\" /v Late /t REG_SZ /d \"saved at exit\" /f\r\npause\r\n");
    runCommand("(sleep 8; echo) | env -u DISPLAY HOME=" + shellQuote(p.home().string()) +
               " WINEPREFIX=" + shellQuote(p.prefix().string()) +
               " USER=alice WINEDEBUG=-all wine cmd /c 'C:\\late.bat' >/dev/null 2>&1 &");
    ASSERT_TRUE(waitFor([&] { return p.wine("reg query " + shellQuote(kSignature) + " /v Late") == 0; },
                        std::chrono::seconds(60)));

    // No wine on the PATH: the program cannot ask the running server.
    const fs::path archive = p.file("late.wlm");
    std::string out;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(p.tarnhold(" sf=alicexm=00000001000ps=bf=" + archive.string(), &out, "USER=alice PATH=/nonexistent"),
              0) << out << p.log();
    EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));  // it did wait
    EXPECT_NE(members(archive).find("saved at exit"), std::string::npos);
}
