// A statement whose named parameters each hold an array of values, one per row, executed
// over a range of rows in one call. An "INSERT ... VALUES (...)" goes to the shop as
// multi-row INSERTs, each kept under 65,535 placeholders and under the server's
// max_allowed_packet, rows in order; any other statement runs row by row.
#pragma once

#include <QString>
#include <memory>

#include "shopdb/Value.h"

namespace wwweksports {

class ShopConnection;

class ArrayQuery {
public:
    ArrayQuery(ShopConnection& connection, const QString& text);
    ~ArrayQuery();
    ArrayQuery(const ArrayQuery&) = delete;
    ArrayQuery& operator=(const ArrayQuery&) = delete;

    const QString& text() const;

    // Rows every parameter array can hold. Growing keeps the rows stored so far.
    void setArraySize(int rows);
    int arraySize() const;

    // Index of a named parameter for setValue; throws Error(Database) for an unknown name.
    int paramIndex(const QString& name) const;
    void setValue(int param, int row, Value value);
    void setValue(const QString& name, int row, Value value) {
        setValue(paramIndex(name), row, std::move(value));
    }

    // Executes rows startRow .. endRow - 1. Errors raise Error(Database); the rows of the
    // statements executed before stay written.
    void execute(int endRow, int startRow = 0);

    // Forces one execution per row even for an INSERT (for comparisons in tests).
    void setRowByRow(bool rowByRow);

    // Upper bound of placeholders in one statement, and the packet budget below the
    // server's max_allowed_packet that a statement may use (0: derived from the server).
    static constexpr int kMaxPlaceholders = 65535;
    void setPacketBudgetForTesting(size_t bytes);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace wwweksports
