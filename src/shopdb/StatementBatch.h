// Many statements in one round trip. Each statement keeps its own text; its parameter
// values are written in as literals through the client library's escaping for the
// connection's character set (never pasted by hand). The server runs them in order, each
// committing on its own, and stops at the first that fails: the ones before it took effect.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "shopdb/Result.h"
#include "shopdb/Value.h"

namespace wwweksports {

class Query;
class ShopConnection;
struct SqlText;

class StatementBatch {
public:
    explicit StatementBatch(ShopConnection& connection);

    // The statement of `query` with the values its parameters hold now.
    void add(const Query& query);
    // A statement with one value per placeholder; `text` names it in messages.
    void add(const SqlText& sql, const std::vector<const Value*>& values, const QString& text);
    // A statement written whole, its values in it as literals.
    void add(const std::string& statement, const QString& text);
    // A statement without parameters, which names itself in messages.
    void add(const QString& statement) { add(statement.toStdString(), statement); }
    // A value as a literal of statement text: numbers as numbers (real numbers in exponent
    // form, so the server converts them as it does a bound double), texts and dates quoted
    // and escaped for the connection's character set.
    std::string literal(const Value& value) const;

    // The statements added since the last execute().
    size_t size() const { return texts_.size(); }
    // Worth sending before more are added: the text nears the size kept for one round trip,
    // well below the smallest max_allowed_packet a shop server is likely to have.
    bool full() const { return sql_.size() >= 512 * 1024; }

    // Sends the statements and reads their results in order; the batch is empty afterwards.
    // A failing statement raises Error(Database) naming it.
    std::vector<ResultRows> execute();
    // execute(), calling `meanwhile()` whenever the client waits for the server, until it
    // returns false (nothing left to do). It must not use the connection.
    std::vector<ResultRows> execute(const std::function<bool()>& meanwhile);
    // How many statements of the last execute() ran to the end: after a failure, the index of
    // the one that failed.
    size_t completed() const { return completed_; }

private:
    ShopConnection& connection_;
    std::string sql_;
    std::vector<QString> texts_;  // each statement's text with its parameter names, for messages
    size_t completed_ = 0;
};

}  // namespace wwweksports
