#pragma once
// Every message box, question, file dialog and folder browser goes through
// this one interface: Qt shows real dialogs, tests answer from a script, and
// the unattended run writes messages to the operation log instead.

#include <optional>
#include <string>

namespace platform {

enum class Icon { None, Critical, Exclamation, Information, Question };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    std::string title;
    std::string filter;       // "Caption (*.ext)|*.ext", as the program states it
    std::string fileName;     // proposed name (without folder)
    bool confirmOverwrite = false;
    std::string folder;       // host folder the dialog starts in; empty: the dialog's choice
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows a message captioned with the program's title, or with `title`.
    virtual Answer message(const std::string& text, Icon icon, Buttons buttons = Buttons::Ok,
                           const std::string& title = {}) = 0;
    // The chosen host path, or nothing when the user cancelled.
    virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> browseFolder(const std::string& prompt) = 0;
    // The password window: the typed text, or nothing when it was cancelled.
    virtual std::optional<std::string> askPassword() = 0;
};

}  // namespace platform
