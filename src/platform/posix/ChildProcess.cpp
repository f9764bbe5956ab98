#include "platform/ChildProcess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

// argv and envp, made before any process is created.
struct ExecWords {
    explicit ExecWords(const ProcessRun& run) {
        words.push_back(run.program);
        for (const auto& a : run.arguments) words.push_back(a);
        std::map<std::string, std::string> merged;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            const auto eq = entry.find('=');
            if (eq != std::string::npos) merged[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
        for (const auto& [name, value] : run.environment) merged[name] = value;
        for (const auto& [name, value] : merged) settings.push_back(name + "=" + value);
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        for (auto& s : settings) envp.push_back(s.data());
        envp.push_back(nullptr);
    }
    std::vector<std::string> words, settings;
    std::vector<char*> argv, envp;
};

struct Pipe {
    int read = -1, write = -1;
    bool open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return false;
        read = fds[0];
        write = fds[1];
        return true;
    }
    static void close(int& fd) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

std::string describe(const ProcessRun& run) {
    std::string text = run.program;
    for (const auto& a : run.arguments) text += " " + a;
    return "\"" + text + "\"";
}

// Feeds the input and collects the output until both pipes close or the
// deadline passes; false on the deadline.
bool exchange(Pipe& in, Pipe& out, Pipe& err, const std::string& input, ProcessOutcome& outcome,
              std::chrono::steady_clock::time_point deadline) {
    std::size_t written = 0;
    if (input.empty()) Pipe::close(in.write);
    // A write that fills the pipe must not block while the program waits
    // for its own output to be read.
    if (in.write >= 0) ::fcntl(in.write, F_SETFL, ::fcntl(in.write, F_GETFL) | O_NONBLOCK);
    char buffer[65536];
    while (out.read >= 0 || err.read >= 0 || in.write >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd fds[3] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}, {in.write, POLLOUT, 0}};
        if (::poll(fds, 3, static_cast<int>(std::min<long long>(left.count(), 1000))) < 0 && errno != EINTR) return false;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) (i == 0 ? outcome.output : outcome.errors).append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR) Pipe::close(i == 0 ? out.read : err.read);
        }
        if (fds[2].fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::write(in.write, input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<std::size_t>(n);
            if ((n < 0 && errno != EINTR && errno != EAGAIN) || written == input.size()) Pipe::close(in.write);
        }
    }
    return true;
}

// Waits for the child until the deadline, then kills it.
void reap(pid_t pid, ProcessOutcome& outcome, std::chrono::steady_clock::time_point deadline, bool inTime) {
    int status = 0;
    while (inTime) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            outcome.finished = WIFEXITED(status);
            outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            if (!outcome.finished) outcome.problem = "it ended by signal " + std::to_string(WTERMSIG(status));
            return;
        }
        if (done < 0 && errno != EINTR) return;
        if (std::chrono::steady_clock::now() >= deadline) break;
        ::usleep(10000);
    }
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.problem = "it did not finish in time";
}

}  // namespace

ProcessOutcome RunProcess(const ProcessRun& run) {
    ProcessOutcome outcome;
    ExecWords words(run);
    Pipe in, out, err;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    bool ready = in.open();
    if (run.outputFile.empty()) {
        ready = ready && out.open() && err.open();
        if (ready) {
            ::posix_spawn_file_actions_adddup2(&actions, out.write, 1);
            ::posix_spawn_file_actions_adddup2(&actions, err.write, 2);
        }
    } else {
        ::posix_spawn_file_actions_addopen(&actions, 1, run.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    if (ready) ::posix_spawn_file_actions_adddup2(&actions, in.read, 0);
    pid_t pid = -1;
    const int failed = ready ? ::posix_spawnp(&pid, run.program.c_str(), &actions, nullptr, words.argv.data(),
                                              words.envp.data())
                             : errno;
    ::posix_spawn_file_actions_destroy(&actions);
    Pipe::close(in.read);
    Pipe::close(out.write);
    Pipe::close(err.write);
    if (failed != 0) {
        outcome.problem = describe(run) + " could not be started: " + std::strerror(failed);
        for (int* fd : {&in.write, &out.read, &err.read}) Pipe::close(*fd);
        return outcome;
    }
    outcome.started = true;
    const auto deadline = std::chrono::steady_clock::now() + run.limit;
    ::signal(SIGPIPE, SIG_IGN);  // a program that stops reading its input must not end this one
    const bool inTime = exchange(in, out, err, run.input, outcome, deadline);
    for (int* fd : {&in.write, &out.read, &err.read}) Pipe::close(*fd);
    reap(pid, outcome, deadline, inTime);
    if (!outcome.problem.empty()) outcome.problem = describe(run) + ": " + outcome.problem;
    return outcome;
}

bool StartDetached(const ProcessRun& run) {
    ExecWords words(run);
    // Twice forked, so the program is nobody's child here and leaves no zombie.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t first = ::fork();
    if (first < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (first == 0) {
        ::setsid();
        if (::fork() == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, 0);
                ::dup2(null, 1);
                ::dup2(null, 2);
            }
            ::execvpe(words.argv[0], words.argv.data(), words.envp.data());
            const int error = errno;
            (void)!::write(report[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(first, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    const bool execFailed = ::read(report[0], &error, sizeof error) == static_cast<ssize_t>(sizeof error);
    ::close(report[0]);
    return !execFailed;
}

}  // namespace platform
