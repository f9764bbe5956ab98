// Atomic writes where the target's folder is not there: on both builds.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>

#include "platform/AtomicFile.h"
#include "platform/FsPath.h"
#include "support/TestSupport.h"

using namespace platform;

TEST(AtomicWrite, AFileInAMissingFolderFailsAtOnceWithItsReasonAndLeavesNothing) {
    testing_support::TempDir dir;
    const std::string target = pathText(dir / "missing" / "lastrun.dat");
    // A writer that looked for a free temporary name for ever would never come back.
    auto attempt = std::async(std::launch::async, [&] {
        std::string why;
        const bool written = writeFileAtomically(target, "record", &why);
        return std::pair{written, why};
    });
    if (attempt.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ADD_FAILURE() << "the write into a missing folder did not return";
        std::_Exit(1);
    }
    const auto [written, why] = attempt.get();
    EXPECT_FALSE(written);
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    EXPECT_NE(temporaryPathBeside(target).find(pathText(dir / "missing")), std::string::npos);
}
