#include "disc/PostedDiscEvents.h"

namespace disc {

void PostedDiscEvents::release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    if (waiting_) waiting_->set_value(false);
    waiting_.reset();
}

void PostedDiscEvents::answer(const std::shared_ptr<std::promise<bool>>& waiting, bool goOn) {
    std::lock_guard lock(mutex_);
    if (waiting_ != waiting) return;  // released meanwhile: answered already
    waiting_->set_value(goOn);
    waiting_.reset();
}

void PostedDiscEvents::writeState(int state, int progress) {
    post_([this, state, progress] { target_.writeState(state, progress); });
}

void PostedDiscEvents::verifyStart(long count) {
    post_([this, count] { target_.verifyStart(count); });
}

void PostedDiscEvents::verifyFile(const VerifiedFile& file, int result, long position, long total) {
    post_([this, file, result, position, total] { target_.verifyFile(file, result, position, total); });
}

void PostedDiscEvents::verifyComplete(long checked, long matched) {
    post_([this, checked, matched] { target_.verifyComplete(checked, matched); });
}

bool PostedDiscEvents::fileWarning(const FileRecord& record) {
    auto waiting = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = waiting->get_future();
    {
        std::lock_guard lock(mutex_);
        if (released_) return false;
        waiting_ = waiting;
    }
    post_([this, record, waiting] { answer(waiting, target_.fileWarning(record)); });
    return answered.get();
}

void PostedDiscEvents::trackReading(int track, long value, const std::string& text) {
    post_([this, track, value, text] { target_.trackReading(track, value, text); });
}

void PostedDiscEvents::writeError(const ErrorRecord& error) {
    post_([this, error] { target_.writeError(error); });
}

void PostedDiscEvents::eraseState(int state, int progress) {
    post_([this, state, progress] { target_.eraseState(state, progress); });
}

void PostedDiscEvents::deviceError(const DeviceErrorRecord& error) {
    post_([this, error] { target_.deviceError(error); });
}

}  // namespace disc
