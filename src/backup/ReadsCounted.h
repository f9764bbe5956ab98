#pragma once
// Gives an archive object's reads to a progress function while it lives,
// then puts back the notifications it had.

#include <cstdint>
#include <functional>
#include <utility>

#include "backup/ZipComponent.h"

namespace backup {

class ReadsCounted {
public:
    ReadsCounted(ZipComponent& zip, std::function<void(std::uint64_t, std::uint64_t)> progress)
        : zip_(zip), before_(zip.notifications()) {
        auto counted = before_;
        counted.readProgress = std::move(progress);
        zip_.setNotifications(std::move(counted));
    }
    ~ReadsCounted() { zip_.setNotifications(before_); }
    ReadsCounted(const ReadsCounted&) = delete;
    ReadsCounted& operator=(const ReadsCounted&) = delete;

private:
    ZipComponent& zip_;
    ZipNotifications before_;
};

}  // namespace backup
