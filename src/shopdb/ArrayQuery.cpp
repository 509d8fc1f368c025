#include "shopdb/ArrayQuery.h"

#include <algorithm>
#include <vector>

#include "operator/Error.h"
#include "shopdb/BulkWriter.h"
#include "shopdb/SqlText.h"

namespace wwweksports {

struct ArrayQuery::Impl {
    ShopConnection* connection;
    QString text;
    QStringList names;                       // distinct parameter names
    std::vector<int> placeholderParam;       // placeholder -> index into names
    std::vector<std::vector<Value>> values;  // [param][row]
    int arraySize = 0;

    int paramIndex(const QString& name) const;
};

ArrayQuery::ArrayQuery(ShopConnection& connection, const QString& text) : d_(new Impl) {
    d_->connection = &connection;
    d_->text = text;
    const SqlText sql = ParseSqlText(text);
    if (!sql.multiRow) {
        throw Error(
            Error::Category::Database,
            QStringLiteral("Ar šo vaicājumu rindas nevar ierakstīt: %1").arg(text.simplified()));
    }
    for (const QString& name : sql.paramNames) {
        int index = static_cast<int>(d_->names.size());
        for (int i = 0; i < d_->names.size(); ++i) {
            if (d_->names[i].compare(name, Qt::CaseInsensitive) == 0) index = i;
        }
        if (index == d_->names.size()) d_->names << name;
        d_->placeholderParam.push_back(index);
    }
    d_->values.resize(static_cast<size_t>(d_->names.size()));
}

ArrayQuery::~ArrayQuery() = default;

void ArrayQuery::setArraySize(int rows) {
    d_->arraySize = std::max(rows, 0);
    for (auto& column : d_->values) column.resize(static_cast<size_t>(d_->arraySize));
}

int ArrayQuery::Impl::paramIndex(const QString& name) const {
    // Callers spell the names as the statement does; the exact match is the cheap one.
    for (int i = 0; i < names.size(); ++i) {
        if (names[i] == name) return i;
    }
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    throw Error(
        Error::Category::Database,
        QStringLiteral("The statement has no parameter \"%1\": %2").arg(name, text.simplified()));
}

void ArrayQuery::setValue(const QString& name, int row, Value value) {
    const int param = d_->paramIndex(name);
    if (row < 0 || row >= d_->arraySize) {
        throw Error(Error::Category::Database,
                    QStringLiteral("Rinda %1 ir ārpus vaicājuma %2 rindām: %3")
                        .arg(row)
                        .arg(d_->arraySize)
                        .arg(d_->text.simplified()));
    }
    d_->values[static_cast<size_t>(param)][static_cast<size_t>(row)] = std::move(value);
}

void ArrayQuery::write(BulkWriter& writer, int endRow, int startRow) {
    endRow = std::min(endRow, d_->arraySize);
    startRow = std::max(startRow, 0);
    InsertRows rows(writer, d_->text);
    std::vector<const Value*> row(d_->placeholderParam.size());
    for (int r = startRow; r < endRow; ++r) {
        for (size_t p = 0; p < row.size(); ++p) {
            row[p] =
                &d_->values[static_cast<size_t>(d_->placeholderParam[p])][static_cast<size_t>(r)];
        }
        rows.add(row);
    }
    rows.end();
}

void ArrayQuery::execute(int endRow, int startRow) {
    BulkWriter writer(*d_->connection);
    write(writer, endRow, startRow);
    writer.send();
}

}  // namespace wwweksports
