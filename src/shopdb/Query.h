// One statement on the shop connection, executed once per call: with named parameters
// (":name") it goes through the binary protocol, without them as plain text.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "shopdb/Result.h"
#include "shopdb/Value.h"

namespace wwweksports {

class ShopConnection;
struct SqlText;

class Query {
public:
    Query(ShopConnection& connection, const QString& text);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    const QString& text() const;

    // Throws Error(Database) for a name the statement does not have.
    void setParam(const QString& name, const Value& value);

    // Executes the statement once and returns the rows it returned. Errors raise
    // Error(Database).
    ResultRows exec();

    // The statement as parsed, and one value per placeholder as set now (for StatementBatch).
    const SqlText& sqlText() const;
    const std::vector<Value>& placeholderValues() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace wwweksports
