// Reading the two catalogue workbooks. A WorkbookConnection points at one .xlsx file in the
// workbook directory and knows its worksheets; a RowSet is one worksheet loaded whole, its
// first row naming the columns, read forward row by row with values fetched by header name
// (letter case ignored) as whole number, real number, text or date.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace wwweksports {

// The fixed workbook file names.
inline const QString kGroupsWorkbook = QStringLiteral("Grupas_web.xlsx");
inline const QString kProductsWorkbook = QStringLiteral("Preces_web.xlsx");

// The directory part of a path: the text before its last path delimiter, without that
// delimiter. "/srv/exports/Preces_web.xlsx" gives "/srv/exports"; a directory path without a
// trailing delimiter ("/srv/exports") is taken as a file path and gives "/srv".
QString WorkbookDirectory(const QString& path);

// The full path of `file` in the directory of `path`: directory, one delimiter, file name.
QString WorkbookFilePath(const QString& path, const QString& file);

class XlsxPackage;  // the opened .xlsx file: worksheets in workbook order, shared strings, styles
struct SheetTable;  // one worksheet loaded whole

// One worksheet loaded whole: header names and data rows.
class RowSet {
public:
    RowSet();
    ~RowSet();
    RowSet(RowSet&&) noexcept;
    RowSet& operator=(RowSet&&) noexcept;

    bool isOpen() const;
    void close();

    // End flag: true once moved past the last row, and at once without data rows.
    bool eof() const;
    void next();
    void first();
    int rowCount() const;
    int currentRow() const;  // 0-based index of the current data row

    // Throws Error(Workbook) naming file, sheet and the missing column when one of `names`
    // has no header cell.
    void requireColumns(const QStringList& names) const;
    bool hasColumn(const QString& name) const;

    // Value reads of the current row. Every failure throws Error(Workbook) naming the file,
    // sheet, cell (e.g. D17), column and value.
    int32_t asInteger(const QString& column) const;  // numeric cell rounded, half away from zero
    double asFloat(const QString& column) const;
    QString asText(const QString& column) const;
    QDateTime asDateTime(const QString& column) const;  // empty cell: 30.12.1899 00:00, UTC

    QString fileName() const;  // full path of the workbook
    QString sheetName() const;

private:
    friend class WorkbookConnection;
    struct Data;
    std::unique_ptr<Data> d_;
};

// A workbook connection: one .xlsx file opened, its worksheet list read.
class WorkbookConnection {
public:
    WorkbookConnection();
    ~WorkbookConnection();
    WorkbookConnection(const WorkbookConnection&) = delete;
    WorkbookConnection& operator=(const WorkbookConnection&) = delete;

    // Opens the file and reads its worksheet names in workbook order. Throws Error(Workbook):
    // directory or file missing, not an .xlsx file, no worksheet.
    void connect(const QString& filePath);
    void disconnect();
    bool isConnected() const;

    QString filePath() const;
    QStringList sheetNames() const;  // worksheets in workbook order

    // Loads a worksheet whole into a row set positioned on its first data row.
    RowSet openFirstSheet();
    RowSet openSheet(const QString& name);  // name matched without regard to case

private:
    struct FileStamp {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const FileStamp& o) const {
            return path == o.path && size == o.size && modified == o.modified;
        }
    };

    std::shared_ptr<XlsxPackage> package_;  // while connected
    QString filePath_;
    // The last file read and the sheets loaded from it, kept across disconnects.
    std::shared_ptr<XlsxPackage> cached_;
    FileStamp cachedStamp_;
    std::vector<std::shared_ptr<const SheetTable>> cachedSheets_;
};

// The connection and its row set, as the uploads use them (adcExcel / adqExcel).
struct WorkbookSource {
    WorkbookConnection connection;
    RowSet query;
};

// Disconnects, then connects `connection` to `file` in the directory of `excelDir`.
void ConnectWorkbook(WorkbookConnection& connection, const QString& excelDir, const QString& file);
// ConnectWorkbook, then opens the first worksheet on source.query.
void OpenWorkbook(WorkbookSource& source, const QString& excelDir, const QString& file);
// Disconnects and closes the query; nothing happens on a source that is not connected.
void CloseWorkbook(WorkbookSource& source);

}  // namespace wwweksports
