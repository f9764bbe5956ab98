#pragma once
// The engine raises its events on its own thread; a window handles them on
// its own. This relay hands each event to the window thread through the
// window's poster. A file warning waits for the window's answer.

#include <functional>
#include <future>
#include <memory>
#include <mutex>

#include "disc/DiscEngine.h"

namespace disc {

// Runs a piece of work on the window's thread, later, from any thread.
using Poster = std::function<void(std::function<void()>)>;

class PostedDiscEvents final : public DiscEvents {
public:
    PostedDiscEvents(DiscEvents& target, Poster post) : target_(target), post_(std::move(post)) {}
    // The window is going: a warning waiting for it, and any later one, gives up the write.
    void release();

    void writeState(int state, int progress) override;
    void verifyStart(long count) override;
    void verifyFile(const VerifiedFile& file, int result, long position, long total) override;
    void verifyComplete(long checked, long matched) override;
    bool fileWarning(const FileRecord& record) override;
    void trackReading(int track, long value, const std::string& text) override;
    void writeError(const ErrorRecord& error) override;
    void eraseState(int state, int progress) override;
    void deviceError(const DeviceErrorRecord& error) override;

private:
    void answer(const std::shared_ptr<std::promise<bool>>& waiting, bool goOn);

    DiscEvents& target_;
    Poster post_;
    std::mutex mutex_;
    bool released_ = false;
    std::shared_ptr<std::promise<bool>> waiting_;
};

}  // namespace disc
