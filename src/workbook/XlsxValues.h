// Conversions between the values stored in an .xlsx worksheet and what the row set hands out:
// number text, Excel date serials, date texts, number formats that mark a date, cell
// references and the _xHHHH_ escapes of OOXML strings.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>
#include <string_view>

namespace wwweksports::xlsx {

// A number in fixed notation, shortest form that reads back to the same double:
// 4750000123456 -> "4750000123456", 0.1 -> "0.1", -3.25 -> "-3.25".
QString FormatNumber(double value);

// Text typed into a cell as a number: optional sign, digits with one "." or "," as decimal
// separator, optional exponent; surrounding blanks ignored. Empty when it is anything else.
std::optional<double> ParseNumberText(QStringView text);

// Excel date serial to date and time (UTC), rounded to the second. 1900 system: serial 1 is
// 1.1.1900 and serials from 60 on are one day behind the count because Excel treats 1900 as
// a leap year (60, the fictitious 29.2.1900, reads as 28.2.1900); serials below 1 are times
// of the zero date 30.12.1899, the date an empty cell reads as. 1904 system: serial 0 is
// 1.1.1904. Empty for negative serials and serials after 31.12.9999.
std::optional<QDateTime> SerialToDateTime(double serial, bool date1904);
// The inverse, for the ISO 8601 texts of "d" cells; empty for dates without a serial.
std::optional<double> DateTimeToSerial(const QDateTime& dateTime, bool date1904);

// "dd.MM.yyyy", with " hh:mm:ss" when the time is not midnight.
QString FormatDateTime(const QDateTime& dateTime);

// A date typed as text, read with fixed rules rather than the locale: "d.M.yyyy" or
// "yyyy-MM-dd" (then "T" or a blank before the time), optionally followed by a time
// "h:mm" or "h:mm:ss". Empty when the text is anything else.
std::optional<QDateTime> ParseDateText(QStringView text);

// Whether cells with this number format show a date or time: the built-in date and time
// formats by id, custom formats by their code.
bool IsBuiltInDateFormat(int numFmtId);
bool IsDateFormatCode(std::string_view formatCode);

// "D17" from the 0-based column 3 and row number 17.
QString CellReference(int column, int row);

// Decodes _xHHHH_ escapes ("_x000D_" is a carriage return, "_x005F_" an underscore).
QString DecodeEscapes(const QString& text);

}  // namespace wwweksports::xlsx
