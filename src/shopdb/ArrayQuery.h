// An "INSERT ... VALUES (...)" statement whose named parameters each hold an array of
// values, one per row, written over a range of rows as multi-row INSERTs (see BulkWriter),
// rows in order.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "shopdb/Value.h"

namespace wwweksports {

class BulkWriter;
class ShopConnection;

class ArrayQuery {
public:
    // Throws Error(Database) for a text that is not such an INSERT.
    ArrayQuery(ShopConnection& connection, const QString& text);
    ~ArrayQuery();
    ArrayQuery(const ArrayQuery&) = delete;
    ArrayQuery& operator=(const ArrayQuery&) = delete;

    // Rows every parameter array can hold. Growing keeps the rows stored so far.
    void setArraySize(int rows);

    // Throws Error(Database) for a name the statement does not have or a row outside the
    // array size.
    void setValue(const QString& name, int row, Value value);

    // Queues rows startRow .. endRow - 1 in `writer` as one statement (more where it would
    // not fit in a round trip).
    void write(BulkWriter& writer, int endRow, int startRow = 0);
    // Writes rows startRow .. endRow - 1 in as few round trips as they fit. Errors raise
    // Error(Database); the rows of the statements executed before stay written.
    void execute(int endRow, int startRow = 0);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace wwweksports
