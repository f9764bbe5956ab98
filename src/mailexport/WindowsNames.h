#pragma once
// Names of the files and folders an export makes, kept within what Windows
// allows, so the same export works from the Windows build: plain names
// (platform::IsPlainName), distinct without regard to case in their
// folder, and paths short enough for programs without long-path support.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace mailexport {

// A file's whole path in at most 259 UTF-16 units (MAX_PATH with its
// terminating zero), a folder's in 247 (room left for an 8.3 name), and
// a name in 255.
inline constexpr std::size_t kMaxFilePath = 259;
inline constexpr std::size_t kMaxFolderPath = 247;
inline constexpr std::size_t kMaxName = 255;
// Shorter than this, a name no longer says what it was.
inline constexpr std::size_t kShortestName = 12;

// UTF-16 units of UTF-8 text, as Windows counts path lengths.
std::size_t Utf16Length(std::string_view utf8);

// At most `units` UTF-16 units of `name`, never cutting a character, with
// `ending` (such as ".eml") kept whole after them.
std::string CutName(std::string_view name, std::size_t units, std::string_view ending = {});

// The names given out in one folder.
class SiblingNames {
public:
    // `companions` are endings each name brings along beside it (an mbox
    // file "Inbox" has its "Inbox.sbd" folder and Thunderbird's "Inbox.msf").
    explicit SiblingNames(std::vector<std::string> companions = {}) : companions_(std::move(companions)) {}

    // `wanted` made a plain name, cut to `units` with `ending` kept, and
    // numbered " (2)", " (3)", ... until neither it nor its companions is
    // taken. Nothing when `units` leaves no room for kShortestName.
    std::optional<std::string> give(std::string_view wanted, std::size_t units, std::string_view ending = {});

private:
    bool free(const std::string& name) const;
    void take(const std::string& name);

    std::vector<std::string> companions_;
    std::unordered_set<std::string> taken_;  // in lower case
};

}  // namespace mailexport
