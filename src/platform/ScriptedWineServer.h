#pragma once
// Test double of the prefix's wineserver: whether it runs is a flag the test
// sets, exports come from a queue, and every request is counted.

#include <functional>
#include <map>
#include <vector>

#include "platform/WineServer.h"

namespace platform {

class ScriptedWineServer : public WineServer {
public:
    explicit ScriptedWineServer(std::string prefixFolder = "C:\\prefix") : prefix_(std::move(prefixFolder)) {}

    bool isRunning = false;
    // Whether ending the programs (or waiting) makes the server go.
    bool endsWhenAsked = true;
    bool exitsWhenWaitedFor = false;
    // What exports give, by key as asked; a key not listed is not there.
    std::map<std::string, std::string> exports;
    // False: Wine cannot be asked at all.
    bool canAsk = true;
    // Called at each running() check, so a test can let Wine start mid-way.
    std::function<void()> onCheck;

    int checks = 0;
    int endRequests = 0;
    int waits = 0;
    std::vector<std::string> exportedKeys;

    const std::string& prefix() const override { return prefix_; }
    bool running() override {
        ++checks;
        if (onCheck) onCheck();
        return isRunning;
    }
    WineExport exportKey(const std::string& key) override {
        exportedKeys.push_back(key);
        WineExport result;
        if (!canAsk) {
            result.error = "wine could not be started";
        } else if (auto it = exports.find(key); it != exports.end()) {
            result.outcome = WineExport::Outcome::Exported;
            result.text = it->second;
        } else {
            result.outcome = WineExport::Outcome::NoSuchKey;
        }
        return result;
    }
    bool endPrograms(std::chrono::milliseconds) override {
        ++endRequests;
        if (endsWhenAsked) isRunning = false;
        return !isRunning;
    }
    bool waitForExit(std::chrono::milliseconds) override {
        ++waits;
        if (exitsWhenWaitedFor) isRunning = false;
        return !isRunning;
    }

private:
    std::string prefix_;
};

}  // namespace platform
