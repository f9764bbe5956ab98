#pragma once
// Progress of a long verify or restore, drawn on standard error: on a
// terminal one bar line redrawn in place, elsewhere (a log, a pipe) one
// plain line per step. The numbers come from the archive reads themselves.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "restore/RestoreRun.h"

namespace cli {

// A byte count as people read it: "512 B", "12.0 kB", "301.7 MB" (powers of 1000).
std::string HumanBytes(std::uint64_t bytes);

// Text safe to print: control characters (C0, DEL, C1) and broken UTF-8
// become "?", so a member's name cannot move the cursor or start an
// escape sequence.
std::string PrintableText(std::string_view text);
// The columns printable text takes, one for each character.
std::size_t ColumnsOf(std::string_view text);

// Draws what it is told. Not thread-safe: ProgressTracker serializes it.
class ProgressView {
public:
    using Clock = std::chrono::steady_clock;
    // At most this often on a terminal, so drawing costs nothing.
    static constexpr std::chrono::milliseconds kRedrawEvery{100};

    ProgressView(std::ostream& out, bool terminal, std::function<std::size_t()> columns,
                 std::function<Clock::time_point()> now);

    bool terminal() const { return terminal_; }
    // A step starts: a plain line, or the bar's new label.
    void step(const std::string& label, std::uint64_t done, std::uint64_t total);
    // The count moved: the bar is redrawn when it is due.
    void moved(std::uint64_t done, std::uint64_t total);
    // All went well: the bar as it stands and the end of its line, or a
    // closing plain line with the exact count.
    void finish(std::uint64_t done, std::uint64_t total);
    // It failed: the bar line ends where it stands, so a message can follow
    // on a line of its own.
    void stop();
    // Blanks the bar line before other text goes to the terminal; the next
    // moved() draws it again below that text.
    void clear();

    // The bar line for `columns` terminal columns: exactly columns - 1 of
    // them (the last one would wrap on some terminals), padded with blanks.
    static std::string barLine(std::uint64_t done, std::uint64_t total, const std::string& label, std::size_t columns);

private:
    void draw(bool ending);

    std::ostream& out_;
    const bool terminal_;
    std::function<std::size_t()> columns_;
    std::function<Clock::time_point()> now_;
    std::string label_;
    std::uint64_t done_ = 0, total_ = 0;
    bool shown_ = false;  // a bar line is on the screen, not yet ended
    bool drawnOnce_ = false;
    Clock::time_point lastDraw_{};
};

// The steps of one command with their sizes, known before it reads, and how
// far each got. Safe to call from several threads: the archive reads that
// unpack on every core report from each of them.
class ProgressTracker {
public:
    static constexpr std::size_t kNoStep = static_cast<std::size_t>(-1);

    explicit ProgressTracker(ProgressView& view) : view_(view) {}

    // Before the first begin().
    std::size_t add(std::string label, std::uint64_t bytes);
    std::uint64_t total() const;

    // The step starts (once; later calls change nothing).
    void begin(std::size_t step);
    // The read behind the step has got to `done` of its `total`; the step
    // counts that share of its bytes, never less than it did. A step not
    // begun yet begins. kNoStep is ignored.
    void reached(std::size_t step, std::uint64_t done, std::uint64_t total);
    void finish();
    void stop();
    // Writes text that is no progress (a status line, a message) without
    // tearing the bar.
    void say(std::ostream& out, const std::string& text);

private:
    struct Step {
        std::string label;
        std::uint64_t bytes;
        std::uint64_t credited = 0;
        bool begun = false;
    };
    void beginLocked(std::size_t step);

    ProgressView& view_;
    mutable std::mutex mutex_;
    std::vector<Step> steps_;
    std::uint64_t total_ = 0, done_ = 0;
    bool ended_ = false;
};

// A restore's steps, from the reads it plans: a member taken out whole, a
// folder archive unpacked. The items say which member they start; reads of
// the backup then count for its whole step, unpacking for its files step.
class RestoreSteps {
public:
    RestoreSteps(ProgressTracker& tracker, const std::vector<restore::MemberRead>& plan);
    // On the restoring thread, as an item starts a member.
    void restoring(std::size_t item, const std::string& member);
    // Reads of the backup itself, on the restoring thread.
    void wholeRead(std::uint64_t done, std::uint64_t total);
    // Reads of the folder archive being unpacked, from any thread.
    void filesRead(std::uint64_t done, std::uint64_t total);

private:
    struct Planned {
        std::size_t item;
        std::string member;
        std::size_t whole, files;  // steps, or ProgressTracker::kNoStep
    };
    ProgressTracker& tracker_;
    std::vector<Planned> planned_;
    std::size_t next_ = 0;  // members are started in plan order
    std::atomic<std::size_t> whole_{ProgressTracker::kNoStep}, files_{ProgressTracker::kNoStep};
};

// Standard error's view: a terminal when it is one, as wide as it is (80
// columns when it does not say).
ProgressView TerminalOrPlainView();

// While one lives, messages written through WriteAside go around its bar.
class ActiveProgress {
public:
    explicit ActiveProgress(ProgressTracker& tracker);
    ~ActiveProgress();
    ActiveProgress(const ActiveProgress&) = delete;
    ActiveProgress& operator=(const ActiveProgress&) = delete;
};
void WriteAside(std::ostream& out, const std::string& text);

}  // namespace cli
