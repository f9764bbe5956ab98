// make-sample-prefix: writes a Wine prefix holding a mail client profile for
// one user, the same bytes for the same arguments.

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <string>
#include <string_view>
#include <unistd.h>

#include "Profile.h"

namespace {

namespace fs = std::filesystem;

constexpr int kUsageError = 2;

constexpr const char* kUsage =
    "usage: make-sample-prefix PREFIX [--seed N] [--user NAME] [--accounts N] [--messages N]\n"
    "                          [--message-size BYTES] [--size-mb N] [--empty] [--realistic]\n"
    "                          [--main-account-share PERCENT] [--extra-small-messages N]\n"
    "                          [--odd-messages]\n"
    "  --seed N              random seed (default 1)\n"
    "  --user NAME           the Windows user (default: your login name)\n"
    "  --accounts N          mail and news accounts, 1-64 (default 3)\n"
    "  --messages N          messages per account (default 20)\n"
    "  --message-size BYTES  average message size, 512-16777216 (default 4096)\n"
    "  --size-mb N           pick the message count so the store holds about N MiB\n"
    "  --empty               only Wine's skeleton, no mail client\n"
    "  --realistic           mail shaped like a real mailbox: natural text, HTML alternatives,\n"
    "                        random attachments in a third of the messages, log-normal sizes\n"
    "                        (median 8 KB, up to 8 MB) and a message database of two fifths\n"
    "                        of the store; --message-size does not apply\n"
    "  --main-account-share PERCENT\n"
    "                        that share of the messages goes to the first account\n"
    "  --extra-small-messages N\n"
    "                        N more short messages (under 2 KB) over all accounts' folders\n"
    "  --odd-messages        the first account's Inbox also holds messages of the shapes that\n"
    "                        trip up mail converters: \"From \" lines, LF ends, 8-bit and encoded\n"
    "                        headers, a first line before the headers, an empty body, no final\n"
    "                        line end, an empty file and binary junk\n";

[[noreturn]] void usageError(const std::string& problem) {
    std::fprintf(stderr, "make-sample-prefix: %s\n%s", problem.c_str(), kUsage);
    std::exit(kUsageError);
}

std::uint64_t number(std::string_view option, const char* text, std::uint64_t lo, std::uint64_t hi) {
    std::string_view s = text;
    std::uint64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty() || v < lo || v > hi)
        usageError(std::string(option) + " wants a number from " + std::to_string(lo) + " to " +
                   std::to_string(hi) + ", not \"" + std::string(s) + "\"");
    return v;
}

std::string loginName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
    if (const char* user = std::getenv("USER"); user && *user) return user;
    return "user";
}

bool validUserName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
    return true;
}

sample::Settings parseArguments(int argc, char** argv) {
    sample::Settings s;
    std::optional<std::string> prefix, user;
    bool messagesGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usageError(std::string(arg) + " needs a value");
            return argv[++i];
        };
        if (arg == "--seed") s.seed = static_cast<std::uint32_t>(number(arg, value(), 0, 0xFFFFFFFF));
        else if (arg == "--user") user = value();
        else if (arg == "--accounts") s.accounts = static_cast<int>(number(arg, value(), 1, 64));
        else if (arg == "--messages") s.messagesPerAccount = number(arg, value(), 0, 10000000), messagesGiven = true;
        else if (arg == "--message-size") s.messageSize = number(arg, value(), 512, 16 << 20);
        else if (arg == "--size-mb") s.sizeMb = number(arg, value(), 1, 1 << 20);
        else if (arg == "--empty") s.empty = true;
        else if (arg == "--realistic") s.realistic = true;
        else if (arg == "--main-account-share") s.mainAccountShare = static_cast<int>(number(arg, value(), 0, 100));
        else if (arg == "--odd-messages") s.oddMessages = true;
        else if (arg == "--extra-small-messages") s.extraSmallMessages = number(arg, value(), 0, 100000000);
        else if (arg.starts_with("-") && arg.size() > 1) usageError("unknown option " + std::string(arg));
        else if (prefix) usageError("more than one PREFIX given");
        else prefix = std::string(arg);
    }
    if (!prefix || prefix->empty()) usageError("no PREFIX given");
    if (messagesGiven && s.sizeMb) usageError("--messages and --size-mb exclude each other");
    s.prefix = *prefix;
    s.user = user ? *user : loginName();
    if (!validUserName(s.user)) usageError("unusable user name \"" + s.user + "\"");
    return s;
}

// A prefix is only ever written fresh: an existing one may be someone's real Wine.
void refuseExistingPrefix(const fs::path& prefix) {
    std::error_code ec;
    auto status = fs::symlink_status(prefix, ec);
    if (ec || status.type() == fs::file_type::not_found) return;
    if (status.type() != fs::file_type::directory || !fs::is_empty(prefix, ec) || ec) {
        std::fprintf(stderr, "make-sample-prefix: %s exists and is not an empty folder; refusing to write into it\n",
                     prefix.string().c_str());
        std::exit(kUsageError);
    }
}

}  // namespace

int main(int argc, char** argv) {
    sample::Settings settings = parseArguments(argc, argv);
    refuseExistingPrefix(settings.prefix);
    try {
        sample::Summary summary = sample::writeSamplePrefix(settings);
        std::printf("make-sample-prefix: wrote %llu files, %llu bytes to %s\n",
                    static_cast<unsigned long long>(summary.files),
                    static_cast<unsigned long long>(summary.bytes), settings.prefix.string().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-sample-prefix: %s\n", e.what());
        return 1;
    }
    return 0;
}
