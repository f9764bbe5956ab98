#pragma once
// The generated prefix as a whole: Wine's skeleton, then (unless empty) the
// mail client's store, contacts, stationery, program file and registry.

#include <cstdint>
#include <filesystem>
#include <string>

namespace sample {

struct Settings {
    std::filesystem::path prefix;
    std::uint32_t seed = 1;
    std::string user;
    int accounts = 3;
    std::uint64_t messagesPerAccount = 20;
    std::uint64_t messageSize = 4096;  // average bytes per message
    std::uint64_t sizeMb = 0;          // when set, the store's size in MiB picks the message count
    bool empty = false;
    // Natural text, log-normal message sizes, attachments in a third of the
    // messages and a message database of two fifths of the store.
    bool realistic = false;
    int mainAccountShare = -1;  // percent of the messages for the first account; below 0 spreads them evenly
    std::uint64_t extraSmallMessages = 0;  // short notes on top of the sized messages
    bool oddMessages = false;  // the fixed odd shapes (OddMessages.h) in the first mail account too
};

struct Summary {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// Writes the prefix (which must not exist or be empty). Failures throw
// std::runtime_error; the summary counts the prefix's files.
Summary writeSamplePrefix(const Settings& settings);

}  // namespace sample
