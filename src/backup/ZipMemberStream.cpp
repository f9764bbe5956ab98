// One member read as a stream, for readers that look at a member's bytes
// as they inflate instead of putting it on disk first.

#include <zip.h>

#include "backup/ZipComponent.h"
#include "backup/ZipReader.h"

namespace backup {

ZipComponent::StreamEnd ZipComponent::streamMember(const ZipMember& member,
                                                   const std::function<bool(const char*, std::size_t)>& sink) {
    if (!reader_) {
        fail("no archive is open");
        return StreamEnd::Failed;
    }
    if (!checkMember(member)) return StreamEnd::Failed;
    if (member.directory) return StreamEnd::Whole;
    bool stopped = false;
    const bool whole = readMember(member, [&](const char* data, std::size_t n) {
        stopped = !sink(data, n);
        return !stopped;
    });
    if (stopped) return StreamEnd::Stopped;
    if (whole) return StreamEnd::Whole;
    error_ = "\"" + member.name + "\": " + error_;
    return StreamEnd::Failed;
}

std::optional<std::int64_t> ZipComponent::memberTime(const ZipMember& member) const {
    if (!reader_) return std::nullopt;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(reader_->za, member.index, 0, &st) != 0 || !(st.valid & ZIP_STAT_MTIME)) return std::nullopt;
    return static_cast<std::int64_t>(st.mtime);
}

}  // namespace backup
