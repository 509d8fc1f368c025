// Dates as the shop's columns take them, and the tool's fixed dates, with fixed formats:
// never the machine's locale.
#pragma once

#include <QDate>
#include <QString>

namespace wwweksports {

// "2024-03-15" for 15 March 2024: four-digit year, hyphen, two-digit month, two-digit day.
QString FormatShopDate(const QDate& date);

// A date written day.month.year with a four-digit year ("31.12.2050"); an invalid QDate when
// the text is not such a date.
QDate ParseDayMonthYear(const QString& text);

}  // namespace wwweksports
