// Saves a PNG of every window, on a prefix made by the sample generator:
//   screenshots PREFIX OUTPUT_FOLDER
// Run it under a real (or virtual) X server so fonts render as users see them.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

#include "qt/Frmsettings.h"
#include "config/OperationTime.h"
#include "qt/frmErase.h"
#include "qt/frmMaindvdwrite.h"
#include "session/MainSession.h"
#include "qt/frmMain.h"
#include "config/Globals.h"
#include "platform/RecordingLauncher.h"
#include "platform/RecordingProcesses.h"
#include "platform/ScriptedDialogs.h"
#include "platform/PrefixFacts.h"
#include "platform/ScriptedWineServer.h"
#include "platform/WineRegistry.h"
#include "schedule/CrontabScheduler.h"
#include "qt/Frmoption.h"
#include "schedule/ScheduledRunStatus.h"
#include "schedule/UnattendedBackupRun.h"
#include "qt/QtDialogs.h"
#include "qt/frmPwd.h"
#include "qt/frmabout.h"

namespace {

// Lets the windows work until `done` holds (or a minute has passed).
void waitUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

void save(QWidget& window, const std::string& folder, const std::string& name) {
    window.show();
    window.adjustSize();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    const std::string path = folder + "/" + name + ".png";
    if (!window.grab().save(QString::fromStdString(path))) std::cerr << "cannot write " << path << "\n";
    std::cout << path << "\n";
}

void saveTabs(QWidget& window, QTabWidget* tabs, const std::string& folder, const std::string& stem) {
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        save(window, folder, stem + "-" + std::to_string(i + 1));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: screenshots PREFIX OUTPUT_FOLDER\n";
        return 2;
    }
    QApplication gui(argc, argv);
    const std::string folder = argv[2];
    std::filesystem::create_directories(folder);

    // Help and skin as the window of the same build finds them.
    platform::Environment env = platform::Environment::fromProcess(
        QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../../src").toStdString());
    QFile skin(QString::fromStdString(config::SkinPath(env)));
    if (skin.open(QIODevice::ReadOnly)) gui.setStyleSheet(QString::fromUtf8(skin.readAll()));
    env.winePrefix = argv[1];
    env.programFolder = (std::filesystem::path(argv[1]) / "tarnhold-home").string();
    std::filesystem::create_directories(env.programFolder);
    platform::WineRegistry registry(env.winePrefix);
    env.userProfile = platform::ResolveUserProfile(registry, env.userProfile, "", env.userName);
    platform::ScriptedDialogs dialogs;
    platform::RecordingLauncher launcher;
    platform::RecordingProcesses processes;
    platform::ScriptedWineServer wine(env.winePrefix);
    platform::Services services{env, registry, dialogs, launcher, processes, wine};
    session::MainSession session(services, "");

    app::frmMain main(session);
    main.Form_Load();
    main.resize(760, 600);
    saveTabs(main, main.SSTab1, folder, "main");
    // A real backup of every item, pictured while it runs; no follow-ups.
    std::ofstream(env.programFolder + "/settings.dat")
        << "[General]\r\nburndvd=0\r\nrunliveafterbackup=0\r\n[backup]\r\nopenfolderbackup=0\r\nautocloselive=0\r\n";
    main.SSTab1->setCurrentIndex(0);
    for (auto* box : main.backupitem) box->setChecked(box->isEnabled());
    main.show();
    main.cmdApply->click();
    waitUntil([&] { return !main.running() || main.pbshow->value() >= 20; });
    save(main, folder, "main-progress");
    waitUntil([&] { return !main.running(); });
    main.hide();

    app::Frmsettings settings(services);
    saveTabs(settings, settings.findChild<QTabWidget*>(), folder, "settings");

    schedule::CrontabScheduler cron(env, "tarnhold", "true");
    schedule::Frmoption option(session, cron);
    option.Form_Load();
    save(option, folder, "task-scheduler");

    // The disc windows over a pseudo-drive, with a backup file in the image.
    const std::string discFolder = env.programFolder + "/disc";
    std::filesystem::create_directories(discFolder);
    std::ofstream(discFolder + "/Backup.wlm") << std::string(150000, 'w');
    disc::frmMaindvdwrite write(disc::CreateLibburnEngine("stdio:" + discFolder + "/disc.iso"), dialogs);
    write.Form_Load("Backup.wlm", discFolder + "/Backup.wlm");
    write.resize(760, 560);
    save(write, folder, "disc-write");
    write.show();
    write.cmdWriteDisc->click();
    waitUntil([&] { return write.ready(); });
    save(write, folder, "disc-written");
    write.hide();
    disc::frmErase erase(dialogs);
    erase.PrepareErase(write.engine().Device(0), &write.engine());
    save(erase, folder, "disc-erase");

    // What the window says on opening after a scheduled backup failed, through the real message box.
    schedule::RecordRunEnd(schedule::RunRecordPath(env), config::CurrentDateTime().addDays(-1),
                           {schedule::kUnattendedRefused, {}, env.programFolder + "/livemailbak-" + env.userName + ".wlm",
                            "cannot write the archive: No space left on device"});
    const auto report = schedule::CheckScheduledRuns(env, cron);
    QTimer::singleShot(500, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            save(*box, folder, "scheduled-failure");
            box->close();
        }
    });
    ui::QtDialogs(&main).message(report.text, platform::Icon::Exclamation);

    ui::frmabout about;
    save(about, folder, "about");
    ui::frmPwd password;
    save(password, folder, "password");
    session.Shutdown();
    return 0;
}
