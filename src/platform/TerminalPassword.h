#pragma once
// Reading a password from the controlling terminal without echoing it.

#include <optional>
#include <string>

namespace platform {

// Prompts on the terminal and reads one line with echo off; nothing when
// there is no terminal or the input ended.
std::optional<std::string> readPasswordFromTerminal(const std::string& prompt);

}  // namespace platform
