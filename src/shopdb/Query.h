// One statement on the shop connection, executed once per call: with named parameters
// (":name") it goes through the binary protocol, without them as plain text. A statement
// that returns rows is opened and read by column name.
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shopdb/Value.h"

namespace wwweksports {

class ShopConnection;
struct SqlText;

class Query {
public:
    explicit Query(ShopConnection& connection, const QString& text = QString());
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Closes the query and replaces its statement text; parameter values are cleared.
    void setText(const QString& text);
    const QString& text() const;

    // Throws Error(Database) for a name the statement does not have.
    void setParam(const QString& name, const Value& value);

    // Executes the statement once. Errors raise Error(Database).
    void exec();

    // Executes and keeps the rows it returns.
    void open();
    void close();
    bool isOpen() const;
    bool eof() const;
    void next();
    void first();
    int rowCount() const;
    // Column of the current row, by name without regard to case; NULL reads as 0 / empty.
    int64_t fieldAsInteger(const QString& column) const;
    QString fieldAsText(const QString& column) const;

    // The statement as parsed, and one value per placeholder as set now (for StatementBatch).
    const SqlText& sqlText() const;
    const std::vector<Value>& placeholderValues() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace wwweksports
