// Reading the two catalogue workbooks. A Workbook is one .xlsx file in the workbook
// directory with its worksheets in workbook order; a Sheet is one worksheet loaded whole, its
// first row naming the columns; a SheetRow's values are read by header name (letter case
// ignored) as whole number, real number, text or date. Every failure is an Error(Workbook)
// naming the file, the sheet, the cell (e.g. D17), the column and the value.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

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

// A workbook file as it is now: its absolute path, size and modification time. Equal stamps
// stand for the same content.
struct WorkbookStamp {
    QString path;
    qint64 size = -1;  // -1: no such file
    QDateTime modified;

    static WorkbookStamp Of(const QString& filePath);
    bool operator==(const WorkbookStamp& o) const {
        return path == o.path && size == o.size && modified == o.modified;
    }
};

class XlsxPackage;  // the opened .xlsx file: worksheets in workbook order, shared strings, styles
struct SheetTable;  // one worksheet loaded whole
struct StoredCell;
class Sheet;

// One data row of a sheet. Valid while its sheet lives. Every read of a cell that holds a
// formula saved without its value fails: what the formula computes is not in the file.
class SheetRow {
public:
    int32_t asInteger(const QString& column) const;  // numeric cell rounded, half away from zero
    double asFloat(const QString& column) const;
    QString asText(const QString& column) const;
    QDateTime asDateTime(const QString& column) const;  // empty cell: 30.12.1899 00:00, UTC

    int number() const;  // the row's number in the worksheet
    // "<file>, sheet "<name>", cell D17, column <column>" for messages about this row's cell.
    QString where(const QString& column) const;

private:
    friend class Sheet;
    SheetRow(const Sheet& sheet, int index) : sheet_(&sheet), index_(index) {}
    // Throws for a formula saved without its value, which no reader can take.
    const StoredCell& cell(int column) const;
    const Sheet* sheet_;
    int index_;
};

// One worksheet loaded whole: its header names and its data rows in worksheet order.
class Sheet {
public:
    Sheet(Sheet&&) noexcept;
    Sheet& operator=(Sheet&&) noexcept;
    ~Sheet();

    const QString& fileName() const;  // full path of the workbook
    const QString& name() const;

    int rowCount() const;
    SheetRow row(int index) const { return SheetRow(*this, index); }

    bool hasColumn(const QString& name) const;
    // Throws naming file, sheet and the first of `names` without a header cell.
    void requireColumns(const QStringList& names) const;

    class Iterator {
    public:
        SheetRow operator*() const { return sheet_->row(index_); }
        Iterator& operator++() {
            ++index_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return index_ != other.index_; }

    private:
        friend class Sheet;
        Iterator(const Sheet& sheet, int index) : sheet_(&sheet), index_(index) {}
        const Sheet* sheet_;
        int index_;
    };
    Iterator begin() const { return Iterator(*this, 0); }
    Iterator end() const { return Iterator(*this, rowCount()); }

private:
    friend class SheetRow;
    friend class Workbook;
    Sheet(QString fileName, QString name, std::shared_ptr<const SheetTable> table);
    int column(const QString& name) const;  // throws for a missing column
    QString where() const;
    QString where(int row, int column) const;

    QString fileName_;
    QString name_;
    std::shared_ptr<const SheetTable> table_;
    // Stored column by the caller's spelling of the name, saving a case fold per read.
    mutable QHash<QString, int> columnBySpelling_;
};

// One .xlsx file, its structure read.
class Workbook {
public:
    struct Loaded;  // what has been read of the file

    // Opens `file` in the directory of `path` (see WorkbookFilePath). Throws when the
    // directory or the file is missing, the file is no .xlsx workbook, has no worksheet or
    // would unpack to more than 1 GiB.
    static Workbook Open(const QString& path, const QString& file);

    const QString& filePath() const { return filePath_; }
    QStringList sheetNames() const;  // worksheets in workbook order

    // Worksheets are loaded whole; a damaged one, or one past 512 MiB of XML, throws naming it.
    Sheet firstSheet() const;
    Sheet sheet(const QString& name) const;  // name matched without regard to case

private:
    explicit Workbook(QString filePath, std::shared_ptr<Loaded> loaded);
    Sheet load(int index) const;

    QString filePath_;
    std::shared_ptr<Loaded> loaded_;
};

// While one of these lives, a workbook once read is kept and serves every later Open of the
// same file as long as the file is unchanged (same size and modification time): the products
// workbook read for the catalogue serves the special prices of the same run. With none alive
// nothing is kept.
class KeepReadWorkbooks {
public:
    KeepReadWorkbooks();
    ~KeepReadWorkbooks();
    KeepReadWorkbooks(const KeepReadWorkbooks&) = delete;
    KeepReadWorkbooks& operator=(const KeepReadWorkbooks&) = delete;
};

}  // namespace wwweksports
