#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/ChildProcess.h"
#include "platform/FsPath.h"
#include "platform/win32/Win32Launcher.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/WideText.h"
#include "schedule/SchtasksScheduler.h"

namespace fs = std::filesystem;
using platform::ProcessRun;
using platform::pathText;
using platform::RunProcess;
using platform::utf8;

// The C runtime's own split of the command line into wide words.
struct CrtStartupInfo {
    int newMode;
};
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** env, int expandWildcards,
                              CrtStartupInfo* startup);

namespace {


void writeOut(const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Started as "<this program> --child <what> ...", the test program is the
// child some cases need, and ends before any test runs:
//   words ...       prints each word it was given on a line of its own
//   wait            sleeps a minute, then ends with exit code 7
//   sleep <ms>      sleeps that long
//   end <name>      ends the processes of that name, prints how many
//   show <file>     writes the window state it was asked for into the file
[[maybe_unused]] const bool kRunAsChild = [] {
    int argc = 0;
    wchar_t** argv = nullptr;
    wchar_t** env = nullptr;
    CrtStartupInfo startup{0};
    if (__wgetmainargs(&argc, &argv, &env, 0, &startup) != 0 || argc < 3 || std::wstring(argv[1]) != L"--child") {
        return false;
    }
    const std::wstring what = argv[2];
    if (what == L"words") {
        std::string text;
        for (int i = 3; i < argc; ++i) text += "[" + utf8(argv[i]) + "]\n";
        writeOut(text);
        ExitProcess(0);
    }
    if (what == L"wait") {
        Sleep(60000);
        ExitProcess(7);
    }
    if (what == L"sleep" && argc > 3) {
        Sleep(static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
        ExitProcess(0);
    }
    if (what == L"end" && argc > 3) {
        writeOut(std::to_string(platform::Win32Processes().killByName(utf8(argv[3]))));
        ExitProcess(0);
    }
    if (what == L"show" && argc > 3) {
        STARTUPINFOW info{};
        info.cb = sizeof info;
        GetStartupInfoW(&info);
        std::ofstream(fs::path(argv[3])) << ((info.dwFlags & STARTF_USESHOWWINDOW) ? int(info.wShowWindow) : -1);
        ExitProcess(0);
    }
    ExitProcess(99);
}();

bool underWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

fs::path thisProgram() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(std::wstring(path, n));
}

fs::path systemFolder() {
    wchar_t path[MAX_PATH];
    const UINT n = GetSystemDirectoryW(path, MAX_PATH);
    return fs::path(std::wstring(path, n));
}

class TempDir {
public:
    TempDir() {
        static int serial = 0;
        path_ = fs::temp_directory_path() /
                ("tarnhold-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    fs::path operator/(const fs::path& name) const { return path_ / name; }

private:
    fs::path path_;
};

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The file's text once something has written it; empty when nothing has
// within ten seconds.
std::string writtenText(const fs::path& p) {
    std::string text;
    for (int i = 0; i < 200 && (text = readFile(p)).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // Seen, but perhaps not yet written to the end.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return readFile(p);
}

// A copy of the test program under its own name, so that it can be told
// apart from every other process.
fs::path copyOfThisProgram(const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(thisProgram(), to, fs::copy_options::overwrite_existing);
    return to;
}

// Started here rather than through the code under test, to keep its handle.
struct Started {
    explicit Started(const fs::path& program, const std::wstring& arguments) {
        std::wstring line = L"\"" + program.wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                           &info)) {
            CloseHandle(info.hThread);
            process = info.hProcess;
        }
    }
    ~Started() {
        if (!process) return;
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    bool endsWithin(DWORD ms) const { return WaitForSingleObject(process, ms) == WAIT_OBJECT_0; }
    DWORD exitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        return code;
    }
    HANDLE process = nullptr;
};

}  // namespace

// What the scheduler runs: a command line as it stands, input given, output
// and errors apart or into a file, the environment added to, the limit kept.
TEST(ChildProcess, RunsWithItsInputAndEnvironmentAndSaysHowItEnded) {
    ProcessRun run;
    // cmd strips the outer quotes and runs the rest; find passes on the
    // lines that hold an "x".
    run.commandLine = "cmd /c \"find \"x\"& echo %TARNHOLD_TEST%>&2& exit 3\"";
    run.environment = {{"TARNHOLD_TEST", "set for it"}};
    std::string kept;
    for (int i = 0; i < 300; ++i) kept += std::string(1000, 'x') + "\r\n";  // more than a pipe holds
    run.input = kept + "dropped\r\n" + "xend\r\n";
    kept += "xend\r\n";
    auto outcome = RunProcess(run);
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_EQ(outcome.output.size(), kept.size());
    EXPECT_TRUE(outcome.output == kept) << outcome.output.substr(0, 200);
    EXPECT_EQ(outcome.errors, "set for it\r\n");
    EXPECT_EQ(outcome.problem, "");

    // Names are the same without regard to case: the one given replaces
    // this process's, it is not added beside it.
    SetEnvironmentVariableW(L"TARNHOLD_CASE", L"here");
    run.commandLine = "cmd /c set tarnhold_case";
    run.environment = {{"tarnhold_Case", "given"}};
    run.input.clear();
    outcome = RunProcess(run);
    SetEnvironmentVariableW(L"TARNHOLD_CASE", nullptr);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.output, "tarnhold_Case=given\r\n");

    // Output and errors into one file; an empty input is read to its end.
    TempDir dir;
    run.commandLine = "cmd /c \"echo out& echo err>&2& find \"x\"\"";
    run.outputFile = pathText(dir / "said");
    outcome = RunProcess(run);
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.exitCode, 1);  // find found nothing
    EXPECT_EQ(readFile(dir / "said"), "out\r\nerr\r\n");
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors, "");

    // Ended at the limit, even though a program it started holds its pipes
    // for seconds after. The limit leaves that program time to start: a
    // process Wine ends while it is still starting one leaves that one hung.
    run.outputFile.clear();
    run.commandLine = "cmd /c \"\"" + pathText(thisProgram()) + "\" --child sleep 8000\"";
    run.limit = std::chrono::milliseconds(2000);
    auto start = std::chrono::steady_clock::now();
    outcome = RunProcess(run);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(outcome.started);
    EXPECT_FALSE(outcome.finished);
    EXPECT_EQ(outcome.problem, "\"" + run.commandLine + "\": it did not finish in time");

    run.commandLine.clear();
    run.program = "ping";
    run.arguments = {"-n", "10", "127.0.0.1"};
    run.limit = std::chrono::milliseconds(300);
    start = std::chrono::steady_clock::now();
    outcome = RunProcess(run);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_FALSE(outcome.finished);
    EXPECT_NE(outcome.problem.find("did not finish in time"), std::string::npos) << outcome.problem;

    run.program = "no-such-program-here";
    outcome = RunProcess(run);
    EXPECT_FALSE(outcome.started);
    EXPECT_NE(outcome.problem.find("\"no-such-program-here -n 10 127.0.0.1\" could not be started: "),
              std::string::npos)
        << outcome.problem;
    run.commandLine = "no-such-program-here /x";
    outcome = RunProcess(run);
    EXPECT_FALSE(outcome.started);
    EXPECT_NE(outcome.problem.find("\"no-such-program-here /x\" could not be started"), std::string::npos)
        << outcome.problem;
    run.commandLine.clear();
    run.program = "cmd";
    run.arguments = {"/c", "exit"};
    run.outputFile = pathText(dir / "no-such-folder" / "said");
    outcome = RunProcess(run);
    EXPECT_FALSE(outcome.started);
    EXPECT_NE(outcome.problem.find("could not be started"), std::string::npos) << outcome.problem;
}

// Each argument reaches the child as the one word it was, however it is
// made, non-ASCII included; a command line is given as it stands.
TEST(ChildProcess, PassesEachArgumentAsOneWord) {
    TempDir dir;
    // A folder with a blank and a non-ASCII letter in its name.
    const fs::path child = copyOfThisProgram(dir / fs::path(L"with blank \u00e9") / "child.exe");
    ProcessRun run;
    run.program = pathText(child);
    const std::vector<std::string> words = {"plain",        "two words",     "",
                                            "quote\"inside", "back\\slash",   "ends in\\",
                                            "ends\\",        "\\\\\"both\\\\", "tab\there",
                                            "\"",           "Z\u00fcrich \u65e5\u672c \U0001F600"};
    run.arguments = {"--child", "words"};
    run.arguments.insert(run.arguments.end(), words.begin(), words.end());
    auto outcome = RunProcess(run);
    ASSERT_TRUE(outcome.finished) << outcome.problem;
    std::string expected;
    for (const auto& word : words) expected += "[" + word + "]\n";
    EXPECT_EQ(outcome.output, expected);

    run.commandLine = "\"" + pathText(child) + "\" --child words a\\\"b \"c d\" \\\\\" e\"  \u00fc";
    outcome = RunProcess(run);
    EXPECT_EQ(outcome.output, "[a\"b]\n[c d]\n[\\ e]\n[\u00fc]\n");
}

TEST(ChildProcess, ADetachedProgramRunsOnAfterItsStart) {
    TempDir dir;
    ProcessRun run;
    const std::string done = pathText(dir / "done");
    run.commandLine = "cmd /c \"ping -n 2 127.0.0.1 >nul& echo %TARNHOLD_TEST%>\"" + done + "\"\"";
    run.environment = {{"TARNHOLD_TEST", "detached"}};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(platform::StartDetached(run));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800));  // not waited for
    EXPECT_FALSE(fs::exists(dir / "done"));
    EXPECT_EQ(writtenText(dir / "done"), "detached\r\n");
    run.commandLine.clear();
    run.program = "no-such-program-here";
    EXPECT_FALSE(platform::StartDetached(run));
}

// Every process of the name ends, counted, without regard to case; the one
// asking and processes of other names go on.
TEST(Win32Processes, EndsEveryProcessOfTheNameButNoOther) {
    TempDir dir;
    const std::string suffix = std::to_string(GetCurrentProcessId()) + ".exe";
    const fs::path ending = copyOfThisProgram(dir / ("tarnhold-ending-" + suffix));
    const fs::path staying = copyOfThisProgram(dir / ("tarnhold-staying-" + suffix));
    Started first(ending, L"--child wait"), second(ending, L"--child wait"), other(staying, L"--child wait");
    ASSERT_TRUE(first.process && second.process && other.process);
    EXPECT_FALSE(first.endsWithin(200));

    // A third of that name ends the other two, and not itself.
    ProcessRun run;
    run.program = pathText(ending);
    run.arguments = {"--child", "end", "TARNHOLD-Ending-" + suffix};
    const auto outcome = RunProcess(run);
    EXPECT_TRUE(outcome.finished) << outcome.problem;
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.output, "2");
    ASSERT_TRUE(first.endsWithin(5000));
    ASSERT_TRUE(second.endsWithin(5000));
    EXPECT_EQ(first.exitCode(), 0u);
    EXPECT_EQ(second.exitCode(), 0u);
    EXPECT_FALSE(other.endsWithin(200));

    platform::Win32Processes processes;
    EXPECT_EQ(processes.killByName(ending.filename().string()), 0);
    EXPECT_EQ(processes.killByName(""), 0);
    EXPECT_EQ(processes.killByName(staying.filename().string()), 1);
    ASSERT_TRUE(other.endsWithin(5000));
    EXPECT_EQ(other.exitCode(), 0u);
}

TEST(Win32Launcher, StartsCommandLinesInTheirWindowStateAndOpensDocuments) {
    TempDir dir;
    platform::Win32Launcher launcher{platform::Environment{}};
    const fs::path child = copyOfThisProgram(dir / "with blank" / "child.exe");
    const std::pair<platform::ShowMode, int> modes[] = {{platform::ShowMode::Normal, SW_SHOWNORMAL},
                                                        {platform::ShowMode::Minimized, SW_SHOWMINIMIZED},
                                                        {platform::ShowMode::Hidden, SW_HIDE}};
    int n = 0;
    for (const auto& [mode, show] : modes) {
        const fs::path file = dir / ("show-" + std::to_string(++n));
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(launcher.startWindowsCommand("\"" + pathText(child) + "\" --child show \"" + pathText(file) + "\"",
                                                 mode));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800));
        EXPECT_EQ(writtenText(file), std::to_string(show));
    }
    EXPECT_FALSE(launcher.startWindowsCommand("no-such-program-here /x", platform::ShowMode::Hidden));
    EXPECT_FALSE(launcher.startWindowsCommand("  ", platform::ShowMode::Hidden));

    // A batch file opens by running it, which shows that it was opened.
    for (int help = 0; help < 2; ++help) {
        const fs::path opened = dir / ("opened-" + std::to_string(help));
        const fs::path batch = dir / ("open me " + std::to_string(help) + ".bat");
        std::ofstream(batch) << "@echo opened>\"" << pathText(opened) << "\"\r\n";
        EXPECT_TRUE(help ? launcher.openHelp(pathText(batch)) : launcher.shellOpen(pathText(batch)));
        EXPECT_EQ(writtenText(opened), "opened\r\n");
    }
    EXPECT_FALSE(launcher.shellOpen(pathText(dir / "no-such-document.txt")));
    EXPECT_FALSE(launcher.openHelp(pathText(dir / "no-such-help.chm")));
    EXPECT_FALSE(launcher.shellOpen(""));
}

// Against the system's own schtasks. On Windows this replaces the real
// task of the program, so it runs there only when asked for.
TEST(SchtasksScheduler, EndsDeletesCreatesAndAsksThroughSchtasks) {
    const bool wine = underWine();
    if (!wine && !std::getenv("TARNHOLD_TEST_SYSTEM_SCHEDULER")) {
        GTEST_SKIP() << "set TARNHOLD_TEST_SYSTEM_SCHEDULER to let it replace the program's task";
    }
    // Where the scheduler keeps a task: the ground truth where schtasks
    // cannot be asked.
    const fs::path stored = systemFolder() / "Tasks" / schedule::kScheduledTaskName;
    const auto isStored = [&] {
        std::error_code ec;
        return fs::exists(stored, ec);
    };
    schedule::SchtasksScheduler scheduler("C:\\Program Files\\Tarnhold");
    scheduler.end();
    scheduler.remove();
    ASSERT_FALSE(isStored());

    const schedule::ScheduledTask task{{true, false, true, false, false, false, false}, "9:30", " sf=bobxm=1ps=bf=x"};
    scheduler.create(task);
    if (wine) {
        // Wine's schtasks creates only from an XML file: "/sc" is refused
        // with exit code 1 and nothing said.
        EXPECT_EQ(scheduler.lastError(), "schtasks /create failed: exit code 1");
        EXPECT_FALSE(isStored());
        TempDir dir;
        const fs::path xml = dir / "task.xml";
        std::ofstream(xml) << "<?xml version=\"1.0\"?>\r\n"
                              "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
                              "<Actions><Exec><Command>cmd.exe</Command></Exec></Actions>\r\n</Task>\r\n";
        ProcessRun run;
        run.commandLine = "schtasks /create /xml \"" + pathText(xml) + "\" /tn \"" +
                          schedule::kScheduledTaskName + "\"";
        const auto created = RunProcess(run);
        ASSERT_TRUE(created.finished) << created.problem;
        ASSERT_EQ(created.exitCode, 0) << created.output << created.errors;
    } else {
        EXPECT_EQ(scheduler.lastError(), "");
    }
    if (wine) {
        EXPECT_TRUE(isStored());
    }

    // Wine's schtasks has no /query: it succeeds and says nothing, which
    // tells nothing. Nor has it an /end, which succeeds all the same.
    ProcessRun query;
    query.commandLine = schedule::SchtasksScheduler::queryCommand();
    const auto queried = RunProcess(query);
    EXPECT_TRUE(queried.finished);
    EXPECT_EQ(queried.exitCode, 0);
    EXPECT_EQ(queried.output.empty() && queried.errors.empty(), wine);
    EXPECT_EQ(scheduler.taskExists(), wine ? std::nullopt : std::optional<bool>(true));

    scheduler.end();
    EXPECT_EQ(scheduler.lastError(), "");
    scheduler.remove();
    EXPECT_EQ(scheduler.lastError(), "");
    if (wine) {
        EXPECT_FALSE(isStored());
    }
    EXPECT_EQ(scheduler.taskExists(), wine ? std::nullopt : std::optional<bool>(false));

    // Deleting a task that is not there: Windows says so and is asked, and
    // it is no error; Wine says nothing, fails, and cannot be asked.
    scheduler.remove();
    EXPECT_EQ(scheduler.lastError(), wine ? "schtasks /delete failed: exit code 1" : "");
}
