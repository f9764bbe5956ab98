#pragma once
// Other programs run by this one: waited for, with what they print
// captured, or started and left to run on their own.

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct ProcessRun {
    // The program (looked up on the search path when it names no folder)
    // and its arguments, each passed as one word.
    std::string program;
    std::vector<std::string> arguments;
    // On Windows, instead: the whole command line as it stands, for the
    // system's own programs whose command lines are given to the byte.
    std::string commandLine;
    // Set on top of this process's environment.
    std::vector<std::pair<std::string, std::string>> environment;
    // Its standard input; it reads an empty one when none is given.
    std::string input;
    // When set, its output and errors go to this file instead of being
    // captured: a program that leaves a server running would hold a pipe open.
    std::string outputFile;
    // It is ended when it runs longer.
    std::chrono::milliseconds limit{30000};
};

struct ProcessOutcome {
    bool started = false;
    bool finished = false;  // ended by itself within the limit, not by a signal
    int exitCode = -1;
    std::string output;     // standard output, unless it went to a file
    std::string errors;     // standard error, likewise
    std::string problem;    // why it did not start or finish, in words
};

// Runs the program and waits for it, at most `limit`.
ProcessOutcome RunProcess(const ProcessRun& run);
// Starts the program without waiting; its output goes nowhere. False when
// it could not be started.
bool StartDetached(const ProcessRun& run);

}  // namespace platform
