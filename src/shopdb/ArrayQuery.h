// A statement whose named parameters each hold an array of values, one per row, executed
// over a range of rows in one call. An "INSERT ... VALUES (...)" goes to the shop as
// multi-row INSERTs, each kept under 65,535 placeholders and under the server's
// max_allowed_packet, rows in order; any other statement runs once per row, many rows to a
// round trip.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "shopdb/Value.h"

namespace wwweksports {

class ShopConnection;

class ArrayQuery {
public:
    ArrayQuery(ShopConnection& connection, const QString& text);
    ~ArrayQuery();
    ArrayQuery(const ArrayQuery&) = delete;
    ArrayQuery& operator=(const ArrayQuery&) = delete;

    // Rows every parameter array can hold. Growing keeps the rows stored so far.
    void setArraySize(int rows);

    // Throws Error(Database) for a name the statement does not have or a row outside the
    // array size.
    void setValue(const QString& name, int row, Value value);

    // Executes rows startRow .. endRow - 1. Errors raise Error(Database); the rows of the
    // statements executed before stay written.
    void execute(int endRow, int startRow = 0);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// Whether one row of `values` can reach a server whose max_allowed_packet is `maxPacket`: as a
// row of a multi-row statement's values, or, with `asText`, written into a statement's text.
// A row that cannot is refused by the server whatever the statement around it.
bool RowFitsPacket(const std::vector<Value>& values, uint64_t maxPacket, bool asText = false);

}  // namespace wwweksports
