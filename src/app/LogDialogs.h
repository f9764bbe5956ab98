#pragma once
// The dialogs of a run nobody watches: messages go into the operation log,
// questions are answered "Cancel" or "No" and file requests are cancelled, so a
// scheduled run never waits for a person.

#include <utility>

#include "platform/Dialogs.h"

namespace app {

class LogDialogs : public platform::Dialogs {
public:
    explicit LogDialogs(std::string logPath) : logPath_(std::move(logPath)) {}

    platform::Answer message(const std::string& text, platform::Icon icon,
                             platform::Buttons buttons = platform::Buttons::Ok,
                             const std::string& title = {}) override;
    std::optional<std::string> saveFile(const platform::FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> openFile(const platform::FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> browseFolder(const std::string&) override { return std::nullopt; }
    std::optional<std::string> askPassword() override { return std::nullopt; }

private:
    std::string logPath_;
};

}  // namespace app
