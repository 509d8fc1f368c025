#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "fixtures/TestShop.h"
#include "fixtures/WorkbookBuilder.h"
#include "operator/Error.h"
#include "workbook/Workbook.h"
#include "workbook/XlsxPackage.h"
#include "workbook/XlsxValues.h"

namespace wwweksports {
namespace {

using namespace testing;  // the project's fixtures

const QString kOdd = QFileInfo(QStringLiteral(__FILE__)).path() + "/../fixtures/odd/";
const QTemporaryDir kDir;
const QString kProducts = kDir.filePath(kProductsWorkbook);

Workbook Odd(const char* file) { return Workbook::Open(kOdd, file); }
// The products workbook, chosen by way of another file beside it.
Workbook Products() { return Workbook::Open(kDir.filePath("chosen.xlsx"), kProductsWorkbook); }
void Save(const WorkbookBuilder& builder) { builder.save(kProducts.toStdString()); }
void Write(const QByteArray& bytes, const QDateTime& modified = QDateTime()) {
    QFile file(kProducts);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    EXPECT_TRUE(!modified.isValid() ||
                (file.flush() && file.setFileTime(modified, QFileDevice::FileModificationTime)));
}

// Dates in ISO 8601 without a midnight time, "Z" for UTC.
QString Show(const QDateTime& date) { return date.toString(Qt::ISODate).remove("T00:00:00"); }
QString Show(double value) { return QString::number(value, 'g', 15); }

// Row `index` of `sheet` read every way as "text|number|whole number|date"; "!" for a read that
// fails naming the value, file, sheet, cell and column. The reads spell the column in other
// letter cases.
std::string ReadAll(const Sheet& sheet, int index, const QString& column, const QString& cell) {
    const SheetRow row = sheet.row(index);
    const QString text = row.asText(column), head = "Nevar nolasīt \"" + text + "\" kā ";
    const QString tail = QStringLiteral(": %1, lapa \"%2\", šūna %3, kolonna %4")
                             .arg(sheet.fileName(), sheet.name(), cell, column);
    const auto got = [&](const auto& read) -> QString {
        try {
            return Show(read());
        } catch (const Error& e) {
            return e.message().startsWith(head) && e.message().endsWith(tail) ? "!" : e.message();
        }
    };
    return (text + '|' + got([&] { return row.asFloat(column.toLower()); }) + '|' +
            got([&] { return row.asInteger(column.toUpper()); }) + '|' +
            got([&] { return row.asDateTime(column); }))
        .toStdString();
}

TEST(WorkbookTest, KeptWorkbookServesUntilTheFileChanges) {
    // Garbage in place of the workbook, `grow` bytes longer and modified `later` seconds later
    // than it, read again.
    const auto garbledRows = [](int grow, int later) {
        const QFileInfo was(kProducts);
        Write(QByteArray(was.size() + grow, 'x'), was.lastModified().addSecs(later));
        return Products().firstSheet().rowCount();
    };
    Save(WorkbookBuilder().row({"ID"}).row({1}));
    EXPECT_THROW(garbledRows(0, 0), Error);  // nothing is kept without a keeper
    {
        KeepReadWorkbooks keep;
        Save(WorkbookBuilder().row({"ID"}).row({1}));
        EXPECT_EQ(Products().firstSheet().rowCount(), 1);
        EXPECT_EQ(garbledRows(0, 0), 1);
        EXPECT_THROW(garbledRows(0, 60), Error);
        EXPECT_THROW(garbledRows(1, -60), Error);
    }
    EXPECT_THROW(garbledRows(-1, 0), Error);  // the kept file's size and time again
}

// Files whose zip directories declare more than the reader unpacks (one worksheet past 512 MiB,
// all parts past 1 GiB) fail naming the file, damaged worksheets when they are read, naming the
// sheet and the fault.
TEST(WorkbookTest, FilesThatAreNoWorkbookFailNamingTheFile) {
    const QString notXlsx = "Tas nav Excel fails (.xlsx): " + kProducts, no = kDir.filePath("no");
    // clang-format off
    std::vector<std::pair<std::function<void()>, QStringList>> failures = {
        {[&] { Workbook::Open(no + "/x.xlsx", "a"); }, {"Excel failu katalogs nav atrasts: " + no}},
        {[] { Workbook::Open(kProducts, "a"); }, {"Excel fails nav atrasts: " + kDir.filePath("a")}},
        {[] { Write("ID;NOSAUKUMS\n1;Ābols\n"); Products(); }, {notXlsx}},
        {[] { Odd("chart_only.xlsx"); }, {"nav nevienas darba lapas: " + kOdd + "chart_only.xlsx"}},
        {[] { Odd("malformed_sheet.xlsx").firstSheet(); },
         {"Nevar nolasīt darba lapu", kOdd + "malformed_sheet.xlsx, lapa \"Sheet1\""}},
        {[] { Odd("absolute_targets.xlsx").sheet("Alpha"); },
         {"šūna A2", "kopīgo tekstu", kOdd + "absolute_targets.xlsx, lapa \"Alpha\""}},
        {[] { Odd("miscounted.xlsx"); },
         {"(.xlsx): " + kOdd + "miscounted.xlsx (zip arhīva satura rādītājs ir bojāts)"}},
        {[] { Odd("oversized_workbook.xlsx"); },
         {"Nevar nolasīt Excel failu (atpakots tas pārsniedz 1024 MiB): " + kOdd +
          "oversized_workbook.xlsx"}},
        {[] { Odd("oversized_sheet.xlsx").firstSheet(); },
         {"Nevar nolasīt darba lapu (atpakota tā pārsniedz 512 MiB): " + kOdd +
          "oversized_sheet.xlsx, lapa \"Sheet1\""}}};
    std::vector<std::pair<QString, QString>> damaged = {
        {"A3", "šūnas atsauce \"A3\" ir ārpus savas rindas 2"},
        {"Rows", "rinda 1048577 nav derīga"}, {"Columns", "rindā 1 ir šūnas aiz kolonnas XFD"},
        {"Reference", "xl/worksheets/sheet14.xml: rakstzīmes atsauce \"&#x110000;\" nav derīga"},
        {"Header", "virsraksta šūnā B1 ir formula \"=A1\", saglabāta bez vērtības"},
        {"Overlong", "daļa xl/worksheets/sheet16.xml atpakota pārsniedz zip satura rādītājā "
                     "norādīto izmēru"}};
    for (const char* bad : {"A0", "XFE1", "A1048577", "1A", "A1B", "AAAA1", "A", "$A$2", "A 2"})
        damaged.emplace_back(bad, QStringLiteral("šūnas atsauce \"%1\" rindā 2 nav derīga")
                                      .arg(bad));
    for (const auto& [sheet, fault] : damaged)
        failures.push_back({[sheet = sheet] { Odd("damaged_sheets.xlsx").sheet(sheet); },
                            {"(" + fault + "): " + kOdd + "damaged_sheets.xlsx, lapa \"" +
                             sheet}});
    // clang-format on
    for (const auto& [call, message] : failures) ExpectWorkbookError(call, message);
}

// Worksheets come in workbook order and are found by name ignoring case; the fixed file goes
// beside the chosen one, into the text before its last delimiter.
TEST(WorkbookTest, WorksheetsInWorkbookOrder) {
    Save(WorkbookBuilder().sheet("Ūdens").row({"ID"}).row({1}).sheet("Ēkas").row({"ID", "VĀRDS"}));
    const Workbook workbook = Products();
    EXPECT_EQ(workbook.filePath(), kDir.path() + QDir::separator() + kProductsWorkbook);
    EXPECT_EQ(workbook.sheetNames(), QStringList({"Ūdens", "Ēkas"}));
    const Sheet first = workbook.firstSheet(), empty = workbook.sheet("ēKAS");
    EXPECT_TRUE(empty.name() == "Ēkas" && empty.rowCount() == 0 && empty.hasColumn("vārds"));
    const QString missing = "Virsrakstu rindā nav kolonnas \"CENA\": " + kProducts + ", lapa ";
    const QStringList columns = {"VārdS", "CENA"};
    ExpectWorkbookError([&] { empty.requireColumns(columns); }, {missing + "\"Ēkas\""});
    ExpectWorkbookError([&] { first.row(0).asFloat("CENA"); }, {missing + "\"Ūdens\""});
    ExpectWorkbookError([&] { workbook.sheet("CENAS"); },
                        {"Nav darba lapas \"CENAS\": " + kProducts});
    EXPECT_EQ(Odd("prefixed.xlsx").sheetNames(), QStringList({"Dati"}));  // no chart sheet
    QStringList directories;  // backslashes and the drive colon delimit only on Windows
    for (const char* chosen : {"/s/x/P.xlsx", "/s/x/", "/s/x", "/a", "a", "C:\\x\\a", "C:\\x"})
        directories << WorkbookDirectory(chosen);
    EXPECT_EQ(directories.join('>'),
              QDir::separator() == '/' ? "/s/x>/s/x>/s>>>>" : "/s/x>/s/x>/s>>>C:\\x>C:");
}

// The header is the first row with a value; blank rows are skipped, yet cell references count
// them; of two headers that differ only in letter case the first wins. Whole numbers round half
// away from zero; serials from 60 on are a day behind (Excel's 29.2.1900) and need no date
// format; blank text is an empty date, yet no number.
TEST(WorkbookTest, CellsReadAsTextNumbersAndDates) {
    const std::monostate _;
    // clang-format off
    std::vector<std::pair<CellValue, std::string>> cases = {
        {_, "|0|0|1899-12-30Z"}, {"   ", "   |!|!|1899-12-30Z"}, {"2.5", "2.5|2.5|3|!"},
        {" -1,25 ", " -1,25 |-1.25|-1|!"}, {"+3", "+3|3|3|!"}, {",5", ",5|0.5|1|!"},
        {"5.", "5.|5|5|!"}, {"1,5E-2", "1,5E-2|0.015|0|!"},
        {"2026-03-10", "2026-03-10|!|!|2026-03-10Z"}, {"10.03.2026", "10.03.2026|!|!|2026-03-10Z"},
        {"2026-03-10 12:30", "2026-03-10 12:30|!|!|2026-03-10T12:30:00Z"},
        {" 1.3.2026 7:05 ", " 1.3.2026 7:05 |!|!|2026-03-01T07:05:00Z"},
        {"01.03.2026 17:05:09", "01.03.2026 17:05:09|!|!|2026-03-01T17:05:09Z"},
        {"2026-03-10T12:30:15", "2026-03-10T12:30:15|!|!|2026-03-10T12:30:15Z"},
        {"2026-03-10T23:59:59.6Z", "2026-03-10T23:59:59.6Z|!|!|2026-03-11Z"},
        {0.5, "0.5|0.5|1|1899-12-30T12:00:00Z"},
        {1.5e-5, "0.000015|1.5e-05|0|1899-12-30T00:00:01Z"},
        {2.4, "2.4|2.4|2|1900-01-02T09:36:00Z"}, {2.5, "2.5|2.5|3|1900-01-02T12:00:00Z"},
        {-2.4, "-2.4|-2.4|-2|!"}, {-2.5, "-2.5|-2.5|-3|!"}, {59, "59|59|59|1900-02-28Z"},
        {60, "60|60|60|1900-02-28Z"}, {61, "61|61|61|1900-03-01Z"},
        {46091 + 12.5 / 86400, "46091.00014467593|46091.0001446759|46091|2026-03-10T00:00:13Z"},
        {46091.9999999, "46091.9999999|46091.9999999|46092|2026-03-11Z"},
        {2958465, "2958465|2958465|2958465|9999-12-31Z"}, {2958466, "2958466|2958466|2958466|!"},
        {4750000123456, "4750000123456|4750000123456|!|!"},
        {2147483647.4, "2147483647.4|2147483647.4|2147483647|!"},
        {-2147483648.0, "-2147483648|-2147483648|-2147483648|!"},
        {2147483647.5, "2147483647.5|2147483647.5|!|!"},
        {-2147483649.0, "-2147483649|-2147483649|!|!"},
        {ExcelDate{2026, 3, 10, 18}, "10.03.2026 18:00:00|46091.75|46092|2026-03-10T18:00:00Z"},
        {ExcelDate{1900, 3, 1}, "01.03.1900|61|61|1900-03-01Z"}};
    // Texts that are no number and no date, and come back unchanged.
    for (const char* text : {
            "x", "1.2.3", "1,2.3", "1 000", "--1", "e5", "1e", "12abc", "inf", "nan", "1e999",
            "0x10", "10/03/2026", "31.02.2026", "10.03.26", "2026-3-10", "26-03-10",
            "10.03.2026T12:00", "10.03.2026 25:00", "2026-03-10 12", "2026-03-10 12:30 x",
            "100.03.2026", "Ķiploku grauzdiņi ar ģērbšanos", "Привет, мир", "Smaids 😀",
            "& < > \" ' &amp;", "  ar atstarpēm  ", "rinda\nrinda"})
        cases.emplace_back(text, std::string(text) + "|!|!|!");
    // clang-format on
    WorkbookBuilder builder;
    builder.row({}).row({_, "ID", "Šķirne", "id"}).row({}).row({"beside", _, _, _, "far"});
    for (size_t i = 0; i < cases.size(); ++i) builder.row({_, i, cases[i].first, -1});
    Save(builder);
    const Sheet sheet = Products().firstSheet();
    int next = 0;  // rows come in worksheet order, and "ID" is the first of the two ids
    for (const SheetRow row : sheet) EXPECT_EQ(row.asInteger("id"), next++);
    ASSERT_EQ(next, static_cast<int>(cases.size()));
    EXPECT_FALSE(sheet.hasColumn("beside") || sheet.hasColumn("far"));
    for (int i = 0; i < sheet.rowCount(); ++i)
        EXPECT_EQ(ReadAll(sheet, i, "Šķirne", "C" + QString::number(i + 5)), cases[i].second);
}

// Workbooks as other programs write them: inline strings with rich runs and cells without
// references, the 1904 date system, absolute targets, namespace prefixes after a chart sheet.
TEST(WorkbookTest, OddWorkbooksReadAsTheirWritersMeant) {
    // clang-format off
    const char *in = "inline_strings.xlsx", *dt = "date1904.xlsx", *at = "absolute_targets.xlsx";
    const struct { const char* file; int row; const char *cell, *column, *read; } cases[] = {
        {in, 0, "B2", "NOSAUKUMS", "Bold and plain|!|!|!"},
        {in, 1, "B3", "NOSAUKUMS", "Line1\r\nLine2 & <tag> 😀|!|!|!"},
        {in, 1, "C3", "ATLIKUMS", "x|!|!|!"}, {in, 2, "B5", "NOSAUKUMS", "No references|!|!|!"},
        {dt, 0, "A2", "DATUMS", "01.01.1904|0|0|1904-01-01Z"},
        {dt, 0, "B2", "LAIKS", "02.01.1904 18:00:00|1.75|2|1904-01-02T18:00:00Z"},
        {dt, 1, "A3", "DATUMS", "10.03.2026|44629|44629|2026-03-10Z"},
        {dt, 1, "B3", "LAIKS", "10.03.2026 12:30:15|44629.5210069444|44630|2026-03-10T12:30:15Z"},
        {dt, 1, "C3", "SKAITS", "02.01.1904 12:00:00|1.5|2|1904-01-02T12:00:00Z"},
        {at, 0, "B2", "NOSAUKUMS", "Rich text|!|!|!"}, {at, 0, "C2", "STATUSS", "TRUE|1|1|!"},
        {at, 1, "B3", "NOSAUKUMS", "A\rB _x0041_|!|!|!"}, {at, 1, "C3", "STATUSS", "#N/A|!|!|!"},
        {at, 2, "B4", "NOSAUKUMS", "Ķēķis & Co ž \"citāts\" '|!|!|!"},
        {at, 2, "C4", "STATUSS", "formula text|!|!|!"},
        {"prefixed.xlsx", 0, "A2", "atlikums", "12.5|12.5|13|1900-01-12T12:00:00Z"},
        {"prefixed.xlsx", 0, "B2", "Nosaukums", "Ābols|!|!|!"},
        {"damaged_sheets.xlsx", 0, "XFD1048576", "LAST", "8|8|8|1900-01-08Z"}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(ReadAll(Odd(c.file).firstSheet(), c.row, c.column, c.cell), c.read) << c.file;
    EXPECT_EQ(Odd(at).firstSheet().rowCount(), 3);  // its row 5 holds only an empty string
}

// A formula saved without its value (openpyxl writes it so) fails whichever way its cell is
// read, naming the formula; a row with one is a data row; a formula with its value reads as that.
TEST(WorkbookTest, FormulasWithoutTheirValuesFailWhenRead) {
    const Sheet sheet = Odd("formulas.xlsx").firstSheet();
    ASSERT_EQ(sheet.rowCount(), 3);  // not row 4, whose formula has no header
    EXPECT_EQ(ReadAll(sheet, 0, "ID", "A2") + ReadAll(sheet, 1, "NOSAUKUMS", "C3"),
              "2|2|2|1900-01-02Z|0|0|1899-12-30Z");
    // clang-format off
    const struct { int row; const char *cell, *column, *formula; } cases[] = {
        {0, "B2", "ATLIKUMS", "=A2*3"}, {0, "C2", "NOSAUKUMS", "=\"a\"&\"b\""},
        {0, "D2", "CENA", "=A2/2"}, {1, "D3", "CENA", "shared formula 0"}};
    // clang-format on
    for (const auto& c : cases) {
        const SheetRow row = sheet.row(c.row);
        const QString column = c.column;
        for (const std::function<void()>& read : std::initializer_list<std::function<void()>>{
                 [&] { row.asText(column); }, [&] { row.asFloat(column); },
                 [&] { row.asInteger(column); }, [&] { row.asDateTime(column); }})
            ExpectWorkbookError(
                read, {QStringLiteral("Nevar nolasīt \"%1\": formula saglabāta bez "
                                      "vērtības: %2, lapa \"Sheet1\", šūna %3, kolonna %4")
                           .arg(c.formula, kOdd + "formulas.xlsx", c.cell, c.column)});
    }
}

// What no worksheet written here reaches: the date formats by id and code, dates back to
// serials, doubles xlsxwriter cannot store exactly, cell references past Z, _xHHHH_ escapes.
// Shared strings go into the pool straight from their UTF-8, as the text would read: a
// leading byte order mark dropped, a broken byte as U+FFFD, _xHHHH_ escapes decoded, none spilling
// over.
TEST(XlsxValuesTest, TextsDecodedIntoThePoolReadAsTheirUtf8) {
    TextPool pool;
    const std::string texts[] = {
        "\xEF\xBB\xBF\xC4\xB7\xC4\x93"
        "de",
        "a\xFF\xC4", "", "A_x000D_B _x005F_x0041_", "\xF0\x9F\x98\x80 x"};
    for (const std::string& text : texts) pool.addUtf8(text);
    ASSERT_EQ(pool.size(), std::size(texts));
    for (uint32_t i = 0; i < pool.size(); ++i) {
        EXPECT_EQ(pool.at(i).toString(), xlsx::DecodeEscapes(QString::fromUtf8(
                                             texts[i].data(), qsizetype(texts[i].size()))))
            << i;
    }
}

TEST(XlsxValuesTest, ConversionsBeyondTheWorksheets) {
    using namespace xlsx;
    QString dates;  // "d" for a date format
    for (int id : {14, 17, 22, 27, 36, 45, 47, 50, 58, 0, 1, 13, 23, 26, 37, 44, 48, 49, 59, 164})
        dates += IsBuiltInDateFormat(id) ? 'd' : '-';
    for (const char* code :
         {"dd.mm.yyyy", "yyyy-mm-dd hh:mm", "[$-426]d. mmmm yyyy", "[h]:mm", "[SS]", "mm:ss",
          "DD/MM/YY", "General", "0.00", "#,##0.00 \"dienas\"", "0\\d", "[Red]0.00",
          "_-* #,##0.00_-;-* #,##0.00_-", "@", "0.00E+00", "[$€-426] #,##0"})
        dates += IsDateFormatCode(code) ? 'd' : '-';
    EXPECT_EQ(dates.toStdString(), "ddddddddd-----------ddddddd---------");
    for (double serial : {0.0, 0.5, 1.0, 1.75, 59.0, 61.0, 46091.25, 2958465.0 - 1462})
        for (bool date1904 : {false, true})
            EXPECT_EQ(DateTimeToSerial(*SerialToDateTime(serial, date1904), date1904), serial);
    EXPECT_FALSE(DateTimeToSerial(QDateTime(QDate(1800, 1, 1), QTime(0, 0), Qt::UTC), false));
    QStringList texts{FormatNumber(-0.0), FormatNumber(1.2345678901234568e20)};
    for (auto [column, row] : {std::pair{25, 2}, {26, 3}, {701, 4}, {702, 5}, {16383, 1048576}})
        texts << CellReference(column, row);
    for (const char* text : {"_x00e9__xD83D__xDE00_", "a_x12_b", "_xZZZZ_", "_x0041", "a_b"})
        texts << DecodeEscapes(text);
    EXPECT_EQ(texts.join(' ').toStdString(),
              "0 123456789012345683968 Z2 AA3 ZZ4 AAA5 XFD1048576 é😀 a_x12_b _xZZZZ_ _x0041 a_b");
}

}  // namespace
}  // namespace wwweksports
