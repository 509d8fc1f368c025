#include "operator/ProcessLog.h"

namespace wwweksports {
namespace {

QString Stamp(const QString& dayAndMonth, const QString& time, const QString& message) {
    return dayAndMonth + QLatin1Char('-') + time + QLatin1Char(' ') + message;
}

// The short date format without its year and the separators that join the year to the rest:
// "dd.MM.yyyy" gives "dd.MM", "M/d/yyyy" gives "M/d", "yyyy-MM-dd" gives "MM-dd".
QString DayAndMonthFormat(QString format) {
    const qsizetype first = format.indexOf(QLatin1Char('y'));
    if (first < 0) return format;
    qsizetype from = first;
    qsizetype to = format.lastIndexOf(QLatin1Char('y')) + 1;
    const auto separator = [&format](qsizetype at) { return !format.at(at).isLetter(); };
    if (first == 0) {
        while (to < format.size() && separator(to)) ++to;
    } else {
        while (from > 0 && separator(from - 1)) --from;
    }
    return format.remove(from, to - from);
}

}  // namespace

QString StampedProcessLine(const QString& message, const QDateTime& now) {
#ifdef Q_OS_WIN
    return StampedProcessLine(message, now, QLocale::system());
#else
    return Stamp(now.date().toString(QStringLiteral("dd.MM")),
                 now.time().toString(QStringLiteral("HH:mm:ss")), message);
#endif
}

QString StampedProcessLine(const QString& message, const QDateTime& now, const QLocale& formats) {
    return Stamp(
        formats.toString(now.date(), DayAndMonthFormat(formats.dateFormat(QLocale::ShortFormat))),
        formats.toString(now.time(), QLocale::LongFormat), message);
}

}  // namespace wwweksports
