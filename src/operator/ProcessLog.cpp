#include "operator/ProcessLog.h"

namespace wwweksports {

QString StampedProcessLine(const QString& message, const QDateTime& now) {
    // Fixed formats, not the machine's locale: the operator reads the same stamp everywhere.
    const QString date = now.date().toString(QStringLiteral("dd.MM.yyyy"));
    return date.left(5) + QLatin1Char('-') + now.time().toString(QStringLiteral("HH:mm:ss")) +
           QLatin1Char(' ') + message;
}

}  // namespace wwweksports
