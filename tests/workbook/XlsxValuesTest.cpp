#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "workbook/XlsxValues.h"

namespace wwweksports::xlsx {
namespace {

QDateTime Utc(int y, int m, int d, int h = 0, int min = 0, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s), Qt::UTC);
}

TEST(NumberFormatTest, DateFormatsAreRecognisedByIdAndByCode) {
    for (int id : {14, 17, 22, 27, 36, 45, 47, 50, 58}) EXPECT_TRUE(IsBuiltInDateFormat(id)) << id;
    for (int id : {0, 1, 13, 23, 26, 37, 44, 48, 49, 59, 164})
        EXPECT_FALSE(IsBuiltInDateFormat(id)) << id;

    for (const char* code : {"dd.mm.yyyy", "yyyy-mm-dd hh:mm", "[$-426]d. mmmm yyyy", "[h]:mm",
                             "[SS]", "mm:ss", "DD/MM/YY"})
        EXPECT_TRUE(IsDateFormatCode(code)) << code;
    for (const char* code : {"General", "0.00", "#,##0.00 \"dienas\"", "0\\d", "[Red]0.00",
                             "_-* #,##0.00_-;-* #,##0.00_-", "@", "0.00E+00", "[$€-426] #,##0"})
        EXPECT_FALSE(IsDateFormatCode(code)) << code;
}

TEST(SerialDateTest, Serials1900CountFromTheZeroDateAroundTheFictitiousLeapDay) {
    EXPECT_EQ(SerialToDateTime(0, false), Utc(1899, 12, 30));
    EXPECT_EQ(SerialToDateTime(0.5, false), Utc(1899, 12, 30, 12));
    EXPECT_EQ(SerialToDateTime(1, false), Utc(1900, 1, 1));
    EXPECT_EQ(SerialToDateTime(59, false), Utc(1900, 2, 28));
    EXPECT_EQ(SerialToDateTime(60, false), Utc(1900, 2, 28));
    EXPECT_EQ(SerialToDateTime(61, false), Utc(1900, 3, 1));
    EXPECT_EQ(SerialToDateTime(46091.25, false), Utc(2026, 3, 10, 6));
    EXPECT_EQ(SerialToDateTime(2958465, false), Utc(9999, 12, 31));
    EXPECT_EQ(SerialToDateTime(0, true), Utc(1904, 1, 1));
    EXPECT_EQ(SerialToDateTime(44629, true), Utc(2026, 3, 10));
    EXPECT_EQ(SerialToDateTime(-1, false), std::nullopt);
    EXPECT_EQ(SerialToDateTime(2958466, false), std::nullopt);
}

TEST(SerialDateTest, TimeOfDayIsRoundedToTheSecond) {
    EXPECT_EQ(SerialToDateTime(46091 + 12.5 / 86400, false), Utc(2026, 3, 10, 0, 0, 13));
    EXPECT_EQ(SerialToDateTime(46091.9999999, false), Utc(2026, 3, 11));
    EXPECT_EQ(SerialToDateTime(46091 + (14 * 3600 + 5 * 60 + 9) / 86400.0, false),
              Utc(2026, 3, 10, 14, 5, 9));
}

TEST(SerialDateTest, DatesConvertBackToTheSameSerials) {
    for (double serial : {0.0, 1.0, 59.0, 61.0, 46091.5}) {
        const auto date = SerialToDateTime(serial, false);
        ASSERT_TRUE(date);
        EXPECT_EQ(DateTimeToSerial(*date, false), serial);
    }
    EXPECT_EQ(DateTimeToSerial(Utc(1904, 1, 2, 18), true), 1.75);
    EXPECT_EQ(DateTimeToSerial(Utc(1800, 1, 1), false), std::nullopt);
}

TEST(DateTextTest, DottedAndIsoDatesWithOptionalTime) {
    EXPECT_EQ(ParseDateText(u"10.03.2026"), Utc(2026, 3, 10));
    EXPECT_EQ(ParseDateText(u" 1.3.2026 7:05 "), Utc(2026, 3, 1, 7, 5));
    EXPECT_EQ(ParseDateText(u"01.03.2026 17:05:09"), Utc(2026, 3, 1, 17, 5, 9));
    EXPECT_EQ(ParseDateText(u"2026-03-10"), Utc(2026, 3, 10));
    EXPECT_EQ(ParseDateText(u"2026-03-10T12:30:15"), Utc(2026, 3, 10, 12, 30, 15));
    EXPECT_EQ(ParseDateText(u"2026-03-10 12:30"), Utc(2026, 3, 10, 12, 30));
    EXPECT_EQ(ParseDateText(u"2026-03-10T23:59:59.6Z"), Utc(2026, 3, 11));

    for (const char16_t* text : {u"", u"x", u"10/03/2026", u"31.02.2026", u"10.03.26", u"2026-3-10",
                                 u"26-03-10", u"10.03.2026T12:00", u"10.03.2026 25:00",
                                 u"2026-03-10 12", u"2026-03-10 12:30 x", u"100.03.2026"})
        EXPECT_EQ(ParseDateText(text), std::nullopt) << QString::fromUtf16(text).toStdString();
}

TEST(NumberTextTest, CommaOrPointDecimalsWithOptionalSignAndExponent) {
    EXPECT_EQ(ParseNumberText(u"2,5"), 2.5);
    EXPECT_EQ(ParseNumberText(u"2.5"), 2.5);
    EXPECT_EQ(ParseNumberText(u" -1,25 "), -1.25);
    EXPECT_EQ(ParseNumberText(u"+3"), 3.0);
    EXPECT_EQ(ParseNumberText(u",5"), 0.5);
    EXPECT_EQ(ParseNumberText(u"5."), 5.0);
    EXPECT_EQ(ParseNumberText(u"1,5E-2"), 0.015);
    for (const char16_t* text : {u"", u"x", u"1.2.3", u"1,2.3", u"1 000", u"--1", u"e5", u"1e",
                                 u"12abc", u"inf", u"nan", u"1e999", u"0x10"})
        EXPECT_EQ(ParseNumberText(text), std::nullopt) << QString::fromUtf16(text).toStdString();
}

TEST(NumberTextTest, NumbersShowInShortestFixedNotation) {
    EXPECT_EQ(FormatNumber(-0.0), "0");
    EXPECT_EQ(FormatNumber(1e-7), "0.0000001");
    EXPECT_EQ(FormatNumber(1.2345678901234568e20), "123456789012345683968");  // exact value
}

TEST(CellReferenceTest, ColumnLettersAndRowNumber) {
    EXPECT_EQ(CellReference(0, 1), "A1");
    EXPECT_EQ(CellReference(3, 17), "D17");
    EXPECT_EQ(CellReference(25, 2), "Z2");
    EXPECT_EQ(CellReference(26, 3), "AA3");
    EXPECT_EQ(CellReference(701, 4), "ZZ4");
    EXPECT_EQ(CellReference(702, 5), "AAA5");
    EXPECT_EQ(CellReference(16383, 1048576), "XFD1048576");
}

TEST(EscapeTest, HexEscapesDecodeAndOthersStay) {
    EXPECT_EQ(DecodeEscapes("a_x000D_b"), "a\rb");
    EXPECT_EQ(DecodeEscapes("_x005F_x0041_"), "_x0041_");
    EXPECT_EQ(DecodeEscapes("_x00e9_"), QString::fromUtf8("é"));
    EXPECT_EQ(DecodeEscapes("_xD83D__xDE00_"), QString::fromUtf8("😀"));
    for (const char* text : {"a_x12_b", "_xZZZZ_", "_x0041", "plain_text"})
        EXPECT_EQ(DecodeEscapes(text), text);
}

}  // namespace
}  // namespace wwweksports::xlsx
