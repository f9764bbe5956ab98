#include "config/OperationTime.h"

#include <QLocale>
#include <mutex>

namespace config {

namespace {
std::mutex clockMutex;
QDateTime pinned;
}  // namespace

std::string GeneralDateText(const QDateTime& when) {
    // Fixed to the US English form so records read the same on every machine.
    return QLocale(QLocale::English, QLocale::UnitedStates)
        .toString(when, "M/d/yyyy h:mm:ss AP")
        .toStdString();
}

QDateTime CurrentDateTime() {
    std::lock_guard lock(clockMutex);
    return pinned.isValid() ? pinned : QDateTime::currentDateTime();
}

void PinCurrentDateTimeForTests(const QDateTime& when) {
    std::lock_guard lock(clockMutex);
    pinned = when;
}

}  // namespace config
