#pragma once
// The dialogs of the command-line tool: messages go to standard error, the
// password comes from TARNHOLD_PASSWORD or the terminal, nothing else is asked.

#include "platform/Dialogs.h"

namespace cli {

class CliDialogs : public platform::Dialogs {
public:
    platform::Answer message(const std::string& text, platform::Icon icon,
                             platform::Buttons buttons = platform::Buttons::Ok,
                             const std::string& title = {}) override;
    std::optional<std::string> saveFile(const platform::FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> openFile(const platform::FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> browseFolder(const std::string&) override { return std::nullopt; }
    std::optional<std::string> askPassword() override;
};

}  // namespace cli
