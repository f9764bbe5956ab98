#pragma once
// On Windows the registry API writes into the live registry itself: there is
// no server beside the program whose copy could undo a restore.

#include "platform/WineServer.h"

namespace platform {

class NoWineServer : public WineServer {
public:
    const std::string& prefix() const override { return none_; }
    bool running() override { return false; }
    WineExport exportKey(const std::string&) override {
        return {WineExport::Outcome::Failed, {}, "there is no Wine on Windows"};
    }
    bool endPrograms(std::chrono::milliseconds) override { return true; }
    bool waitForExit(std::chrono::milliseconds) override { return true; }

private:
    std::string none_;
};

}  // namespace platform
