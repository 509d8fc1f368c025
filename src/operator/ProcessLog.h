// The time stamp of a process-log line: the day and month as the short date format orders
// and separates them (the format without its year), "-", the time in the long time format,
// one blank, then the message. On Windows the formats are the user's regional settings
// ("06.12-14:03:22" in Latvian ones, "12/6-2:03:22 PM" in American ones); elsewhere, where a
// scheduled run often has no regional settings at all, day.month and 24-hour time.
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
