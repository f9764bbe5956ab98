#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/ChildProcess.h"
#include "support/TestSupport.h"

using platform::ProcessRun;
using platform::RunProcess;

// What the scheduler and Wine's tools are run with: input given, output and
// errors apart or into a file, the environment added to, the limit kept.
TEST(ChildProcess, RunsWithItsInputAndEnvironmentAndSaysHowItEnded) {
    ProcessRun run;
    run.program = "sh";
    run.arguments = {"-c", "tr a-z A-Z; echo \"$TARNHOLD_TEST\" >&2; exit 3"};
    run.environment = {{"TARNHOLD_TEST", "set for it"}};
    run.input = std::string(300000, 'x') + "\nend\n";  // more than a pipe holds
    auto outcome = RunProcess(run);
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_EQ(outcome.output, std::string(300000, 'X') + "\nEND\n");
    EXPECT_EQ(outcome.errors, "set for it\n");

    testing_support::TempDir dir;
    run.arguments = {"-c", "echo out; echo err >&2; cat"};
    run.input.clear();  // it reads an empty input and does not wait for more
    run.outputFile = (dir / "said").string();
    outcome = RunProcess(run);
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(testing_support::readFile(dir / "said"), "out\nerr\n");
    EXPECT_EQ(outcome.output, "");

    run.outputFile.clear();
    run.arguments = {"-c", "sleep 30"};
    run.limit = std::chrono::milliseconds(300);
    const auto start = std::chrono::steady_clock::now();
    outcome = RunProcess(run);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(outcome.started);
    EXPECT_FALSE(outcome.finished);
    EXPECT_NE(outcome.problem.find("did not finish in time"), std::string::npos) << outcome.problem;

    run.program = "no-such-program-here";
    outcome = RunProcess(run);
    EXPECT_FALSE(outcome.started);
    EXPECT_NE(outcome.problem.find("could not be started"), std::string::npos) << outcome.problem;
}

TEST(ChildProcess, ADetachedProgramRunsOnAfterItsStart) {
    testing_support::TempDir dir;
    ProcessRun run;
    run.program = "sh";
    run.arguments = {"-c", "sleep 0.3; echo \"$TARNHOLD_TEST\" > '" + (dir / "done").string() + "'"};
    run.environment = {{"TARNHOLD_TEST", "detached"}};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(platform::StartDetached(run));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));  // not waited for
    for (int i = 0; i < 100 && !std::filesystem::exists(dir / "done"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(testing_support::readFile(dir / "done"), "detached\n");
    run.program = "no-such-program-here";
    EXPECT_FALSE(platform::StartDetached(run));
}
