// The time stamp of a process-log line: the first five characters of the date in the short
// date format, "-", the time in the long time format, one blank, then the message. On
// Windows the formats are the user's regional settings; elsewhere, where a scheduled run
// often has no regional settings at all, day.month.year and 24-hour time: "06.12-14:03:22".
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace wwweksports {

QString StampedProcessLine(const QString& message,
                           const QDateTime& now = QDateTime::currentDateTime());

// The stamp in the short date and long time formats of `formats`.
QString StampedProcessLine(const QString& message, const QDateTime& now, const QLocale& formats);

}  // namespace wwweksports
