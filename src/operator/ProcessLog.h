// The time stamp of a process-log line: the first five characters of the date written
// day.month.year ("06.12"), "-", the time ("14:03:22"), one blank, then the message.
#pragma once

#include <QDateTime>
#include <QString>

namespace wwweksports {

QString StampedProcessLine(const QString& message,
                           const QDateTime& now = QDateTime::currentDateTime());

}  // namespace wwweksports
