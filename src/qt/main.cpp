// tarnhold: with no arguments the main window; with any argument at all an
// unattended backup that shows nothing and needs no display.

#include <QApplication>
#include <QFile>

#include "app/LogDialogs.h"
#include "config/Globals.h"
#include "session/MainSession.h"
#include "app/Startup.h"
#include "qt/frmMain.h"
#include "platform/Memory.h"
#include "qt/QtDialogs.h"

namespace {

int runUnattended(int argc, char** argv) {
    std::string commandLine = session::JoinCommandLine(argc, argv);
    app::RealPlatform real(platform::Environment::runningExecutableFolder(),
                           [](const platform::Environment& env) -> std::unique_ptr<platform::Dialogs> {
                               return std::make_unique<app::LogDialogs>(env.programFile("brlog.dat"));
                           });
    return app::RunUnattended(real.services(), commandLine);
}

void applySkin(QApplication& gui, const platform::Environment& env) {
    QFile skin(QString::fromStdString(config::SkinPath(env)));
    if (skin.open(QIODevice::ReadOnly)) gui.setStyleSheet(QString::fromUtf8(skin.readAll()));
}

int runInteractive(int argc, char** argv) {
    QApplication gui(argc, argv);
    gui.setApplicationName("tarnhold");
    app::RealPlatform real(platform::Environment::runningExecutableFolder(),
                           [](const platform::Environment&) -> std::unique_ptr<platform::Dialogs> {
                               return std::make_unique<ui::QtDialogs>();
                           });
    applySkin(gui, real.services().env);
    session::MainSession session(real.services(), "");
    app::frmMain window(session);
    static_cast<ui::QtDialogs&>(real.dialogs()).setParent(&window);
    // Discovery completes before the window is first shown.
    window.Form_Load();
    window.show();
    return gui.exec();
}

}  // namespace

int main(int argc, char** argv) {
    platform::returnLargeBuffersWhenFreed();
    if (argc > 1) return runUnattended(argc, argv);
    return runInteractive(argc, argv);
}
