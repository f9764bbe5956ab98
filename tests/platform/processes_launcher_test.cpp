#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/PosixLauncher.h"
#include "platform/posix/PosixProcesses.h"
#include "support/TestSupport.h"

using namespace platform;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

pid_t startSleeper() {
    pid_t pid = fork();
    if (pid == 0) {
        execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// True when the child ended by SIGKILL; reaps it either way.
bool endedByKill(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

}  // namespace

TEST(PosixProcesses, EndsOnlyProcessesWhoseNameMatches) {
    EXPECT_TRUE(PosixProcesses::processMatches("wlmail.exe\n", "", "WLMAIL.EXE"));
    EXPECT_TRUE(PosixProcesses::processMatches(
        "wine64-preload\n", std::string("C:\\Program Files\\Windows Live\\Mail\\wlmail.exe") + '\0' + "/x", "wlmail.exe"));
    EXPECT_FALSE(PosixProcesses::processMatches("wlmail.exe.bak\n", "", "wlmail.exe"));
    EXPECT_FALSE(PosixProcesses::processMatches("bash\n", "/bin/bash", "wlmail.exe"));

    // A process table with two real children: only the matching one ends.
    TempDir proc;
    pid_t target = startSleeper();
    pid_t bystander = startSleeper();
    writeFile(proc / std::to_string(target) / "comm", "WLMail.exe\n");
    writeFile(proc / std::to_string(bystander) / "comm", "sleep\n");
    writeFile(proc / std::to_string(bystander) / "cmdline", std::string("sleep\0" "30\0", 9));
    writeFile(proc / "self" / "comm", "wlmail.exe\n");
    PosixProcesses processes(proc.str());
    EXPECT_EQ(processes.killByName("wlmail.exe"), 1);
    EXPECT_TRUE(endedByKill(target));
    EXPECT_EQ(kill(bystander, 0), 0);  // still running
    kill(bystander, SIGKILL);
    endedByKill(bystander);
}

TEST(PosixLauncher, SplitsWindowsCommandLinesForWine) {
    EXPECT_EQ(PosixLauncher::splitWindowsCommandLine("\"C:\\Program Files\\Windows Live\\Mail\\wlmail.exe\""),
              (std::vector<std::string>{"C:\\Program Files\\Windows Live\\Mail\\wlmail.exe"}));
    EXPECT_EQ(PosixLauncher::splitWindowsCommandLine("explorer  /n,C:\\x\\"),
              (std::vector<std::string>{"explorer", "/n,C:\\x\\"}));
    EXPECT_EQ(PosixLauncher::splitWindowsCommandLine("notepad \"\""), (std::vector<std::string>{"notepad", ""}));
    EXPECT_TRUE(PosixLauncher::splitWindowsCommandLine("   ").empty());
    EXPECT_EQ(PosixLauncher::wineArguments("hh.exe help.chm", ShowMode::Minimized),
              (std::vector<std::string>{"start", "/min", "hh.exe", "help.chm"}));
    EXPECT_EQ(PosixLauncher::wineArguments("notepad a.txt", ShowMode::Normal),
              (std::vector<std::string>{"notepad", "a.txt"}));
    PosixLauncher launcher(Environment{});
    EXPECT_FALSE(launcher.startWindowsCommand("  ", ShowMode::Normal));
    EXPECT_FALSE(launcher.shellOpen(""));
}
