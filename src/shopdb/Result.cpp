#include "shopdb/Result.h"

#include <charconv>
#include <stdexcept>

#include "operator/Error.h"

namespace wwweksports {

std::optional<std::string_view> ResultRows::value(int row, int column) const {
    if (row < 0 || column < 0 || column >= columns.size())
        throw std::out_of_range("no such cell in the result");
    const size_t at = static_cast<size_t>(row) * static_cast<size_t>(columns.size()) +
                      static_cast<size_t>(column);
    const uint64_t end = cells_.at(at);
    if ((end & 1) != 0) return std::nullopt;
    const uint64_t begin = at == 0 ? 0 : cells_[at - 1] >> 1;
    return std::string_view(data_).substr(begin, (end >> 1) - begin);
}

int ResultRows::column(const QString& name) const {
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    throw Error(Error::Category::Database,
                QStringLiteral("Rezultātā nav kolonnas \"%1\" (tajā ir %2)")
                    .arg(name, columns.join(QStringLiteral(", "))));
}

int64_t ResultRows::integer(int row, int column) const {
    const std::optional<std::string_view> value = this->value(row, column);
    if (!value) return 0;
    int64_t n = 0;
    const char* end = value->data() + value->size();
    const auto [at, error] = std::from_chars(value->data(), end, n);
    if (error != std::errc() || at != end) {
        throw Error(
            Error::Category::Database,
            QStringLiteral("Column \"%1\" holds \"%2\", not a whole number")
                .arg(columns.value(column),
                     QString::fromUtf8(value->data(), static_cast<qsizetype>(value->size()))));
    }
    return n;
}

QString ResultRows::text(int row, const QString& name) const {
    const std::string_view value = cell(row, column(name));
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

void ResultRows::reserve(size_t rows, size_t bytes) {
    cells_.reserve(rows * static_cast<size_t>(columns.size()));
    data_.reserve(bytes);
}

void ResultRows::append(const char* data, size_t size) {
    data_.append(data, size);
    cells_.push_back(static_cast<uint64_t>(data_.size()) << 1);
}

void ResultRows::appendNull() { cells_.push_back((static_cast<uint64_t>(data_.size()) << 1) | 1); }

}  // namespace wwweksports
