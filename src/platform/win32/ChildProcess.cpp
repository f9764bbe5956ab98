#include "platform/ChildProcess.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cwchar>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/win32/WideText.h"

namespace platform {

namespace {

constexpr DWORD kPipeBuffer = 65536;

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    Handle(Handle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = std::exchange(other.h_, nullptr);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }

    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset() {
        if (h_) CloseHandle(h_);
        h_ = nullptr;
    }

private:
    HANDLE h_ = nullptr;
};

Handle manualEvent() { return Handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

// One word as the C runtime splits it back out of a command line: quoted
// when it holds blanks or quotes or is empty; backslashes are doubled only
// where a quote follows them, since elsewhere they stand for themselves.
std::wstring quotedWord(const std::wstring& word) {
    if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos) return word;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

std::wstring commandLineOf(const ProcessRun& run) {
    if (!run.commandLine.empty()) return wide(run.commandLine);
    // The program's own word is split by other rules, with no escapes:
    // quotes around it are enough, as a path holds no quote.
    const std::wstring program = wide(run.program);
    std::wstring line = program.empty() || program.find_first_of(L" \t") != std::wstring::npos
                            ? L"\"" + program + L"\""
                            : program;
    for (const auto& argument : run.arguments) line += L" " + quotedWord(wide(argument));
    return line;
}

std::wstring_view nameOf(std::wstring_view entry) {
    // Names such as "=C:" begin with the "=" that otherwise ends a name.
    return entry.substr(0, entry.find(L'=', 1));
}

int compareNames(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE);
}

// This process's environment with the run's variables set on top, names
// compared as Windows compares them, sorted as Windows keeps the block.
std::wstring environmentBlock(const ProcessRun& run) {
    std::vector<std::wstring> entries;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1) entries.emplace_back(entry);
        FreeEnvironmentStringsW(block);
    }
    for (const auto& [name, value] : run.environment) {
        const std::wstring wideName = wide(name);
        std::wstring setting = wideName + L"=" + wide(value);
        const auto same = std::find_if(entries.begin(), entries.end(), [&](const std::wstring& entry) {
            return compareNames(nameOf(entry), wideName) == CSTR_EQUAL;
        });
        if (same != entries.end()) *same = std::move(setting);
        else entries.push_back(std::move(setting));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return compareNames(nameOf(a), nameOf(b)) == CSTR_LESS_THAN;
    });
    std::wstring block;
    for (const auto& entry : entries) block.append(entry).push_back(L'\0');
    if (entries.empty()) block.push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

std::string describe(const ProcessRun& run) {
    if (!run.commandLine.empty()) return "\"" + run.commandLine + "\"";
    std::string text = run.program;
    for (const auto& a : run.arguments) text += " " + a;
    return "\"" + text + "\"";
}

// Only the handles meant for the child are inherited: a pipe end that
// slipped into a program another thread starts at the same moment would
// hold that pipe open until that program ends.
class InheritedHandles {
public:
    explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        // A list naming one handle twice is refused.
        std::sort(handles_.begin(), handles_.end());
        handles_.erase(std::unique(handles_.begin(), handles_.end()), handles_.end());
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size / sizeof(std::uintptr_t) + 1);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        list_ = list;
        ready_ = UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                           handles_.size() * sizeof(HANDLE), nullptr, nullptr) != 0;
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;
    ~InheritedHandles() {
        if (list_) DeleteProcThreadAttributeList(list_);
    }
    bool ready() const { return ready_; }
    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

private:
    std::vector<HANDLE> handles_;
    std::vector<std::uintptr_t> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool ready_ = false;
};

// A pipe whose end here is overlapped, so that a thread waiting on it can
// be called off even while a program the child started holds the other end;
// the child's end is a plain inheritable handle, as console programs expect.
bool makePipe(bool childReads, Handle& ours, Handle& theirs) {
    static std::atomic<unsigned long> serial{0};
    const std::wstring name = L"\\\\.\\pipe\\tarnhold-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++serial);
    ours = Handle(CreateNamedPipeW(
        name.c_str(),
        (childReads ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_INBOUND) | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kPipeBuffer, kPipeBuffer, 0,
        nullptr));
    if (!ours) return false;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    theirs = Handle(CreateFileW(name.c_str(),
                                childReads ? GENERIC_READ | FILE_WRITE_ATTRIBUTES : GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                0, &inheritable, OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(theirs);
}

// One overlapped read (into `into`) or write (from `from`) on our end of a
// pipe, called off when `stop` is set; the bytes moved, or nothing once the
// pipe is closed, broken or the transfer called off.
std::optional<DWORD> transfer(HANDLE pipe, HANDLE stop, HANDLE event, char* into, const char* from, DWORD size) {
    OVERLAPPED io{};
    io.hEvent = event;
    const BOOL done = into ? ReadFile(pipe, into, size, nullptr, &io) : WriteFile(pipe, from, size, nullptr, &io);
    if (!done && GetLastError() != ERROR_IO_PENDING) return std::nullopt;
    const HANDLE waits[2] = {event, stop};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) CancelIoEx(pipe, &io);
    DWORD moved = 0;
    if (!GetOverlappedResult(pipe, &io, &moved, TRUE)) return std::nullopt;
    return moved;
}

void readAll(const Handle& pipe, HANDLE stop, std::string& into) {
    const Handle event = manualEvent();
    std::vector<char> buffer(kPipeBuffer);
    while (event && WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        const auto n = transfer(pipe.get(), stop, event.get(), buffer.data(), nullptr, kPipeBuffer);
        if (!n) return;
        into.append(buffer.data(), *n);
    }
}

void writeAll(const Handle& pipe, HANDLE stop, const std::string& input) {
    const Handle event = manualEvent();
    std::size_t written = 0;
    while (event && written < input.size() && WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(input.size() - written, kPipeBuffer));
        const auto n = transfer(pipe.get(), stop, event.get(), nullptr, input.data() + written, chunk);
        if (!n) return;  // it stopped reading: the rest is not wanted
        written += *n;
    }
}

// A pipe served from a thread of its own, which closes our end when done
// (so the child reads the end of its input) and then sets `done`.
class PipeThread {
public:
    template <class Work>
    PipeThread(Handle pipe, Work work) : done_(manualEvent()) {
        thread_ = std::thread([this, pipe = std::move(pipe), work = std::move(work)]() mutable {
            work(pipe);
            pipe.reset();
            SetEvent(done_.get());
        });
    }
    PipeThread(const PipeThread&) = delete;
    PipeThread& operator=(const PipeThread&) = delete;
    ~PipeThread() { join(); }
    HANDLE done() const { return done_.get(); }
    void join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    Handle done_;
    std::thread thread_;
};

DWORD millisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<DWORD>(std::clamp<long long>(left.count(), 0, INFINITE - 1));
}

}  // namespace

ProcessOutcome RunProcess(const ProcessRun& run) {
    ProcessOutcome outcome;
    std::wstring commandLine = commandLineOf(run);
    std::wstring environment = environmentBlock(run);
    const Handle stop = manualEvent();
    Handle inOurs, inTheirs, outOurs, outTheirs, errOurs, errTheirs;
    bool ready = stop && makePipe(true, inOurs, inTheirs);
    if (ready && run.outputFile.empty()) {
        ready = makePipe(false, outOurs, outTheirs) && makePipe(false, errOurs, errTheirs);
    } else if (ready) {
        // Shared, so the caller can read it while the program still writes.
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        outTheirs = Handle(CreateFileW(wide(run.outputFile).c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ready = static_cast<bool>(outTheirs);
    }
    const HANDLE errorsTo = run.outputFile.empty() ? errTheirs.get() : outTheirs.get();

    PROCESS_INFORMATION process{};
    if (ready) {
        const InheritedHandles inherited({inTheirs.get(), outTheirs.get(), errorsTo});
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = inTheirs.get();
        startup.StartupInfo.hStdOutput = outTheirs.get();
        startup.StartupInfo.hStdError = errorsTo;
        startup.lpAttributeList = inherited.list();
        ready = inherited.ready() &&
                CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                               CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT,
                               environment.data(), nullptr, &startup.StartupInfo, &process);
    }
    const DWORD failure = ready ? ERROR_SUCCESS : GetLastError();
    // Only the child holds its ends now, so they close when it ends.
    inTheirs.reset();
    outTheirs.reset();
    errTheirs.reset();
    if (!ready) {
        outcome.problem = describe(run) + " could not be started: " + systemErrorText(failure);
        return outcome;
    }
    outcome.started = true;
    const Handle child(process.hProcess);
    CloseHandle(process.hThread);
    const auto deadline = std::chrono::steady_clock::now() + run.limit;

    std::vector<HANDLE> waits{child.get()};
    // Each pipe is served by a thread of its own, so neither a big input nor
    // a full output pipe can hold the other up.
    std::unique_ptr<PipeThread> feeder, outReader, errReader;
    if (run.input.empty()) {
        inOurs.reset();
    } else {
        feeder = std::make_unique<PipeThread>(std::move(inOurs), [&run, s = stop.get()](const Handle& pipe) {
            writeAll(pipe, s, run.input);
        });
        waits.push_back(feeder->done());
    }
    if (outOurs) {
        outReader = std::make_unique<PipeThread>(std::move(outOurs), [&outcome, s = stop.get()](const Handle& pipe) {
            readAll(pipe, s, outcome.output);
        });
        errReader = std::make_unique<PipeThread>(std::move(errOurs), [&outcome, s = stop.get()](const Handle& pipe) {
            readAll(pipe, s, outcome.errors);
        });
        waits.push_back(outReader->done());
        waits.push_back(errReader->done());
    }

    // In time means ended, with its input taken and its output read to the end.
    const DWORD waited =
        WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), TRUE, millisecondsUntil(deadline));
    const bool inTime = waited < WAIT_OBJECT_0 + waits.size();
    if (inTime) {
        DWORD code = 0;
        GetExitCodeProcess(child.get(), &code);
        outcome.finished = true;
        outcome.exitCode = static_cast<int>(code);
    } else {
        if (WaitForSingleObject(child.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(child.get(), 1);
            WaitForSingleObject(child.get(), 5000);
        }
        outcome.problem = "it did not finish in time";
    }
    // A program the child started may still hold a pipe: the threads are
    // called off rather than waited for.
    SetEvent(stop.get());
    for (auto* thread : {feeder.get(), outReader.get(), errReader.get()}) {
        if (thread) thread->join();
    }
    if (!outcome.problem.empty()) outcome.problem = describe(run) + ": " + outcome.problem;
    return outcome;
}

bool StartDetached(const ProcessRun& run) {
    std::wstring commandLine = commandLineOf(run);
    std::wstring environment = environmentBlock(run);
    // Its standard handles lead nowhere rather than to whatever this
    // process's happen to be.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const Handle nowhere(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inheritable, OPEN_EXISTING, 0, nullptr));
    if (!nowhere) return false;
    const InheritedHandles inherited({nowhere.get()});
    if (!inherited.ready()) return false;
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nowhere.get();
    startup.StartupInfo.hStdOutput = nowhere.get();
    startup.StartupInfo.hStdError = nowhere.get();
    startup.lpAttributeList = inherited.list();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                        DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT |
                            EXTENDED_STARTUPINFO_PRESENT,
                        environment.data(), nullptr, &startup.StartupInfo, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace platform
