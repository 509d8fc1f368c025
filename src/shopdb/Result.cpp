#include "shopdb/Result.h"

#include <charconv>

#include "operator/Error.h"

namespace wwweksports {

int ResultRows::column(const QString& name) const {
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    throw Error(Error::Category::Database,
                QStringLiteral("Rezultātā nav kolonnas \"%1\" (tajā ir %2)")
                    .arg(name, columns.join(QStringLiteral(", "))));
}

int64_t ResultRows::integer(int row, int column) const {
    const auto& value = rows.at(static_cast<size_t>(row)).at(static_cast<size_t>(column));
    if (!value) return 0;
    int64_t n = 0;
    const char* end = value->data() + value->size();
    const auto [at, error] = std::from_chars(value->data(), end, n);
    if (error != std::errc() || at != end) {
        throw Error(Error::Category::Database,
                    QStringLiteral("Column \"%1\" holds \"%2\", not a whole number")
                        .arg(columns.value(column), QString::fromStdString(*value)));
    }
    return n;
}

QString ResultRows::text(int row, const QString& name) const {
    const auto& value = rows.at(static_cast<size_t>(row)).at(static_cast<size_t>(column(name)));
    return value ? QString::fromStdString(*value) : QString();
}

}  // namespace wwweksports
