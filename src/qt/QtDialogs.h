#pragma once
// Real dialogs, owned by a parent window and captioned with the program's title.

#include <QPointer>
#include <QWidget>

#include "platform/Dialogs.h"

namespace ui {

class QtDialogs : public platform::Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    platform::Answer message(const std::string& text, platform::Icon icon, platform::Buttons buttons = platform::Buttons::Ok,
                   const std::string& title = {}) override;
    std::optional<std::string> saveFile(const platform::FileDialogRequest& request) override;
    std::optional<std::string> openFile(const platform::FileDialogRequest& request) override;
    std::optional<std::string> browseFolder(const std::string& prompt) override;
    std::optional<std::string> askPassword() override;

private:
    QPointer<QWidget> parent_;
};

// A message whose lines hold a tab ("caption<TAB>result") as a table, so
// the results line up in one column and no line wraps; other text as it is.
QString messageBoxText(const std::string& text);

// "Caption (*.wlm)|*.wlm" as a Qt name filter: "Caption (*.wlm)".
QString qtNameFilter(const std::string& filter);

}  // namespace ui
