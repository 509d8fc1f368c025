#include "workbook/Workbook.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

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

QDateTime ZeroDate() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC); }

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

// --- Rows ------------------------------------------------------------------------------------

namespace {

// Numbers as they are, booleans as 1 or 0, texts parsed; empty cells are 0.
std::optional<double> NumberOf(const StoredCell& cell, const SheetTable& table) {
    switch (cell.kind) {
        case CellKind::Empty:
            return 0;
        case CellKind::Number:
        case CellKind::Boolean:
            return cell.number;
        case CellKind::Text:
            return xlsx::ParseNumberText(table.text(cell.text));
        case CellKind::ErrorValue:
        case CellKind::Formula:
            break;
    }
    return std::nullopt;
}

}  // namespace

const StoredCell& SheetRow::cell(int column) const {
    const SheetTable& table = *sheet_->table_;
    const StoredCell& cell = table.cell(index_, column);
    if (cell.kind == CellKind::Formula)
        Fail(QStringLiteral("Nevar nolasīt \"%1\": formula saglabāta bez vērtības: %2")
                 .arg(table.text(cell.text), sheet_->where(index_, column)));
    return cell;
}

double SheetRow::asFloat(const QString& column) const {
    const int index = sheet_->column(column);
    const SheetTable& table = *sheet_->table_;
    const StoredCell& cell = this->cell(index);
    if (const auto number = NumberOf(cell, table)) return *number;
    Fail(QStringLiteral("Nevar nolasīt \"%1\" kā skaitli: %2")
             .arg(CellText(cell, table), sheet_->where(index_, index)));
}

int32_t SheetRow::asInteger(const QString& column) const {
    const double rounded = std::round(asFloat(column));  // halves away from zero
    if (rounded < std::numeric_limits<int32_t>::min() ||
        rounded > std::numeric_limits<int32_t>::max()) {
        const int index = sheet_->column(column);
        Fail(QStringLiteral("Nevar nolasīt \"%1\" kā veselu skaitli, tas ir pārāk liels: %2")
                 .arg(asText(column), sheet_->where(index_, index)));
    }
    return static_cast<int32_t>(rounded);
}

QString SheetRow::asText(const QString& column) const {
    return CellText(cell(sheet_->column(column)), *sheet_->table_);
}

QDateTime SheetRow::asDateTime(const QString& column) const {
    const int index = sheet_->column(column);
    const SheetTable& table = *sheet_->table_;
    const StoredCell& cell = this->cell(index);
    std::optional<QDateTime> result;
    switch (cell.kind) {
        case CellKind::Empty:
            return ZeroDate();
        case CellKind::Number:
            result = xlsx::SerialToDateTime(cell.number, table.date1904);
            break;
        case CellKind::Text:
            if (table.text(cell.text).trimmed().isEmpty()) return ZeroDate();
            result = xlsx::ParseDateText(table.text(cell.text));
            break;
        case CellKind::Boolean:
        case CellKind::ErrorValue:
        case CellKind::Formula:
            break;
    }
    if (!result)
        Fail(QStringLiteral("Nevar nolasīt \"%1\" kā datumu: %2")
                 .arg(CellText(cell, table), sheet_->where(index_, index)));
    return *result;
}

int SheetRow::number() const { return sheet_->table_->sheetRows[static_cast<size_t>(index_)]; }

QString SheetRow::where(const QString& column) const {
    return sheet_->where(index_, sheet_->column(column));
}

// --- Sheets ----------------------------------------------------------------------------------

Sheet::Sheet(QString fileName, QString name, std::shared_ptr<const SheetTable> table)
    : fileName_(std::move(fileName)), name_(std::move(name)), table_(std::move(table)) {}
Sheet::Sheet(Sheet&&) noexcept = default;
Sheet& Sheet::operator=(Sheet&&) noexcept = default;
Sheet::~Sheet() = default;

const QString& Sheet::fileName() const { return fileName_; }
const QString& Sheet::name() const { return name_; }
int Sheet::rowCount() const { return table_->rowCount(); }

bool Sheet::hasColumn(const QString& name) const {
    return table_->columnByName.contains(name.toCaseFolded());
}

void Sheet::requireColumns(const QStringList& names) const {
    for (const QString& name : names) column(name);
}

int Sheet::column(const QString& name) const {
    const auto known = columnBySpelling_.constFind(name);
    if (known != columnBySpelling_.constEnd()) return *known;
    const auto found = table_->columnByName.constFind(name.toCaseFolded());
    if (found == table_->columnByName.constEnd())
        Fail(QStringLiteral("Virsrakstu rindā nav kolonnas \"%1\": %2").arg(name, where()));
    columnBySpelling_.insert(name, *found);
    return *found;
}

QString Sheet::where() const { return QStringLiteral("%1, lapa \"%2\"").arg(fileName_, name_); }

QString Sheet::where(int row, int column) const {
    return QStringLiteral("%1, šūna %2, kolonna %3")
        .arg(where(), xlsx::CellReference(table_->sheetColumns[column], table_->sheetRows[row]),
             table_->headers[column]);
}

// --- Workbooks and the files kept while a run reads them ------------------------------------

struct Workbook::Loaded {
    std::unique_ptr<XlsxPackage> package;
    std::vector<std::shared_ptr<const SheetTable>> sheets;  // loaded so far, by index
};

namespace {

// The tool runs on one thread.
struct KeptFiles {
    int keepers = 0;
    std::vector<std::pair<WorkbookStamp, std::shared_ptr<Workbook::Loaded>>> files;
};

KeptFiles& Kept() {
    static KeptFiles kept;
    return kept;
}

}  // namespace

WorkbookStamp WorkbookStamp::Of(const QString& filePath) {
    const QFileInfo info(filePath);
    if (!info.exists()) return {info.absoluteFilePath(), -1, {}};
    return {info.absoluteFilePath(), info.size(), info.lastModified()};
}

KeepReadWorkbooks::KeepReadWorkbooks() { ++Kept().keepers; }

KeepReadWorkbooks::~KeepReadWorkbooks() {
    if (--Kept().keepers == 0) Kept().files.clear();
}

Workbook::Workbook(QString filePath, std::shared_ptr<Loaded> loaded)
    : filePath_(std::move(filePath)), loaded_(std::move(loaded)) {}

Workbook Workbook::Open(const QString& path, const QString& file) {
    const QString filePath = WorkbookFilePath(path, file);
    const QFileInfo info(filePath);
    if (!info.dir().exists())
        Fail(QStringLiteral("Excel failu katalogs nav atrasts: %1")
                 .arg(QDir::toNativeSeparators(info.path())));
    if (!info.isFile()) Fail(QStringLiteral("Excel fails nav atrasts: %1").arg(filePath));

    const WorkbookStamp stamp = WorkbookStamp::Of(filePath);
    KeptFiles& kept = Kept();
    for (const auto& [keptStamp, loaded] : kept.files) {
        if (keptStamp == stamp) return Workbook(filePath, loaded);
    }
    auto loaded = std::make_shared<Loaded>();
    loaded->package = XlsxPackage::open(filePath);
    loaded->sheets.resize(static_cast<size_t>(loaded->package->sheetNames().size()));
    if (kept.keepers > 0) {
        // A file read again after a change replaces what was kept of it.
        auto& files = kept.files;
        for (auto it = files.begin(); it != files.end();)
            it = it->first.path == stamp.path ? files.erase(it) : std::next(it);
        files.emplace_back(stamp, loaded);
    }
    return Workbook(filePath, std::move(loaded));
}

QStringList Workbook::sheetNames() const { return loaded_->package->sheetNames(); }

Sheet Workbook::firstSheet() const { return load(0); }

Sheet Workbook::sheet(const QString& name) const {
    const QStringList& names = loaded_->package->sheetNames();
    const QString key = name.toCaseFolded();
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].toCaseFolded() == key) return load(i);
    }
    Fail(QStringLiteral("Nav darba lapas \"%1\": %2").arg(name, filePath_));
}

Sheet Workbook::load(int index) const {
    auto& table = loaded_->sheets[static_cast<size_t>(index)];
    if (!table) table = std::make_shared<const SheetTable>(loaded_->package->loadSheet(index));
    return Sheet(filePath_, loaded_->package->sheetNames()[index], table);
}

}  // namespace wwweksports
