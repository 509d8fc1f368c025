// The rows a statement returned, each value as the server sent it in text form; NULL is
// absent. Columns are found by name without regard to case. The values lie end to end in
// one buffer: a result of a few hundred thousand short values takes little more than their
// bytes, not an allocation each.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wwweksports {

struct ResultRows {
    QStringList columns;

    int rowCount() const {
        return columns.isEmpty() ? 0 : static_cast<int>(cells_.size() / columns.size());
    }
    // The value in `row`, `column`; nullopt for NULL. Valid while the rows live unchanged.
    std::optional<std::string_view> value(int row, int column) const;
    // The value with NULL as empty text.
    std::string_view cell(int row, int column) const { return value(row, column).value_or(""); }
    // Throws Error(Database) for a column the result does not have.
    int column(const QString& name) const;
    // NULL reads as 0; a value that is no whole number throws Error(Database).
    int64_t integer(int row, int column) const;
    int64_t integer(int row, const QString& name) const { return integer(row, column(name)); }
    QString text(int row, const QString& name) const;  // NULL reads as empty text

    // Filling, row by row and column by column in order.
    void reserve(size_t rows, size_t bytes);
    void append(const char* data, size_t size);
    void appendNull();

private:
    std::string data_;
    // Each value's end in data_, shifted left by one; the low bit marks NULL.
    std::vector<uint64_t> cells_;
};

}  // namespace wwweksports
