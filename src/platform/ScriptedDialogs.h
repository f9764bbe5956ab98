#pragma once
// Dialogs answered from a script, for tests: every request is recorded, and
// answers are taken from queues (a message without a queued answer is "OK",
// a file or folder request without one is cancelled).

#include <deque>
#include <vector>

#include "platform/Dialogs.h"

namespace platform {

class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        std::string text;
        Icon icon;
        Buttons buttons;
        std::string title;  // empty: the program's title
    };

    std::vector<Shown> messages;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<std::string> folderPrompts;
    int passwordRequests = 0;

    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> files;
    std::deque<std::optional<std::string>> folders;
    std::deque<std::optional<std::string>> passwords;

    Answer message(const std::string& text, Icon icon, Buttons buttons = Buttons::Ok,
                   const std::string& title = {}) override {
        messages.push_back({text, icon, buttons, title});
        return take(answers, Answer::Ok);
    }
    std::optional<std::string> saveFile(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return take(files, std::optional<std::string>{});
    }
    std::optional<std::string> openFile(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return take(files, std::optional<std::string>{});
    }
    std::optional<std::string> browseFolder(const std::string& prompt) override {
        folderPrompts.push_back(prompt);
        return take(folders, std::optional<std::string>{});
    }
    std::optional<std::string> askPassword() override {
        ++passwordRequests;
        return take(passwords, std::optional<std::string>{});
    }

private:
    template <typename T>
    static T take(std::deque<T>& queue, T fallback) {
        if (queue.empty()) return fallback;
        T v = queue.front();
        queue.pop_front();
        return v;
    }
};

}  // namespace platform
