#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "cli/CliProgress.h"
#include "support/TestSupport.h"

using cli::HumanBytes;
using cli::PrintableText;
using cli::ProgressTracker;
using cli::ProgressView;
using testing_support::readFile;
using testing_support::runCommand;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

// A clock the test moves by hand.
struct FakeClock {
    ProgressView::Clock::time_point now{};
    void advance(int ms) { now += std::chrono::milliseconds(ms); }
};

ProgressView viewOn(std::ostringstream& out, bool terminal, std::size_t columns, FakeClock& clock) {
    return ProgressView(out, terminal, [columns] { return columns; }, [&clock] { return clock.now; });
}

std::string cells(std::size_t filled, std::size_t empty) { return std::string(filled, '#') + std::string(empty, '.'); }

// The bytes verify reads of a backup, from the sizes `tarnhold-cli list`
// prints: every member once, and each folder archive twice more, taken out
// and then read file by file. For a restore of every item: every member but
// the record, and a folder archive twice when it cannot be opened in place.
struct ListedSizes {
    std::uint64_t members = 0, folderArchives = 0, record = 0;
    int files = 0;  // inside the folder archives
};

ListedSizes listedSizes(const std::string& listing) {
    ListedSizes sizes;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 15) continue;
        const std::uint64_t size = std::stoull(line.substr(0, 12));
        if (line.compare(12, 6, "      ") == 0) {
            ++sizes.files;
            continue;
        }
        const std::string name = line.substr(14);
        sizes.members += size;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".zip") == 0) sizes.folderArchives += size;
        if (name == "oebackup.dat") sizes.record = size;
    }
    return sizes;
}

// The exact count the plain closing line gives: "read A of B (X of Y bytes)".
std::pair<std::uint64_t, std::uint64_t> closingCount(const std::string& output) {
    static const std::regex closing("\nread [^\n]* \\(([0-9]+) of ([0-9]+) bytes\\)\n");
    std::smatch match;
    if (!std::regex_search(output, match, closing)) return {0, 0};
    return {std::stoull(match[1]), std::stoull(match[2])};
}

// Runs a command line with a new pseudo-terminal of `columns` columns as
// its standard input, output and error; everything it wrote, as the
// terminal passed it on (line ends become CR LF).
int runUnderTerminal(const std::string& commandLine, unsigned short columns, std::string* output) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = columns;
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, &size);
    if (child < 0) return -1;
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", commandLine.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    output->clear();
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) {
            output->append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;  // EIO once the child's side is closed
    }
    close(master);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The bar lines drawn on a terminal: each text after a CR that starts a bar.
std::vector<std::string> barsIn(const std::string& output) {
    std::vector<std::string> bars;
    for (std::size_t at = output.find("\r["); at != std::string::npos; at = output.find("\r[", at + 1)) {
        const std::size_t end = output.find_first_of("\r\n", at + 1);
        bars.push_back(output.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1));
    }
    return bars;
}

struct Profile {
    Profile() {
        testing_support::makeSamplePrefix(dir / "prefix", {"--user", "owner", "--accounts", "2", "--messages", "4"});
        fs::create_directories(dir / "home");
        writeFile(dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    }
    std::string env() const {
        return "env -u DISPLAY USERPROFILE='C:\\users\\owner' WINEPREFIX='" + (dir / "prefix").string() +
               "' TARNHOLD_HOME='" + (dir / "home").string() + "' TARNHOLD_PASSWORD='s3cret' ";
    }
    std::string cliLine(const std::string& args) const { return env() + "timeout 120 '" TARNHOLD_CLI "' " + args; }
    // A backup of every item, protected with the password or not.
    std::string backup(const std::string& name, bool protect) {
        const std::string archive = (dir / name).string();
        std::string out;
        EXPECT_EQ(runCommand(env() + "timeout 120 '" TARNHOLD_BINARY "' ' sf=ownerxm=11111111111ps=" +
                                 (protect ? "s3cret" : "") + "bf=" + archive + "'",
                             &out),
                  0)
            << out;
        return archive;
    }
    ListedSizes sizesOf(const std::string& archive) {
        std::string out;
        EXPECT_EQ(runCommand(cliLine("list '" + archive + "'") + " 2>/dev/null", &out), 0) << out;
        return listedSizes(out);
    }
    TempDir dir;
};

}  // namespace

TEST(CliProgress, ByteCountsReadAsPeopleReadThem) {
    EXPECT_EQ(HumanBytes(0), "0 B");
    EXPECT_EQ(HumanBytes(999), "999 B");
    EXPECT_EQ(HumanBytes(1000), "1.0 kB");
    EXPECT_EQ(HumanBytes(1049), "1.0 kB");
    EXPECT_EQ(HumanBytes(1050), "1.1 kB");
    EXPECT_EQ(HumanBytes(999949), "999.9 kB");
    EXPECT_EQ(HumanBytes(999950), "1.0 MB");  // never "1000.0 kB"
    EXPECT_EQ(HumanBytes(112400000), "112.4 MB");
    EXPECT_EQ(HumanBytes(301749999), "301.7 MB");
    EXPECT_EQ(HumanBytes(5000000000), "5.0 GB");
    EXPECT_EQ(HumanBytes(1234567890123), "1.2 TB");
    EXPECT_EQ(HumanBytes(UINT64_MAX), "18.4 EB");
}

TEST(CliProgress, NamesCannotCarryControlsOrEscapes) {
    EXPECT_EQ(PrintableText("Inbox/1.eml"), "Inbox/1.eml");
    EXPECT_EQ(PrintableText("Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x94 \xF0\x9F\x93\xA7.zip"),
              "Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x94 \xF0\x9F\x93\xA7.zip");
    EXPECT_EQ(PrintableText("evil\x1B[2J\r\n\t\x7F.eml"), "evil?[2J????.eml");
    EXPECT_EQ(PrintableText("c1\xC2\x9B" "31m"), "c1?31m");           // CSI as a C1 character
    EXPECT_EQ(PrintableText("raw\x9B" "31m\xFF\xC3"), "raw?31m??");     // broken UTF-8
    EXPECT_EQ(PrintableText("over\xC0\xAF" "long\xED\xA0\x80"), "over??long???");
}

TEST(CliProgress, TheTerminalBarIsOneLineRedrawnAtMostTenTimesASecond) {
    FakeClock clock;
    std::ostringstream out;
    ProgressView view = viewOn(out, true, 80, clock);
    ProgressTracker tracker(view);
    const auto record = tracker.add("verifying oebackup.dat", 700000);
    const auto account = tracker.add("verifying {1234}.zip", 301000000);
    EXPECT_EQ(tracker.total(), 301700000u);
    EXPECT_EQ(out.str(), "");  // nothing before the first step

    tracker.begin(record);
    clock.advance(10);
    tracker.reached(record, 700000, 700000);
    clock.advance(10);
    tracker.begin(account);
    clock.advance(50);
    tracker.reached(account, 50000000, 301000000);  // 70 ms after the first drawing: none
    clock.advance(80);
    tracker.reached(account, 111700000, 301000000);
    clock.advance(10);
    tracker.reached(account, 301000000, 301000000);
    tracker.finish();
    tracker.reached(account, 5, 10);  // nothing after the end
    tracker.finish();

    // 79 columns: the last one would wrap on some terminals.
    const std::string first = "[" + cells(0, 26) + "] 0 B of 301.7 MB   0%  verifying oebackup.dat      ";
    const std::string middle = "[" + cells(9, 17) + "] 112.4 MB of 301.7 MB  37%  verifying {1234}.zip   ";
    const std::string last = "[" + cells(26, 0) + "] 301.7 MB of 301.7 MB 100%  verifying {1234}.zip   ";
    EXPECT_EQ(first.size(), 79u);
    EXPECT_EQ(middle.size(), 79u);
    EXPECT_EQ(out.str(), "\r" + first + "\r" + middle + "\r" + last + "\n");
}

TEST(CliProgress, TheBarFitsItsTerminalAndCutsNamesFromTheFront) {
    const std::string label = "checking the files in {0A1B2C3D-4E5F}.zip";
    EXPECT_EQ(ProgressView::barLine(0, 5000, label, 60),
              "[" + cells(0, 19) + "] 0 B of 5.0 kB   0%  ...2C3D-4E5F}.zip");
    // Narrow: the bar gives way to the numbers, then the name goes.
    const std::uint64_t done = 112400000, total = 301700000;
    EXPECT_EQ(ProgressView::barLine(done, total, label, 40), "[" + cells(4, 7) + "] 112.4 MB of 301.7 MB  37%");
    EXPECT_EQ(ProgressView::barLine(done, total, label, 30), "112.4 MB of 301.7 MB  37%    ");
    EXPECT_EQ(ProgressView::barLine(done, total, label, 20), "112.4 MB of 301.7 M");
    // 99.99% is not done.
    EXPECT_EQ(ProgressView::barLine(9999, 10000, "", 50),
              "[" + cells(15, 1) + "] 10.0 kB of 10.0 kB  99%" + std::string(49 - 42, ' '));
    EXPECT_EQ(ProgressView::barLine(0, 0, "", 50), "[" + cells(16, 0) + "] 0 B of 0 B 100%" + std::string(49 - 34, ' '));
    // A name is cut between characters, never inside one.
    const std::string umlauts = "unpacking B\xC3\xBC" "cher und Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln.zip";
    const std::string line = ProgressView::barLine(1, 3, umlauts, 59);
    EXPECT_EQ(PrintableText(line), line);
    EXPECT_EQ(line, "[" + cells(6, 13) + "] 1 B of 3 B  33%  ...\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln.zip");
    std::size_t columns = 0;
    for (unsigned char c : line) columns += (c & 0xC0) != 0x80;
    EXPECT_EQ(columns, 58u);
}

TEST(CliProgress, PlainOutputHasALinePerStepAndTheExactCount) {
    FakeClock clock;
    std::ostringstream out;
    ProgressView view = viewOn(out, false, 80, clock);
    ProgressTracker tracker(view);
    const auto record = tracker.add("verifying oebackup.dat", 700000);
    const auto account = tracker.add("verifying {1234}.zip", 301000000);
    const auto odd = tracker.add("verifying evil\x1B[2J\r.dat", 0);
    tracker.begin(record);
    tracker.reached(record, 700000, 700000);
    tracker.reached(account, 1000, 301000000);  // begins the step
    for (std::uint64_t done = 0; done <= 301000000; done += 1000000) tracker.reached(account, done, 301000000);
    tracker.reached(account, 301000000, 301000000);
    tracker.begin(account);  // once only
    tracker.reached(odd, 0, 0);
    tracker.finish();
    EXPECT_EQ(out.str(),
              "verifying oebackup.dat... (0 B of 301.7 MB)\n"
              "verifying {1234}.zip... (700.0 kB of 301.7 MB)\n"
              "verifying evil?[2J?.dat... (301.7 MB of 301.7 MB)\n"
              "read 301.7 MB of 301.7 MB (301700000 of 301700000 bytes)\n");
}

TEST(CliProgress, AFailureEndsTheLineAndOtherTextGoesAroundTheBar) {
    FakeClock clock;
    std::ostringstream out;
    ProgressView view = viewOn(out, true, 40, clock);
    ProgressTracker tracker(view);
    const auto step = tracker.add("restoring a", 1000);
    tracker.say(out, "Restoring Mail Rules...\n");  // no bar yet: nothing to clear
    tracker.reached(step, 250, 1000);
    clock.advance(20);
    tracker.say(out, "Restoring Contacts...\n");
    tracker.stop();
    tracker.reached(step, 1000, 1000);
    tracker.finish();
    // The first drawing comes as the step begins, before its count moved.
    const std::string started = "[" + cells(0, 13) + "] 0 B of 1.0 kB   0%" + std::string(39 - 34, ' ');
    const std::string bar = "[" + cells(3, 10) + "] 250 B of 1.0 kB  25%" + std::string(39 - 36, ' ');
    EXPECT_EQ(out.str(), "Restoring Mail Rules...\n\r" + started + "\r" + std::string(39, ' ') +
                             "\rRestoring Contacts...\n\r" + bar + "\r" + bar + "\n");

    std::ostringstream quiet;
    ProgressView unused = viewOn(quiet, true, 80, clock);
    ProgressTracker never(unused);
    never.add("verifying x", 10);
    never.stop();  // nothing was drawn: nothing to end
    EXPECT_EQ(quiet.str(), "");
}

// Unpacking reports from every core at once; each drawing stays whole.
TEST(CliProgress, ReadsFromManyThreadsAddUpAndNeverTearTheLine) {
    FakeClock clock;
    std::ostringstream out;
    ProgressView view(out, true, [] { return std::size_t{72}; }, [&clock] {
        clock.advance(7);  // called under the tracker's lock
        return clock.now;
    });
    ProgressTracker tracker(view);
    std::vector<std::size_t> steps;
    for (int i = 0; i < 4; ++i) steps.push_back(tracker.add("unpacking " + std::to_string(i) + ".zip", 1000000));
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        threads.emplace_back([&, i] {
            for (std::uint64_t done = 997; done < 3000000; done += 997) tracker.reached(steps[i], done, 3000000);
            tracker.reached(steps[i], 3000000, 3000000);
        });
    }
    for (auto& t : threads) t.join();
    tracker.finish();
    const std::string text = out.str();
    ASSERT_EQ(text.back(), '\n');
    std::vector<std::string> drawn;
    for (std::size_t at = 0; (at = text.find('\r', at)) != std::string::npos;) {
        const std::size_t end = text.find_first_of("\r\n", at + 1);
        drawn.push_back(text.substr(at + 1, end - at - 1));
        at = end;
    }
    EXPECT_GT(drawn.size(), 10u);
    for (const auto& line : drawn) EXPECT_EQ(line.size(), 71u) << line;
    EXPECT_NE(drawn.back().find("] 4.0 MB of 4.0 MB 100%  unpacking "), std::string::npos) << drawn.back();
    for (const auto& line : drawn) {
        if (line.find("100%") != std::string::npos) {
            EXPECT_NE(line.find("4.0 MB of 4.0 MB"), std::string::npos) << line;
        }
    }
}

TEST(CliProgress, RestoreStepsFollowTheMembersTheItemsStart) {
    FakeClock clock;
    std::ostringstream out;
    ProgressView view = viewOn(out, false, 80, clock);
    ProgressTracker tracker(view);
    cli::RestoreSteps steps(tracker, {{0, "{A}.zip", 4000, false, true},
                                      {0, "WindowsMail.MSMessageStore", 1000, true, false},
                                      {5, "{C}.zip", 2000, true, true},
                                      {1, "OBR1.tmp", 500, true, false}});
    EXPECT_EQ(tracker.total(), 4000u + 1000 + 2000 + 2000 + 500);
    steps.restoring(0, "{A}.zip");
    steps.wholeRead(100, 100);  // opened in place: no read of the backup counts
    steps.filesRead(30000, 60000);
    steps.filesRead(60000, 60000);
    steps.restoring(0, "WindowsMail.MSMessageStore");
    steps.filesRead(1, 1);  // no folder archive here
    steps.wholeRead(1000, 1000);
    steps.restoring(5, "{C}.zip");
    steps.wholeRead(2000, 2000);
    steps.filesRead(10, 20);
    steps.restoring(9, "unplanned.dat");  // reads nothing the plan counts
    steps.wholeRead(7, 7);
    steps.filesRead(20, 20);
    steps.restoring(1, "OBR1.tmp");
    steps.wholeRead(500, 500);
    tracker.finish();
    EXPECT_EQ(out.str(),
              "unpacking {A}.zip... (0 B of 9.5 kB)\n"
              "restoring WindowsMail.MSMessageStore... (4.0 kB of 9.5 kB)\n"
              "taking out {C}.zip... (5.0 kB of 9.5 kB)\n"
              "unpacking {C}.zip... (7.0 kB of 9.5 kB)\n"
              "restoring OBR1.tmp... (8.0 kB of 9.5 kB)\n"
              "read 8.5 kB of 9.5 kB (8500 of 9500 bytes)\n");
}

// verify and restore of a real backup, once into a pipe and once on a
// terminal: plain lines or a redrawn bar, both at exactly the bytes read.
TEST(CliProgress, VerifyAndRestoreShowProgressInAPipeAndOnATerminal) {
    Profile p;
    const std::string plain = p.backup("plain.wlm", false);
    const std::string locked = p.backup("locked.wlm", true);
    const ListedSizes plainSizes = p.sizesOf(plain), lockedSizes = p.sizesOf(locked);
    ASSERT_GT(plainSizes.folderArchives, 0u);
    ASSERT_GT(plainSizes.files, 4);
    ASSERT_GT(plainSizes.record, 0u);
    ASSERT_GT(lockedSizes.folderArchives, 0u);

    // Into a pipe.
    std::string out;
    ASSERT_EQ(runCommand(p.cliLine("verify '" + plain + "'"), &out), 0) << out;
    EXPECT_EQ(out.find('\r'), std::string::npos);
    EXPECT_EQ(out.find('\x1B'), std::string::npos);
    EXPECT_EQ(out.find("verifying "), 0u) << out;
    EXPECT_NE(out.find("verifying oebackup.dat... ("), std::string::npos) << out;
    EXPECT_NE(out.find("\ntaking out "), std::string::npos) << out;
    EXPECT_NE(out.find(".zip... ("), std::string::npos) << out;
    EXPECT_NE(out.find("\nchecking the files in "), std::string::npos) << out;
    const std::uint64_t verifyBytes = plainSizes.members + 2 * plainSizes.folderArchives;
    EXPECT_EQ(closingCount(out), std::make_pair(verifyBytes, verifyBytes)) << out;
    EXPECT_EQ(out.substr(out.size() - plain.size() - 5), plain + ": OK\n");

    // A protected backup's folder archives are taken out before they are unpacked.
    using Case = std::tuple<std::string, ListedSizes, std::uint64_t>;
    for (const auto& [archive, sizes, takenOut] :
         {Case{plain, plainSizes, 0}, Case{locked, lockedSizes, lockedSizes.folderArchives}}) {
        ASSERT_EQ(runCommand(p.cliLine("restore '" + archive + "'"), &out), 0) << out;
        EXPECT_EQ(out.find('\r'), std::string::npos);
        EXPECT_NE(out.find("\nrestoring "), std::string::npos) << out;
        EXPECT_NE(out.find("\nunpacking "), std::string::npos) << out;
        EXPECT_EQ(out.find("\ntaking out ") != std::string::npos, takenOut > 0) << out;
        const std::uint64_t restoreBytes = sizes.members - sizes.record + takenOut;
        EXPECT_EQ(closingCount(out), std::make_pair(restoreBytes, restoreBytes)) << out;
        EXPECT_LT(out.find("\nread "), out.find("The Restore was Completed!\n\nRestore Mail Accounts")) << out;
        EXPECT_EQ(out.find("Fail!"), std::string::npos) << out;
    }

    // On a terminal 72 columns wide.
    ASSERT_EQ(runUnderTerminal(p.cliLine("verify '" + locked + "'"), 72, &out), 0) << out;
    const std::uint64_t lockedVerify = lockedSizes.members + 2 * lockedSizes.folderArchives;
    auto bars = barsIn(out);
    ASSERT_GE(bars.size(), 2u) << out;
    for (const auto& bar : bars) EXPECT_EQ(bar.size(), 71u) << bar;
    EXPECT_NE(bars.front().find("] 0 B of " + HumanBytes(lockedVerify) + "   0%  verifying "),
              std::string::npos) << bars.front();
    EXPECT_NE(bars.back().find("] " + HumanBytes(lockedVerify) + " of " + HumanBytes(lockedVerify) + " 100%  "),
              std::string::npos) << bars.back();
    // The bar's line ends before the result (the terminal turns LF into CR LF).
    EXPECT_NE(out.find(bars.back() + "\r\n" + locked + ": OK\r\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("verifying oebackup.dat... ("), std::string::npos);

    ASSERT_EQ(runUnderTerminal(p.cliLine("restore '" + locked + "'"), 72, &out), 0) << out;
    const std::uint64_t lockedRestore = lockedSizes.members - lockedSizes.record + lockedSizes.folderArchives;
    bars = barsIn(out);
    ASSERT_GE(bars.size(), 2u) << out;
    EXPECT_NE(bars.back().find("] " + HumanBytes(lockedRestore) + " of " + HumanBytes(lockedRestore) + " 100%  "),
              std::string::npos) << bars.back();
    // Status lines go above the bar, which comes back under each.
    EXPECT_NE(out.find(std::string(71, ' ') + "\r"), std::string::npos) << out;
    EXPECT_NE(out.find(bars.back() + "\r\nThe Restore was Completed!\r\n"), std::string::npos) << out;
}

TEST(CliProgress, AFailedVerifyEndsTheBarBeforeItsMessage) {
    Profile p;
    const std::string archive = p.backup("a.wlm", false);
    std::string bytes = readFile(archive);
    bytes[bytes.size() / 3] = static_cast<char>(bytes[bytes.size() / 3] ^ 0x01);
    const std::string flipped = (p.dir / "flipped.wlm").string();
    writeFile(flipped, bytes);

    std::string out;
    ASSERT_EQ(runCommand(p.cliLine("verify '" + flipped + "'"), &out), 1) << out;
    EXPECT_EQ(out.find('\r'), std::string::npos);
    EXPECT_EQ(out.find("\nread "), std::string::npos) << out;  // never claimed whole
    EXPECT_NE(out.find(")\ntarnhold-cli: "), std::string::npos) << out;

    ASSERT_EQ(runUnderTerminal(p.cliLine("verify '" + flipped + "'"), 80, &out), 1) << out;
    const auto bars = barsIn(out);
    ASSERT_FALSE(bars.empty()) << out;
    EXPECT_EQ(out.find("100%"), std::string::npos) << out;
    EXPECT_NE(out.find(bars.back() + "\r\ntarnhold-cli: "), std::string::npos) << out;
}
