#include "shopdb/StatementBatch.h"

#include <charconv>
#include <cmath>

#include "operator/Error.h"
#include "shopdb/MySql.h"
#include "shopdb/Query.h"
#include "shopdb/ShopConnection.h"
#include "shopdb/ShopDate.h"
#include "shopdb/SqlText.h"

namespace wwweksports {

StatementBatch::StatementBatch(ShopConnection& connection) : connection_(connection) {}

std::string StatementBatch::Literal(ShopConnection& connection, const Value& value) {
    if (const auto* i = std::get_if<int64_t>(&value)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value)) {
        if (!std::isfinite(*d)) return "NULL";
        char buffer[64];
        const auto end =
            std::to_chars(buffer, buffer + sizeof buffer, *d, std::chars_format::scientific).ptr;
        return std::string(buffer, end);
    }
    if (const auto* s = std::get_if<std::string>(&value)) {
        std::string escaped(s->size() * 2 + 1, '\0');
        const unsigned long length =
            mysql_real_escape_string(ConnectionAccess::handle(connection), escaped.data(),
                                     s->data(), static_cast<unsigned long>(s->size()));
        escaped.resize(length);
        return "'" + escaped + "'";
    }
    if (const auto* date = std::get_if<QDate>(&value))
        return "'" + FormatShopDate(*date).toStdString() + "'";
    return "NULL";
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
        sql_ += Literal(connection_, *values[p]);
        from = at + 1;
    }
    sql_.append(sql.positional, from, std::string::npos);
    texts_.push_back(text);
}

std::vector<StatementResult> StatementBatch::execute() {
    std::vector<StatementResult> results;
    completed_ = 0;
    if (texts_.empty()) return results;
    const std::string sql = std::move(sql_);
    const std::vector<QString> texts = std::move(texts_);
    sql_.clear();
    texts_.clear();

    MYSQL* m = ConnectionAccess::handle(connection_);
    ConnectionAccess::countRoundTrip(connection_);
    for (size_t i = 0; i < texts.size(); ++i) ConnectionAccess::countStatement(connection_);
    if (ConnectionAccess::realQuery(connection_, m, sql.data(),
                                    static_cast<unsigned long>(sql.size())) != 0) {
        ConnectionAccess::fail(connection_, mysql_errno(m), mysql_error(m), texts.front());
    }
    results.reserve(texts.size());
    for (size_t k = 0;; ++k) {
        StatementResult result;
        if (ResultPtr rows{ConnectionAccess::storeResult(connection_, m)}) {
            const unsigned int n = mysql_num_fields(rows.get());
            MYSQL_FIELD* fields = mysql_fetch_fields(rows.get());
            for (unsigned int i = 0; i < n; ++i)
                result.columns << QString::fromUtf8(fields[i].name);
            while (MYSQL_ROW row = mysql_fetch_row(rows.get())) {
                const unsigned long* lengths = mysql_fetch_lengths(rows.get());
                std::vector<std::optional<std::string>> cells(n);
                for (unsigned int i = 0; i < n; ++i) {
                    if (row[i]) cells[i] = std::string(row[i], lengths[i]);
                }
                result.rows.push_back(std::move(cells));
            }
        } else if (mysql_field_count(m) != 0) {
            ConnectionAccess::fail(connection_, mysql_errno(m), mysql_error(m),
                                   texts[std::min(k, texts.size() - 1)]);
        }
        results.push_back(std::move(result));
        completed_ = k + 1;
        const int next = ConnectionAccess::nextResult(connection_, m);
        if (next == -1) break;
        if (next > 0) {
            ConnectionAccess::fail(connection_, mysql_errno(m), mysql_error(m),
                                   texts[std::min(k + 1, texts.size() - 1)]);
        }
    }
    return results;
}

}  // namespace wwweksports
