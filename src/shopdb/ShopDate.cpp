#include "shopdb/ShopDate.h"

namespace wwweksports {

QString FormatShopDate(const QDate& date) {
    return QStringLiteral("%1-%2-%3")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

QDate ParseDayMonthYear(const QString& text) {
    return QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
}

}  // namespace wwweksports
