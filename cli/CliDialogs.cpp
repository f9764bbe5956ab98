#include "CliDialogs.h"

#include "CliProgress.h"

#include <cstdlib>
#include <iostream>

#include "platform/TerminalPassword.h"
#include "platform/Text.h"

namespace cli {

platform::Answer CliDialogs::message(const std::string& text, platform::Icon, platform::Buttons buttons,
                                     const std::string&) {
    WriteAside(std::cerr, "tarnhold-cli: " + platform::replaceAll(text, "\r\n", "\n") + "\n");
    // Questions are settled by options, never by a default answer.
    return buttons == platform::Buttons::YesNo ? platform::Answer::No : platform::Answer::Ok;
}

std::optional<std::string> CliDialogs::askPassword() {
    if (const char* fromEnvironment = std::getenv("TARNHOLD_PASSWORD")) return std::string(fromEnvironment);
    return platform::readPasswordFromTerminal("Password: ");
}

}  // namespace cli
