#pragma once
// One QApplication for the window tests (offscreen platform).

#include <QApplication>

namespace testing_support {

inline QApplication& guiApp() {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

}  // namespace testing_support
