#include "workbook/Workbook.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <limits>
#include <utility>

#include "operator/Error.h"
#include "workbook/XlsxPackage.h"
#include "workbook/XlsxValues.h"

namespace wwweksports {

namespace {

#ifdef Q_OS_WIN
constexpr char16_t kDelimiter = u'\\';
const QString kPathDelimiters = QStringLiteral("\\/:");
#else
constexpr char16_t kDelimiter = u'/';
const QString kPathDelimiters = QStringLiteral("/");
#endif

[[noreturn]] void Fail(const QString& message) { throw Error(Error::Category::Workbook, message); }

}  // namespace

QString WorkbookDirectory(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (kPathDelimiters.contains(path[i])) return path.left(i);
    }
    return QString();
}

QString WorkbookFilePath(const QString& path, const QString& file) {
    return WorkbookDirectory(path) + QChar(kDelimiter) + file;
}

// ---------------------------------------------------------------------------------------------

struct RowSet::Data {
    QString fileName;
    QString sheetName;
    std::shared_ptr<const SheetTable> table;  // shared with the connection's cache
    int current = 0;
    // Stored column by the caller's spelling of the name, saving a case fold per read.
    mutable QHash<QString, int> columnBySpelling;

    QString where() const { return QStringLiteral("%1, sheet \"%2\"").arg(fileName, sheetName); }
    QString where(int column) const {
        return QStringLiteral("%1, cell %2, column %3")
            .arg(where(),
                 xlsx::CellReference(table->sheetColumns[column], table->sheetRows[current]),
                 table->headers[column]);
    }

    int column(const QString& name) const {
        const auto known = columnBySpelling.constFind(name);
        if (known != columnBySpelling.constEnd()) return *known;
        const auto found = table->columnByName.constFind(name.toCaseFolded());
        if (found == table->columnByName.constEnd())
            Fail(
                QStringLiteral("Column \"%1\" not found in the header row: %2").arg(name, where()));
        columnBySpelling.insert(name, *found);
        return *found;
    }

    // The current row's cell in the named column.
    std::pair<const StoredCell&, int> cell(const QString& name) const {
        const int index = column(name);
        if (current >= table->rowCount())
            Fail(QStringLiteral("No current row to read column %1 from: %2").arg(name, where()));
        return {table->cell(current, index), index};
    }

    QString text(const StoredCell& cell) const {
        return CellText(cell, table->strings, table->date1904);
    }

    // Numbers as they are, booleans as 1 or 0, texts parsed; empty cells and blank texts are 0.
    double number(const QString& name) const {
        const auto [cell, index] = this->cell(name);
        switch (cell.kind) {
            case CellKind::Empty:
                return 0;
            case CellKind::Number:
            case CellKind::Boolean:
                return cell.number;
            case CellKind::Text: {
                const QString& value = table->strings[cell.text];
                if (value.trimmed().isEmpty()) return 0;
                if (const auto parsed = xlsx::ParseNumberText(value)) return *parsed;
                break;
            }
            case CellKind::ErrorValue:
                break;
        }
        Fail(QStringLiteral("Cannot read \"%1\" as a number: %2").arg(text(cell), where(index)));
    }
};

RowSet::RowSet() = default;
RowSet::~RowSet() = default;
RowSet::RowSet(RowSet&&) noexcept = default;
RowSet& RowSet::operator=(RowSet&&) noexcept = default;

bool RowSet::isOpen() const { return d_ != nullptr; }
void RowSet::close() { d_.reset(); }

bool RowSet::eof() const { return !d_ || d_->current >= d_->table->rowCount(); }

void RowSet::next() {
    if (!eof()) ++d_->current;
}

void RowSet::first() {
    if (d_) d_->current = 0;
}

int RowSet::rowCount() const { return d_ ? d_->table->rowCount() : 0; }
int RowSet::currentRow() const { return d_ ? d_->current : 0; }

void RowSet::requireColumns(const QStringList& names) const {
    for (const QString& name : names) {
        if (!hasColumn(name))
            Fail(QStringLiteral("Column \"%1\" not found in the header row: %2")
                     .arg(name, d_ ? d_->where() : QStringLiteral("no worksheet is open")));
    }
}

bool RowSet::hasColumn(const QString& name) const {
    return d_ && d_->table->columnByName.contains(name.toCaseFolded());
}

int32_t RowSet::asInteger(const QString& column) const {
    if (!d_) Fail(QStringLiteral("No worksheet is open to read column %1 from").arg(column));
    const double rounded = std::round(d_->number(column));  // halves away from zero
    if (rounded < std::numeric_limits<int32_t>::min() ||
        rounded > std::numeric_limits<int32_t>::max()) {
        const auto [cell, index] = d_->cell(column);
        Fail(QStringLiteral("Cannot read \"%1\" as a whole number, it is out of range: %2")
                 .arg(d_->text(cell), d_->where(index)));
    }
    return static_cast<int32_t>(rounded);
}

double RowSet::asFloat(const QString& column) const {
    if (!d_) Fail(QStringLiteral("No worksheet is open to read column %1 from").arg(column));
    return d_->number(column);
}

QString RowSet::asText(const QString& column) const {
    if (!d_) Fail(QStringLiteral("No worksheet is open to read column %1 from").arg(column));
    return d_->text(d_->cell(column).first);
}

QDateTime RowSet::asDateTime(const QString& column) const {
    if (!d_) Fail(QStringLiteral("No worksheet is open to read column %1 from").arg(column));
    const auto [cell, index] = d_->cell(column);
    std::optional<QDateTime> result;
    switch (cell.kind) {
        case CellKind::Empty:
            return QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
        case CellKind::Number:
            result = xlsx::SerialToDateTime(cell.number, d_->table->date1904);
            break;
        case CellKind::Text:
            if (d_->table->strings[cell.text].trimmed().isEmpty())
                return QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
            result = xlsx::ParseDateText(d_->table->strings[cell.text]);
            break;
        case CellKind::Boolean:
        case CellKind::ErrorValue:
            break;
    }
    if (!result)
        Fail(QStringLiteral("Cannot read \"%1\" as a date: %2")
                 .arg(d_->text(cell), d_->where(index)));
    return *result;
}

QString RowSet::fileName() const { return d_ ? d_->fileName : QString(); }
QString RowSet::sheetName() const { return d_ ? d_->sheetName : QString(); }

// ---------------------------------------------------------------------------------------------

WorkbookConnection::WorkbookConnection() = default;
WorkbookConnection::~WorkbookConnection() = default;

void WorkbookConnection::connect(const QString& filePath) {
    disconnect();
    const QFileInfo file(filePath);
    if (!file.dir().exists())
        Fail(QStringLiteral("Workbook directory not found: %1")
                 .arg(QDir::toNativeSeparators(file.path())));
    if (!file.isFile()) Fail(QStringLiteral("Workbook not found: %1").arg(filePath));
    // The same file, unchanged since it was last read through this connection, is not read
    // again: the products workbook serves the catalogue and then the special prices.
    const FileStamp stamp{file.absoluteFilePath(), file.size(), file.lastModified()};
    if (!cached_ || !(cachedStamp_ == stamp)) {
        cached_ = XlsxPackage::open(filePath);
        cachedStamp_ = stamp;
        cachedSheets_.assign(static_cast<size_t>(cached_->sheetNames().size()), nullptr);
    }
    package_ = cached_;
    filePath_ = filePath;
}

void WorkbookConnection::disconnect() {
    package_.reset();
    filePath_.clear();
}

bool WorkbookConnection::isConnected() const { return package_ != nullptr; }

QString WorkbookConnection::filePath() const { return filePath_; }

QStringList WorkbookConnection::sheetNames() const {
    return package_ ? package_->sheetNames() : QStringList();
}

RowSet WorkbookConnection::openFirstSheet() {
    if (!package_) Fail(QStringLiteral("No workbook is connected"));
    return openSheet(package_->sheetNames().front());
}

RowSet WorkbookConnection::openSheet(const QString& name) {
    if (!package_) Fail(QStringLiteral("No workbook is connected"));
    const QStringList& names = package_->sheetNames();
    const QString key = name.toCaseFolded();
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].toCaseFolded() != key) continue;
        RowSet rows;
        rows.d_ = std::make_unique<RowSet::Data>();
        rows.d_->fileName = filePath_;
        rows.d_->sheetName = names[i];
        if (!cachedSheets_[static_cast<size_t>(i)]) {
            cachedSheets_[static_cast<size_t>(i)] =
                std::make_shared<const SheetTable>(package_->loadSheet(i));
        }
        rows.d_->table = cachedSheets_[static_cast<size_t>(i)];
        return rows;
    }
    Fail(QStringLiteral("No worksheet named \"%1\": %2").arg(name, filePath_));
}

// ---------------------------------------------------------------------------------------------

void ConnectWorkbook(WorkbookConnection& connection, const QString& excelDir, const QString& file) {
    connection.disconnect();
    connection.connect(WorkbookFilePath(excelDir, file));
}

void OpenWorkbook(WorkbookSource& source, const QString& excelDir, const QString& file) {
    source.query.close();
    ConnectWorkbook(source.connection, excelDir, file);
    source.query = source.connection.openFirstSheet();
}

void CloseWorkbook(WorkbookSource& source) {
    source.query.close();
    source.connection.disconnect();
}

}  // namespace wwweksports
