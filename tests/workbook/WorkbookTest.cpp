#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <initializer_list>

#include "QtPrinting.h"
#include "fixtures/WorkbookBuilder.h"
#include "operator/Error.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

using testing::ExcelDate;
using testing::WorkbookBuilder;

const QString kOdd = QStringLiteral(WWWEKSPORTS_ODD_WORKBOOKS);

QDateTime Utc(int y, int m, int d, int h = 0, int min = 0, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s), Qt::UTC);
}

// The call fails with a workbook error whose message contains every part.
void ExpectWorkbookError(const std::function<void()>& call, std::initializer_list<QString> parts) {
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.category(), Error::Category::Workbook);
        for (const QString& part : parts)
            EXPECT_TRUE(e.message().contains(part))
                << e.what() << "\n  lacks: " << part.toStdString();
    }
}

QString MessageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return e.message();
    }
    return QString();
}

class WorkbookTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }

    // Saves the builder as the products workbook and opens its first worksheet.
    RowSet& open(const WorkbookBuilder& builder) {
        builder.save(path(kProductsWorkbook).toStdString());
        OpenWorkbook(source_, path(kGroupsWorkbook), kProductsWorkbook);
        return source_.query;
    }
    // Opens a committed odd workbook's first worksheet.
    RowSet& openOdd(const QString& name) {
        OpenWorkbook(source_, kOdd + "/", name);
        return source_.query;
    }
    void write(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir dir_;
    WorkbookSource source_;
};

// --- Where the workbooks are ---------------------------------------------------------------

TEST(WorkbookPathTest, DirectoryIsTheTextBeforeTheLastDelimiter) {
    EXPECT_EQ(WorkbookDirectory("/srv/exports/Preces_web.xlsx"), "/srv/exports");
    EXPECT_EQ(WorkbookDirectory("/srv/exports/"), "/srv/exports");
    EXPECT_EQ(WorkbookDirectory("/srv/exports"), "/srv");  // taken as a file path
    EXPECT_EQ(WorkbookDirectory("/Preces_web.xlsx"), "");
    EXPECT_EQ(WorkbookDirectory("Preces_web.xlsx"), "");
#ifdef Q_OS_WIN
    EXPECT_EQ(WorkbookDirectory("C:\\Exports\\Preces_web.xlsx"), "C:\\Exports");
    EXPECT_EQ(WorkbookDirectory("C:\\Exports"), "C:");
    EXPECT_EQ(WorkbookDirectory("C:/Exports/Preces_web.xlsx"), "C:/Exports");
#endif
}

TEST(WorkbookPathTest, FixedFileNameGoesIntoTheDirectoryOfThePath) {
    EXPECT_EQ(kGroupsWorkbook, "Grupas_web.xlsx");
    EXPECT_EQ(kProductsWorkbook, "Preces_web.xlsx");
#ifdef Q_OS_WIN
    EXPECT_EQ(WorkbookFilePath("C:\\Exports\\Grupas_web.xlsx", kProductsWorkbook),
              "C:\\Exports\\Preces_web.xlsx");
    EXPECT_EQ(WorkbookFilePath("C:\\Exports", kProductsWorkbook), "C:\\Preces_web.xlsx");
#else
    EXPECT_EQ(WorkbookFilePath("/srv/exports/Grupas_web.xlsx", kProductsWorkbook),
              "/srv/exports/Preces_web.xlsx");
    EXPECT_EQ(WorkbookFilePath("/srv/exports", kProductsWorkbook), "/srv/Preces_web.xlsx");
    EXPECT_EQ(WorkbookFilePath("/Preces_web.xlsx", kGroupsWorkbook), "/Grupas_web.xlsx");
    EXPECT_EQ(WorkbookFilePath("Preces_web.xlsx", kGroupsWorkbook), "/Grupas_web.xlsx");
#endif
}

// --- Opening and its failures ----------------------------------------------------------------

TEST_F(WorkbookTest, OpensTheFixedFileBesideTheChosenOne) {
    WorkbookBuilder().row({"ID"}).row({1}).save(path(kProductsWorkbook).toStdString());
    OpenWorkbook(source_, path("anything.xlsx"), kProductsWorkbook);
    EXPECT_TRUE(source_.connection.isConnected());
    EXPECT_EQ(source_.connection.filePath(), path(kProductsWorkbook));
    EXPECT_EQ(source_.query.fileName(), path(kProductsWorkbook));
    EXPECT_EQ(source_.query.rowCount(), 1);

    CloseWorkbook(source_);
    EXPECT_FALSE(source_.connection.isConnected());
    EXPECT_FALSE(source_.query.isOpen());
    CloseWorkbook(source_);  // harmless when closed
}

TEST_F(WorkbookTest, AReopenedWorkbookIsReadAgainWhenTheFileChanged) {
    WorkbookBuilder().row({"ID"}).row({1}).save(path(kProductsWorkbook).toStdString());
    OpenWorkbook(source_, path("x.xlsx"), kProductsWorkbook);
    EXPECT_EQ(source_.query.rowCount(), 1);
    CloseWorkbook(source_);
    OpenWorkbook(source_, path("x.xlsx"), kProductsWorkbook);  // unchanged: the same rows
    EXPECT_EQ(source_.query.rowCount(), 1);
    CloseWorkbook(source_);

    WorkbookBuilder().row({"ID"}).row({7}).row({8}).save(path(kProductsWorkbook).toStdString());
    OpenWorkbook(source_, path("x.xlsx"), kProductsWorkbook);
    EXPECT_EQ(source_.query.rowCount(), 2);
    EXPECT_EQ(source_.query.asInteger("ID"), 7);

    QFile::remove(path(kProductsWorkbook));
    EXPECT_THROW(OpenWorkbook(source_, path("x.xlsx"), kProductsWorkbook), Error);
}

TEST_F(WorkbookTest, MissingDirectoryOrFileIsNamed) {
    const QString missingDir = path("nowhere");
    EXPECT_EQ(MessageOf([&] { OpenWorkbook(source_, missingDir + "/x.xlsx", kProductsWorkbook); }),
              "Workbook directory not found: " + missingDir);
    EXPECT_EQ(MessageOf([&] { OpenWorkbook(source_, path("x.xlsx"), kProductsWorkbook); }),
              "Workbook not found: " + path(kProductsWorkbook));
    EXPECT_FALSE(source_.connection.isConnected());
    EXPECT_FALSE(source_.query.isOpen());
}

TEST_F(WorkbookTest, FilesThatAreNoWorkbookFailWithoutCrashing) {
    write(kProductsWorkbook, "ID;NOSAUKUMS\n1;Ābols\n");
    ExpectWorkbookError([&] { OpenWorkbook(source_, path("x"), kProductsWorkbook); },
                        {"Not an Excel workbook (.xlsx): " + path(kProductsWorkbook)});
    write(kProductsWorkbook, QByteArray());
    ExpectWorkbookError([&] { OpenWorkbook(source_, path("x"), kProductsWorkbook); },
                        {"Not an Excel workbook (.xlsx)"});
    ExpectWorkbookError([&] { OpenWorkbook(source_, kOdd + "/", "chart_only.xlsx"); },
                        {"The workbook has no worksheet: " + kOdd + "/chart_only.xlsx"});
    ExpectWorkbookError([&] { OpenWorkbook(source_, kOdd + "/", "malformed_sheet.xlsx"); },
                        {"Cannot read the worksheet", "malformed_sheet.xlsx", "sheet \"Sheet1\""});
    ConnectWorkbook(source_.connection, kOdd + "/", "absolute_targets.xlsx");
    ExpectWorkbookError([&] { source_.connection.openSheet("Alpha"); },
                        {"cell A2", "shared string", "sheet \"Alpha\""});
}

TEST_F(WorkbookTest, DamagedZipFailsWithAWorkbookErrorOnly) {
    WorkbookBuilder builder;
    builder.row({"ID", "NOSAUKUMS", "DATUMS"});
    for (int i = 0; i < 30; ++i)
        builder.row({i, "Prece " + std::to_string(i), ExcelDate{2026, 1, 1 + i}});
    builder.save(path("good.xlsx").toStdString());
    QFile good(path("good.xlsx"));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const QByteArray bytes = good.readAll();

    for (int cut = 0; cut < bytes.size(); cut += 101) {
        write(kProductsWorkbook, bytes.left(cut));
        ExpectWorkbookError([&] { OpenWorkbook(source_, path("x"), kProductsWorkbook); },
                            {path(kProductsWorkbook)});
    }
    // A flipped byte may go unnoticed where it lands in text; anything else is an Error.
    for (int at = 0; at < bytes.size(); at += 7) {
        QByteArray damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
        write(kProductsWorkbook, damaged);
        try {
            OpenWorkbook(source_, path("x"), kProductsWorkbook);
            for (; !source_.query.eof(); source_.query.next()) {
                if (source_.query.hasColumn("NOSAUKUMS")) source_.query.asText("NOSAUKUMS");
            }
        } catch (const Error& e) {
            EXPECT_EQ(e.category(), Error::Category::Workbook);
        }
    }
}

// --- Worksheets ------------------------------------------------------------------------------

TEST_F(WorkbookTest, FirstWorksheetIsFirstInWorkbookOrder) {
    RowSet& rows = open(
        WorkbookBuilder().sheet("Zeta").row({"ID"}).row({1}).sheet("Alpha").row({"ID"}).row({2}));
    EXPECT_EQ(source_.connection.sheetNames(), QStringList({"Zeta", "Alpha"}));
    EXPECT_EQ(rows.sheetName(), "Zeta");
    EXPECT_EQ(rows.asInteger("ID"), 1);

    EXPECT_EQ(openOdd("absolute_targets.xlsx").sheetName(), "Beta");
    EXPECT_EQ(openOdd("prefixed.xlsx").sheetName(), "Dati");  // after a chart sheet
    EXPECT_EQ(source_.connection.sheetNames(), QStringList({"Dati"}));
}

TEST_F(WorkbookTest, SheetIsFoundByNameWithoutRegardToCase) {
    open(WorkbookBuilder()
             .sheet("Saraksts")
             .row({"ID"})
             .row({1})
             .sheet("GRUPAS")
             .row({"ID"})
             .row({2})
             .sheet("Ēkas")
             .row({"ID"})
             .row({3}));
    RowSet groups = source_.connection.openSheet("grupas");
    EXPECT_EQ(groups.sheetName(), "GRUPAS");
    EXPECT_EQ(groups.asInteger("ID"), 2);
    EXPECT_EQ(source_.connection.openSheet("ēKAS").asInteger("ID"), 3);
    EXPECT_EQ(MessageOf([&] { source_.connection.openSheet("CENAS"); }),
              "No worksheet named \"CENAS\": " + path(kProductsWorkbook));
}

// --- Header and rows -------------------------------------------------------------------------

TEST_F(WorkbookTest, HeaderOnlySheetIsAtItsEndAtOnce) {
    RowSet& rows = open(WorkbookBuilder().row({"ID", "NOSAUKUMS"}));
    EXPECT_TRUE(rows.eof());
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_TRUE(rows.hasColumn("ID"));
    rows.next();
    EXPECT_TRUE(rows.eof());
    ExpectWorkbookError([&] { rows.asText("ID"); }, {"No current row"});
}

TEST_F(WorkbookTest, RowsAreReadForwardAndFirstRewinds) {
    WorkbookBuilder builder;
    builder.row({"ID"});
    for (int i = 1; i <= 1500; ++i) builder.row({i * 10});
    RowSet& rows = open(builder);
    EXPECT_EQ(rows.rowCount(), 1500);
    int expected = 10;
    for (; !rows.eof(); rows.next(), expected += 10) ASSERT_EQ(rows.asInteger("ID"), expected);
    EXPECT_EQ(expected, 15010);
    rows.first();
    EXPECT_FALSE(rows.eof());
    EXPECT_EQ(rows.currentRow(), 0);
    EXPECT_EQ(rows.asInteger("ID"), 10);
}

TEST_F(WorkbookTest, HeaderIsTheFirstRowWithAValueAndBlankRowsAreSkipped) {
    using std::monostate;
    RowSet& rows = open(WorkbookBuilder()
                            .row({})
                            .row({monostate{}, "ID", "NOSAUKUMS"})
                            .row({monostate{}, 1, "a"})
                            .row({})
                            .row({"beside", monostate{}, monostate{}})  // no header above it
                            .row({monostate{}, monostate{}, monostate{}, "far", 99})
                            .row({monostate{}, 2, "x", "ignored"}));
    EXPECT_EQ(rows.rowCount(), 2);
    EXPECT_EQ(rows.asText("NOSAUKUMS"), "a");
    rows.next();
    EXPECT_EQ(rows.asInteger("ID"), 2);
    EXPECT_FALSE(rows.hasColumn("beside"));
    // The cell reference counts the skipped rows.
    ExpectWorkbookError([&] { rows.asFloat("NOSAUKUMS"); }, {"cell C7,"});
}

TEST_F(WorkbookTest, HeadersMatchWithoutRegardToCaseAndTheFirstDuplicateWins) {
    RowSet& rows =
        open(WorkbookBuilder().row({"atlikums", "Šķirne", "ID", "id"}).row({5, "Antonovka", 1, 2}));
    EXPECT_EQ(rows.asInteger("ATLIKUMS"), 5);
    EXPECT_EQ(rows.asText("ŠĶIRNE"), "Antonovka");
    EXPECT_EQ(rows.asInteger("Id"), 1);
    EXPECT_TRUE(rows.hasColumn("šķirne"));
    EXPECT_FALSE(rows.hasColumn("CENA"));
    EXPECT_NO_THROW(rows.requireColumns({"ATLIKUMS", "ID"}));
    const QString where = path(kProductsWorkbook) + ", sheet \"Sheet1\"";
    EXPECT_EQ(MessageOf([&] {
                  rows.requireColumns({"ID", "CENA_AR_PVN"});
              }),
              "Column \"CENA_AR_PVN\" not found in the header row: " + where);
    EXPECT_EQ(MessageOf([&] { rows.asFloat("CENA_AR_PVN"); }),
              "Column \"CENA_AR_PVN\" not found in the header row: " + where);
}

// --- Value reads -----------------------------------------------------------------------------

TEST_F(WorkbookTest, WholeNumbersRoundHalfAwayFromZero) {
    const std::vector<std::pair<double, int32_t>> cases = {{2.5, 3},
                                                           {-2.5, -3},
                                                           {2.75, 3},
                                                           {2.4, 2},
                                                           {-2.4, -2},
                                                           {0.5, 1},
                                                           {-0.5, -1},
                                                           {2147483647.4, 2147483647},
                                                           {-2147483648.0, -2147483647 - 1}};
    WorkbookBuilder builder;
    builder.row({"N"});
    for (const auto& [value, rounded] : cases) builder.row({value});
    RowSet& rows = open(builder);
    for (const auto& [value, rounded] : cases) {
        EXPECT_EQ(rows.asInteger("N"), rounded) << value;
        EXPECT_EQ(rows.asFloat("N"), value);
        rows.next();
    }
}

TEST_F(WorkbookTest, WholeNumbersOutOfRangeFail) {
    RowSet& rows =
        open(WorkbookBuilder().row({"N"}).row({2147483647.5}).row({-2147483649.0}).row({1e12}));
    for (const char* cell : {"A2", "A3", "A4"}) {
        ExpectWorkbookError([&] { rows.asInteger("N"); }, {"as a whole number", "out of range",
                                                           QString("cell ") + cell, "column N"});
        EXPECT_NO_THROW(rows.asFloat("N"));
        rows.next();
    }
}

TEST_F(WorkbookTest, EmptyCellsReadAsZeroEmptyTextAndTheZeroDate) {
    using std::monostate;
    RowSet& rows = open(WorkbookBuilder()
                            .row({"ID", "ATLIKUMS", "DATUMS", "TEKSTS"})
                            .row({1, monostate{}, monostate{}, "   "}));
    EXPECT_EQ(rows.asInteger("ATLIKUMS"), 0);
    EXPECT_EQ(rows.asFloat("ATLIKUMS"), 0.0);
    EXPECT_EQ(rows.asText("ATLIKUMS"), "");
    EXPECT_EQ(rows.asDateTime("DATUMS"), Utc(1899, 12, 30));
    EXPECT_EQ(rows.asDateTime("DATUMS").timeSpec(), Qt::UTC);
    // Blank text counts as empty for numbers and dates.
    EXPECT_EQ(rows.asInteger("TEKSTS"), 0);
    EXPECT_EQ(rows.asFloat("TEKSTS"), 0.0);
    EXPECT_EQ(rows.asDateTime("TEKSTS"), Utc(1899, 12, 30));
    EXPECT_EQ(rows.asText("TEKSTS"), "   ");
}

TEST_F(WorkbookTest, TextIsReadAsANumberWithCommaOrPoint) {
    RowSet& rows = open(WorkbookBuilder().row({"A", "B", "C"}).row({"2,5", "2.5", " -1,25 "}));
    EXPECT_EQ(rows.asFloat("A"), 2.5);
    EXPECT_EQ(rows.asFloat("B"), 2.5);
    EXPECT_EQ(rows.asFloat("C"), -1.25);
    EXPECT_EQ(rows.asInteger("A"), 3);
    EXPECT_EQ(rows.asInteger("C"), -1);
}

TEST_F(WorkbookTest, TextThatIsNoNumberOrDateFailsNamingCellColumnAndValue) {
    RowSet& rows = open(
        WorkbookBuilder().row({"ID", "NOSAUKUMS", "ATLIKUMS"}).row({1, "a", 3}).row({2, "b", "x"}));
    rows.next();
    const QString where = path(kProductsWorkbook) + ", sheet \"Sheet1\", cell C3, column ATLIKUMS";
    EXPECT_EQ(MessageOf([&] { rows.asInteger("ATLIKUMS"); }),
              "Cannot read \"x\" as a number: " + where);
    EXPECT_EQ(MessageOf([&] { rows.asFloat("atlikums"); }),
              "Cannot read \"x\" as a number: " + where);
    EXPECT_EQ(MessageOf([&] { rows.asDateTime("ATLIKUMS"); }),
              "Cannot read \"x\" as a date: " + where);
    EXPECT_EQ(rows.asText("ATLIKUMS"), "x");
}

TEST_F(WorkbookTest, NumbersReadAsTextWithoutExponentOrTrailingZeros) {
    RowSet& rows = open(WorkbookBuilder()
                            .row({"A", "B", "C", "D", "E"})
                            .row({4750000123456, 42, 0.1, -3.25, 1.5e-5}));
    EXPECT_EQ(rows.asText("A"), "4750000123456");
    EXPECT_EQ(rows.asText("B"), "42");
    EXPECT_EQ(rows.asText("C"), "0.1");
    EXPECT_EQ(rows.asText("D"), "-3.25");
    EXPECT_EQ(rows.asText("E"), "0.000015");
}

TEST_F(WorkbookTest, DatesReadAsDateTimeAndAsText) {
    RowSet& rows = open(WorkbookBuilder()
                            .row({"DATUMS", "SERIAL", "TEKSTS"})
                            .row({ExcelDate{2026, 3, 10}, 46091.5, "10.03.2026"})
                            .row({ExcelDate{2026, 3, 10, 14, 5, 9}, 61, "2026-03-10T14:05:09"})
                            .row({ExcelDate{1900, 2, 28}, 1, "1.3.2026 7:05"})
                            .row({ExcelDate{1900, 3, 1}, 0, "31.02.2026"}));
    EXPECT_EQ(rows.asDateTime("DATUMS"), Utc(2026, 3, 10));
    EXPECT_EQ(rows.asText("DATUMS"), "10.03.2026");
    EXPECT_EQ(rows.asInteger("DATUMS"), 46091);                  // the serial
    EXPECT_EQ(rows.asDateTime("SERIAL"), Utc(2026, 3, 10, 12));  // no date format needed
    EXPECT_EQ(rows.asText("SERIAL"), "46091.5");
    EXPECT_EQ(rows.asDateTime("TEKSTS"), Utc(2026, 3, 10));
    rows.next();
    EXPECT_EQ(rows.asDateTime("DATUMS"), Utc(2026, 3, 10, 14, 5, 9));
    EXPECT_EQ(rows.asText("DATUMS"), "10.03.2026 14:05:09");
    EXPECT_EQ(rows.asDateTime("SERIAL"), Utc(1900, 3, 1));
    EXPECT_EQ(rows.asDateTime("TEKSTS"), Utc(2026, 3, 10, 14, 5, 9));
    rows.next();
    EXPECT_EQ(rows.asText("DATUMS"), "28.02.1900");
    EXPECT_EQ(rows.asDateTime("SERIAL"), Utc(1900, 1, 1));
    EXPECT_EQ(rows.asDateTime("TEKSTS"), Utc(2026, 3, 1, 7, 5));
    rows.next();
    EXPECT_EQ(rows.asDateTime("DATUMS"), Utc(1900, 3, 1));
    EXPECT_EQ(rows.asDateTime("SERIAL"), Utc(1899, 12, 30));
    ExpectWorkbookError([&] { rows.asDateTime("TEKSTS"); },
                        {"\"31.02.2026\" as a date", "cell C5"});
}

TEST_F(WorkbookTest, TextRoundTripsUnchanged) {
    const std::vector<std::string> texts = {"Ķiploku grauzdiņi ar ģērbšanos",
                                            "Привет, мир",
                                            "Smaids 😀",
                                            "& < > \" ' &amp;",
                                            "  ar atstarpēm  ",
                                            "_x0041_ paliek",
                                            "rinda\nrinda"};
    WorkbookBuilder builder;
    builder.row({"TEKSTS"});
    for (const std::string& text : texts) builder.row({text});
    RowSet& rows = open(builder);
    for (const std::string& text : texts) {
        EXPECT_EQ(rows.asText("TEKSTS"), QString::fromStdString(text));
        rows.next();
    }
}

// --- Workbooks written by other programs -----------------------------------------------------

TEST_F(WorkbookTest, InlineStringsWithRichRunsAndCellsWithoutReferences) {
    RowSet& rows = openOdd("inline_strings.xlsx");
    ASSERT_EQ(rows.rowCount(), 3);  // the blank row 4 is no data row
    EXPECT_EQ(rows.asText("NOSAUKUMS"), "Bold and plain");
    EXPECT_EQ(rows.asFloat("ATLIKUMS"), 2.5);
    rows.next();
    EXPECT_EQ(rows.asText("NOSAUKUMS"), QString::fromUtf8("Line1\r\nLine2 & <tag> 😀"));
    ExpectWorkbookError([&] { rows.asInteger("ATLIKUMS"); },
                        {"\"x\"", "inline_strings.xlsx", "cell C3", "column ATLIKUMS"});
    rows.next();
    EXPECT_EQ(rows.asInteger("ID"), 3);
    EXPECT_EQ(rows.asText("NOSAUKUMS"), "No references");
    EXPECT_EQ(rows.asInteger("ATLIKUMS"), 7);
}

TEST_F(WorkbookTest, DateSystem1904AndDateFormats) {
    RowSet& rows = openOdd("date1904.xlsx");
    EXPECT_EQ(rows.asDateTime("DATUMS"), Utc(1904, 1, 1));
    EXPECT_EQ(rows.asText("DATUMS"), "01.01.1904");
    EXPECT_EQ(rows.asText("LAIKS"), "02.01.1904 18:00:00");
    EXPECT_EQ(rows.asText("SKAITS"), "5");  // its format's "d" is quoted text
    rows.next();
    EXPECT_EQ(rows.asDateTime("DATUMS"), Utc(2026, 3, 10));
    EXPECT_EQ(rows.asText("DATUMS"), "10.03.2026");
    EXPECT_EQ(rows.asDateTime("LAIKS"), Utc(2026, 3, 10, 12, 30, 15));  // an ISO date cell
    EXPECT_EQ(rows.asText("SKAITS"), "02.01.1904 12:00:00");            // [h]:mm is a time format
}

TEST_F(WorkbookTest, AbsoluteTargetsSharedRichTextAndSpecialCells) {
    RowSet& rows = openOdd("absolute_targets.xlsx");
    ASSERT_EQ(rows.rowCount(), 3);  // row 5 holds only an empty string
    EXPECT_EQ(rows.asInteger("ID"), 42);
    EXPECT_EQ(rows.asText("NOSAUKUMS"), "Rich text");
    EXPECT_EQ(rows.asText("STATUSS"), "TRUE");
    EXPECT_EQ(rows.asInteger("STATUSS"), 1);
    rows.next();
    EXPECT_EQ(rows.asText("NOSAUKUMS"), "A\rB _x0041_");
    EXPECT_EQ(rows.asText("STATUSS"), "#N/A");
    ExpectWorkbookError([&] { rows.asInteger("STATUSS"); },
                        {"\"#N/A\"", "cell C3", "column STATUSS"});
    rows.next();
    EXPECT_EQ(rows.asText("NOSAUKUMS"), QString::fromUtf8("Ķēķis & Co ž \"citāts\" '"));
    EXPECT_EQ(rows.asText("STATUSS"), "formula text");
}

TEST_F(WorkbookTest, NamespacePrefixesAndCaseOfPartNames) {
    RowSet& rows = openOdd("prefixed.xlsx");
    EXPECT_EQ(rows.asFloat("ATLIKUMS"), 12.5);
    EXPECT_EQ(rows.asText("NOSAUKUMS"), QString::fromUtf8("Ābols"));
}

}  // namespace
}  // namespace wwweksports
