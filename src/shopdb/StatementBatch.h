// Many statements in one round trip. Each statement keeps its own text; its parameter
// values are written in as literals through the client library's escaping for the
// connection's character set (never pasted by hand). The server runs them in order, each
// committing on its own, and stops at the first that fails: the ones before it took effect.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "shopdb/Value.h"

namespace wwweksports {

class Query;
class ShopConnection;
struct SqlText;

struct StatementResult {
    QStringList columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
};

class StatementBatch {
public:
    explicit StatementBatch(ShopConnection& connection);

    // The statement of `query` with the values its parameters hold now.
    void add(const Query& query);
    // A statement with one value per placeholder; `text` names it in messages.
    void add(const SqlText& sql, const std::vector<const Value*>& values, const QString& text);
    // Worth sending before more are added: the text nears the size kept for one round trip,
    // well below the smallest max_allowed_packet a shop server is likely to have.
    bool full() const { return sql_.size() >= 512 * 1024; }

    // Sends the statements and reads their results in order; the batch is empty afterwards.
    // A failing statement raises Error(Database) naming it.
    std::vector<StatementResult> execute();
    // How many statements of the last execute() ran to the end: after a failure, the index of
    // the one that failed.
    size_t completed() const { return completed_; }

    // A value as a literal of the statement text: numbers as numbers (real numbers in the
    // exponent form, so the server converts them as it does a bound double), texts and dates
    // quoted and escaped.
    static std::string Literal(ShopConnection& connection, const Value& value);

private:
    ShopConnection& connection_;
    std::string sql_;
    std::vector<QString> texts_;  // each statement's text with its parameter names, for messages
    size_t completed_ = 0;
};

}  // namespace wwweksports
