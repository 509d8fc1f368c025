// Statement texts with named parameters. ":name" outside quotes and comments becomes a
// positional placeholder; every other byte of the text is kept as written, blanks and tabs
// included. An "INSERT ... VALUES (...)" text is also split into the part before its row
// tuple and the tuple itself, so the batch writer can send many rows in one statement.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace wwweksports {

struct SqlText {
    std::string positional;  // UTF-8, "?" in place of each ":name"
    QStringList paramNames;  // one entry per placeholder, in text order (a name may repeat)
    std::vector<size_t> placeholderOffsets;  // where each placeholder stands in `positional`

    // Set for an INSERT/REPLACE whose text ends in "VALUES (tuple)" and whose parameters all
    // lie inside that tuple: positional == head + tuple + tail.
    bool multiRow = false;
    std::string head;
    std::string tuple;
    std::string tail;  // trailing blanks after the tuple
};

SqlText ParseSqlText(const QString& text);

// A derived table of one column `i` holding the whole numbers 1 .. count, made of digit
// tables: far cheaper for the server to read than a union of as many selects.
std::string NumbersTable(size_t count);

}  // namespace wwweksports
