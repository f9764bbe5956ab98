#pragma once
// The date-time text of records and log lines: the general date format,
// short date, a blank, long time ("12/5/2026 9:30:00 PM").

#include <QDateTime>
#include <string>

namespace config {

std::string GeneralDateText(const QDateTime& when);
// The clock the runs read; tests may pin it.
QDateTime CurrentDateTime();
void PinCurrentDateTimeForTests(const QDateTime& when);  // invalid QDateTime: the real clock again

}  // namespace config
