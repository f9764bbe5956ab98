#include "platform/TerminalPassword.h"

#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

std::optional<std::string> readPasswordFromTerminal(const std::string& prompt) {
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    termios saved{};
    const bool isTerminal = ::tcgetattr(fd, &saved) == 0;
    if (isTerminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    (void)!::write(fd, prompt.data(), prompt.size());
    std::string line;
    char c;
    bool ended = true;
    while (::read(fd, &c, 1) == 1) {
        if (c == '\n') {
            ended = false;
            break;
        }
        line += c;
    }
    if (isTerminal) ::tcsetattr(fd, TCSAFLUSH, &saved);
    (void)!::write(fd, "\n", 1);
    ::close(fd);
    if (ended && line.empty()) return std::nullopt;
    return line;
}

}  // namespace platform
