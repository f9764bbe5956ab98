#include "CliProgress.h"

#include <algorithm>
#include <atomic>
#include <iostream>

#include "platform/Console.h"

namespace cli {

namespace {

// Whole percent, rounded down: 100 only once all is done.
unsigned percentOf(std::uint64_t done, std::uint64_t total) {
    if (total == 0 || done >= total) return 100;
    const auto percent = static_cast<unsigned>(static_cast<long double>(done) * 100 / static_cast<long double>(total));
    return std::min(percent, 99u);
}

// The UTF-8 sequence at text[at]: its length, or 0 when it is broken.
std::size_t sequenceAt(std::string_view text, std::size_t at, char32_t* code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        length = 1;
        value = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are no characters.
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kLeast[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return 0;
    *code = value;
    return length;
}

// The end of the text in at most `room` columns, "..." in front of a cut.
std::string lastColumns(const std::string& text, std::size_t room) {
    if (ColumnsOf(text) <= room) return text;
    if (room <= 3) return std::string(room, '.');
    std::size_t keep = room - 3, at = text.size();
    while (keep > 0 && at > 0) {
        --at;
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) --keep;
    }
    return "..." + text.substr(at);
}

std::atomic<ProgressTracker*> active{nullptr};

}  // namespace

std::string HumanBytes(std::uint64_t bytes) {
    if (bytes < 1000) return std::to_string(bytes) + " B";
    static constexpr const char* kUnits[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    std::uint64_t unit = 1000;
    for (std::size_t k = 0;; ++k, unit *= 1000) {
        // Tenths of the unit, rounded half up; a count that rounds to
        // 1000.0 of one unit is shown as 1.0 of the next.
        const std::uint64_t tenth = unit / 10;
        const std::uint64_t tenths = bytes / tenth + (bytes % tenth >= tenth / 2 ? 1 : 0);
        if (tenths < 10000 || k + 1 == std::size(kUnits)) {
            return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + kUnits[k];
        }
    }
}

std::string PrintableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const std::size_t length = sequenceAt(text, at, &code);
        const bool control = code < 0x20 || code == 0x7F || (code >= 0x80 && code <= 0x9F);
        if (length == 0 || control) {
            out += '?';
            at += length == 0 ? 1 : length;
            continue;
        }
        out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

std::size_t ColumnsOf(std::string_view text) {
    std::size_t columns = 0;
    for (unsigned char c : text) columns += (c & 0xC0) != 0x80;
    return columns;
}

ProgressView::ProgressView(std::ostream& out, bool terminal, std::function<std::size_t()> columns,
                           std::function<Clock::time_point()> now)
    : out_(out), terminal_(terminal), columns_(std::move(columns)), now_(std::move(now)) {}

std::string ProgressView::barLine(std::uint64_t done, std::uint64_t total, const std::string& label,
                                  std::size_t columns) {
    const std::size_t usable = std::max<std::size_t>(columns, 2) - 1;
    const unsigned percent = percentOf(done, total);
    std::string percentText = std::to_string(percent) + "%";
    percentText.insert(0, 4 - percentText.size(), ' ');
    const std::string numbers = HumanBytes(done) + " of " + HumanBytes(total) + " " + percentText;
    // The bar takes a third of the line, at most 30 cells, and gives way to
    // the numbers on a narrow terminal.
    std::size_t cells = std::min<std::size_t>(30, usable / 3);
    if (numbers.size() + 3 + cells > usable) cells = usable > numbers.size() + 3 ? usable - numbers.size() - 3 : 0;
    std::string line;
    if (cells >= 5) {
        const std::size_t filled =
            percent == 100 ? cells
                           : std::min(cells - 1, static_cast<std::size_t>(static_cast<long double>(done) * cells /
                                                                          static_cast<long double>(total)));
        line = "[" + std::string(filled, '#') + std::string(cells - filled, '.') + "] ";
    }
    line += numbers;
    if (!label.empty() && line.size() + 2 + 4 <= usable) line += "  " + lastColumns(label, usable - line.size() - 2);
    if (ColumnsOf(line) > usable) line.resize(usable);  // the label always fits: only ASCII is cut
    line.append(usable - ColumnsOf(line), ' ');
    return line;
}

void ProgressView::draw(bool ending) {
    // One write, so nothing gets between the return and the line.
    out_ << "\r" + barLine(done_, total_, label_, columns_()) + (ending ? "\n" : "") << std::flush;
    shown_ = !ending;
    drawnOnce_ = true;
    lastDraw_ = now_();
}

void ProgressView::step(const std::string& label, std::uint64_t done, std::uint64_t total) {
    label_ = label;
    if (!terminal_) {
        out_ << label << "... (" << HumanBytes(done) << " of " << HumanBytes(total) << ")\n" << std::flush;
        return;
    }
    moved(done, total);
}

void ProgressView::moved(std::uint64_t done, std::uint64_t total) {
    done_ = done;
    total_ = total;
    if (terminal_ && (!shown_ || now_() - lastDraw_ >= kRedrawEvery)) draw(false);
}

void ProgressView::finish(std::uint64_t done, std::uint64_t total) {
    done_ = done;
    total_ = total;
    if (terminal_) {
        draw(true);
        return;
    }
    out_ << "read " << HumanBytes(done) << " of " << HumanBytes(total) << " (" << done << " of " << total
         << " bytes)\n"
         << std::flush;
}

void ProgressView::stop() {
    if (terminal_ && shown_) draw(true);
}

void ProgressView::clear() {
    if (!terminal_ || !shown_) return;
    out_ << "\r" + std::string(std::max<std::size_t>(columns_(), 2) - 1, ' ') + "\r" << std::flush;
    shown_ = false;
}

std::size_t ProgressTracker::add(std::string label, std::uint64_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    steps_.push_back({PrintableText(label), bytes});
    total_ += bytes;
    return steps_.size() - 1;
}

std::uint64_t ProgressTracker::total() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return total_;
}

void ProgressTracker::beginLocked(std::size_t step) {
    if (ended_ || step >= steps_.size() || steps_[step].begun) return;
    steps_[step].begun = true;
    view_.step(steps_[step].label, done_, total_);
}

void ProgressTracker::begin(std::size_t step) {
    std::lock_guard<std::mutex> lock(mutex_);
    beginLocked(step);
}

void ProgressTracker::reached(std::size_t step, std::uint64_t done, std::uint64_t total) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ended_ || step >= steps_.size()) return;
    beginLocked(step);
    Step& s = steps_[step];
    // The step's bytes in the share its read has done; all of them only
    // once that read is whole.
    std::uint64_t credit = s.bytes;
    if (done < total) {
        credit = static_cast<std::uint64_t>(static_cast<long double>(s.bytes) * static_cast<long double>(done) /
                                            static_cast<long double>(total));
        credit = std::min(credit, s.bytes > 0 ? s.bytes - 1 : 0);
    }
    if (credit <= s.credited) return;
    done_ += credit - s.credited;
    s.credited = credit;
    view_.moved(done_, total_);
}

void ProgressTracker::finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ended_) return;
    ended_ = true;
    view_.finish(done_, total_);
}

void ProgressTracker::stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ended_) return;
    ended_ = true;
    view_.stop();
}

void ProgressTracker::say(std::ostream& out, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    view_.clear();
    out << text << std::flush;
    // The bar comes back below the text at once rather than at the next read.
    const bool drawing = std::any_of(steps_.begin(), steps_.end(), [](const Step& s) { return s.begun; });
    if (!ended_ && view_.terminal() && drawing) view_.moved(done_, total_);
}

ProgressView TerminalOrPlainView() {
    return ProgressView(std::cerr, platform::StandardErrorIsTerminal(), [] { return platform::StandardErrorColumns(); },
                        [] { return ProgressView::Clock::now(); });
}

RestoreSteps::RestoreSteps(ProgressTracker& tracker, const std::vector<restore::MemberRead>& plan)
    : tracker_(tracker) {
    for (const auto& read : plan) {
        Planned planned{read.item, read.member, ProgressTracker::kNoStep, ProgressTracker::kNoStep};
        const std::string verb = read.unpacked ? "taking out " : "restoring ";
        if (read.whole) planned.whole = tracker.add(verb + read.member, read.size);
        if (read.unpacked) planned.files = tracker.add("unpacking " + read.member, read.size);
        planned_.push_back(std::move(planned));
    }
}

void RestoreSteps::restoring(std::size_t item, const std::string& member) {
    whole_ = ProgressTracker::kNoStep;
    files_ = ProgressTracker::kNoStep;
    const auto found = std::find_if(planned_.begin() + static_cast<std::ptrdiff_t>(next_), planned_.end(),
                                    [&](const Planned& p) { return p.item == item && p.member == member; });
    // A member the plan left out reads nothing, or fails its item.
    if (found == planned_.end()) return;
    next_ = static_cast<std::size_t>(found - planned_.begin()) + 1;
    whole_ = found->whole;
    files_ = found->files;
    tracker_.begin(found->whole != ProgressTracker::kNoStep ? found->whole : found->files);
}

void RestoreSteps::wholeRead(std::uint64_t done, std::uint64_t total) { tracker_.reached(whole_.load(), done, total); }

void RestoreSteps::filesRead(std::uint64_t done, std::uint64_t total) { tracker_.reached(files_.load(), done, total); }

ActiveProgress::ActiveProgress(ProgressTracker& tracker) { active = &tracker; }
ActiveProgress::~ActiveProgress() { active = nullptr; }

void WriteAside(std::ostream& out, const std::string& text) {
    if (ProgressTracker* tracker = active.load()) {
        tracker->say(out, text);
        return;
    }
    out << text << std::flush;
}

}  // namespace cli
