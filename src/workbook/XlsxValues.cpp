#include "workbook/XlsxValues.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace wwweksports::xlsx {

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr double kLastSerial = 2958466.0;  // 1.1.10000 in the 1900 system

QDate ZeroDate() { return QDate(1899, 12, 30); }

bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

int HexDigit(QChar c) {
    if (IsAsciiDigit(c)) return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
    return -1;
}

// Forward reader over a date text.
class Scanner {
public:
    explicit Scanner(QStringView text) : text_(text) {}

    bool atEnd() const { return pos_ == text_.size(); }
    bool peek(char16_t c) const { return pos_ < text_.size() && text_[pos_] == c; }
    bool take(char16_t c) {
        if (!peek(c)) return false;
        ++pos_;
        return true;
    }
    // Up to maxDigits decimal digits; returns how many were read.
    int digits(int maxDigits, int& value) {
        int count = 0;
        value = 0;
        while (count < maxDigits && pos_ < text_.size() && IsAsciiDigit(text_[pos_])) {
            value = value * 10 + (text_[pos_].unicode() - u'0');
            ++pos_;
            ++count;
        }
        return count;
    }
    bool number(int minDigits, int maxDigits, int& value) {
        return digits(maxDigits, value) >= minDigits;
    }
    // The digits of a fraction of a second: whether it reaches one half.
    bool fractionRoundsUp() {
        const qsizetype start = pos_;
        while (pos_ < text_.size() && IsAsciiDigit(text_[pos_])) ++pos_;
        return pos_ > start && text_[start] >= u'5';
    }

private:
    QStringView text_;
    qsizetype pos_ = 0;
};

// "h:mm" or "h:mm:ss"; the ISO form may add a fraction of a second and "Z".
std::optional<QDateTime> ReadTime(Scanner& scan, const QDate& date, bool iso) {
    int hour = 0, minute = 0, second = 0;
    if (!scan.number(1, 2, hour) || !scan.take(u':') || !scan.number(2, 2, minute))
        return std::nullopt;
    bool roundUp = false;
    if (scan.take(u':')) {
        if (!scan.number(2, 2, second)) return std::nullopt;
        if (iso && scan.take(u'.')) roundUp = scan.fractionRoundsUp();
    }
    if (iso) scan.take(u'Z');
    const QTime time(hour, minute, second);
    if (!scan.atEnd() || !time.isValid()) return std::nullopt;
    return QDateTime(date, time, Qt::UTC).addSecs(roundUp ? 1 : 0);
}

}  // namespace

QString FormatNumber(double value) {
    if (value == 0) return QStringLiteral("0");  // also -0
    // Fixed notation of the largest double takes 309 digits, of the smallest 330 places.
    std::array<char, 400> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed);
    if (result.ec != std::errc()) return QString::number(value, 'g', 17);
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

std::optional<double> ParseNumberText(QStringView text) {
    text = text.trimmed();
    std::string ascii;
    ascii.reserve(text.size());
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') ascii += '-';
        ++i;
    }
    int mantissaDigits = 0;
    bool separatorSeen = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (IsAsciiDigit(c)) {
            ascii += static_cast<char>(c.unicode());
            ++mantissaDigits;
        } else if ((c == u'.' || c == u',') && !separatorSeen) {
            ascii += '.';
            separatorSeen = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ascii += 'e';
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
            ascii += static_cast<char>(text[i++].unicode());
        int exponentDigits = 0;
        for (; i < text.size() && IsAsciiDigit(text[i]); ++i, ++exponentDigits)
            ascii += static_cast<char>(text[i].unicode());
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<QDateTime> SerialToDateTime(double serial, bool date1904) {
    if (!(serial >= 0 && serial < kLastSerial)) return std::nullopt;
    const qint64 total = std::llround(serial * kSecondsPerDay);
    const qint64 days = total / kSecondsPerDay;
    const QTime time = QTime(0, 0).addSecs(static_cast<int>(total % kSecondsPerDay));
    QDate date;
    if (date1904)
        date = QDate(1904, 1, 1).addDays(days);
    else if (days == 0)
        date = ZeroDate();
    else if (days < 60)
        date = QDate(1899, 12, 31).addDays(days);
    else
        date = ZeroDate().addDays(days);
    if (date.year() > 9999) return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

std::optional<double> DateTimeToSerial(const QDateTime& dateTime, bool date1904) {
    const QDate date = dateTime.date();
    qint64 days = 0;
    if (date1904) {
        days = QDate(1904, 1, 1).daysTo(date);
    } else {
        days = ZeroDate().daysTo(date);
        // 1.1.1900 to 28.2.1900 come before Excel's fictitious 29.2.1900.
        if (days >= 2 && days <= 60)
            --days;
        else if (days == 1)
            return std::nullopt;
    }
    if (days < 0) return std::nullopt;
    return static_cast<double>(days) +
           static_cast<double>(dateTime.time().msecsSinceStartOfDay()) / (kSecondsPerDay * 1000);
}

QString FormatDateTime(const QDateTime& dateTime) {
    if (dateTime.time() == QTime(0, 0)) return dateTime.toString(QStringLiteral("dd.MM.yyyy"));
    return dateTime.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}

std::optional<QDateTime> ParseDateText(QStringView text) {
    Scanner scan(text.trimmed());
    int first = 0, month = 0, last = 0;
    const int firstDigits = scan.digits(4, first);
    if (firstDigits <= 2 && firstDigits > 0 && scan.take(u'.')) {
        // d.M.yyyy: the first number was the day.
        if (!scan.number(1, 2, month) || !scan.take(u'.') || !scan.number(4, 4, last))
            return std::nullopt;
        const QDate date(last, month, first);
        if (!date.isValid()) return std::nullopt;
        if (scan.atEnd()) return QDateTime(date, QTime(0, 0), Qt::UTC);
        if (!scan.take(u' ')) return std::nullopt;
        return ReadTime(scan, date, false);
    }
    // yyyy-MM-dd
    if (firstDigits != 4 || !scan.take(u'-') || !scan.number(2, 2, month) || !scan.take(u'-') ||
        !scan.number(2, 2, last))
        return std::nullopt;
    const QDate date(first, month, last);
    if (!date.isValid()) return std::nullopt;
    if (scan.atEnd()) return QDateTime(date, QTime(0, 0), Qt::UTC);
    if (!scan.take(u'T') && !scan.take(u' ')) return std::nullopt;
    return ReadTime(scan, date, true);
}

bool IsBuiltInDateFormat(int numFmtId) {
    return (numFmtId >= 14 && numFmtId <= 22) || (numFmtId >= 27 && numFmtId <= 36) ||
           (numFmtId >= 45 && numFmtId <= 47) || (numFmtId >= 50 && numFmtId <= 58);
}

bool IsDateFormatCode(std::string_view code) {
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        switch (c) {
            case '"': {  // quoted literal text
                const size_t close = code.find('"', i + 1);
                if (close == std::string_view::npos) return false;
                i = close;
                break;
            }
            case '\\':  // escaped literal character
            case '_':   // blank as wide as the next character
            case '*':   // fill with the next character
                ++i;
                break;
            case '[': {  // colour, condition or locale; [h], [mm], [ss] are elapsed time
                const size_t close = code.find(']', i + 1);
                if (close == std::string_view::npos) return false;
                const std::string_view inner = code.substr(i + 1, close - i - 1);
                if (!inner.empty() && inner.find_first_not_of(inner[0]) == std::string_view::npos &&
                    std::string_view("hHmMsS").find(inner[0]) != std::string_view::npos)
                    return true;
                i = close;
                break;
            }
            default:
                if (std::string_view("dDmMyYhHsS").find(c) != std::string_view::npos) return true;
        }
    }
    return false;
}

QString CellReference(int column, int row) {
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26) letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters + QString::number(row);
}

QString DecodeEscapes(const QString& text) {
    if (!text.contains(QLatin1String("_x"))) return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
            int code = 0;
            qsizetype k = i + 2;
            for (; k < i + 6 && HexDigit(text[k]) >= 0; ++k) code = code * 16 + HexDigit(text[k]);
            if (k == i + 6) {
                out += QChar(static_cast<char16_t>(code));
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace wwweksports::xlsx
