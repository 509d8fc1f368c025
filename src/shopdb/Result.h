// The rows a statement returned, each value as the server sent it in text form; NULL is
// absent. Columns are found by name without regard to case.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wwweksports {

struct ResultRows {
    QStringList columns;
    std::vector<std::vector<std::optional<std::string>>> rows;

    int rowCount() const { return static_cast<int>(rows.size()); }
    // Throws Error(Database) for a column the result does not have.
    int column(const QString& name) const;
    // NULL reads as 0; a value that is no whole number throws Error(Database).
    int64_t integer(int row, int column) const;
    int64_t integer(int row, const QString& name) const { return integer(row, column(name)); }
    QString text(int row, const QString& name) const;  // NULL reads as empty text
};

}  // namespace wwweksports
