#include "shopdb/StatementBatch.h"

#include "shopdb/Query.h"
#include "shopdb/Session.h"
#include "shopdb/SqlText.h"

namespace wwweksports {

StatementBatch::StatementBatch(ShopConnection& connection) : connection_(connection) {}

std::string StatementBatch::literal(const Value& value) const {
    return connection_.session().literal(value);
}

void StatementBatch::add(const Query& query) {
    std::vector<const Value*> values;
    for (const Value& value : query.placeholderValues()) values.push_back(&value);
    add(query.sqlText(), values, query.text());
}

void StatementBatch::add(const SqlText& sql, const std::vector<const Value*>& values,
                         const QString& text) {
    if (!sql_.empty()) sql_ += ';';
    size_t from = 0;
    for (size_t p = 0; p < sql.placeholderOffsets.size(); ++p) {
        const size_t at = sql.placeholderOffsets[p];
        sql_.append(sql.positional, from, at - from);
        sql_ += literal(*values[p]);
        from = at + 1;
    }
    sql_.append(sql.positional, from, std::string::npos);
    texts_.push_back(text);
}

void StatementBatch::add(const std::string& statement, const QString& text) {
    if (!sql_.empty()) sql_ += ';';
    sql_ += statement;
    texts_.push_back(text);
}

std::vector<ResultRows> StatementBatch::execute() {
    const std::string sql = std::move(sql_);
    const std::vector<QString> texts = std::move(texts_);
    sql_.clear();
    texts_.clear();
    return connection_.session().run(sql, texts, &completed_);
}

std::vector<ResultRows> StatementBatch::execute(const std::function<bool()>& meanwhile) {
    ShopConnection::Session& session = connection_.session();
    session.setIdleWork(meanwhile);
    try {
        std::vector<ResultRows> results = execute();
        session.setIdleWork({});
        return results;
    } catch (...) {
        session.setIdleWork({});
        throw;
    }
}

}  // namespace wwweksports
