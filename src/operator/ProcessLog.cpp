#include "operator/ProcessLog.h"

namespace wwweksports {
namespace {

QString Stamp(const QString& date, const QString& time, const QString& message) {
    return date.left(5) + QLatin1Char('-') + time + QLatin1Char(' ') + message;
}

}  // namespace

QString StampedProcessLine(const QString& message, const QDateTime& now) {
#ifdef Q_OS_WIN
    return StampedProcessLine(message, now, QLocale::system());
#else
    return Stamp(now.date().toString(QStringLiteral("dd.MM.yyyy")),
                 now.time().toString(QStringLiteral("HH:mm:ss")), message);
#endif
}

QString StampedProcessLine(const QString& message, const QDateTime& now, const QLocale& formats) {
    return Stamp(formats.toString(now.date(), QLocale::ShortFormat),
                 formats.toString(now.time(), QLocale::LongFormat), message);
}

}  // namespace wwweksports
