// Writing many rows in few round trips. Statements are written as text with their values as
// literals escaped by the client library for the connection's character set; as many go in
// one round trip as the server's max_allowed_packet takes. The server runs them in the
// order written, each committing on its own, and stops at the first that fails: those
// before it took effect, none after it.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "shopdb/SqlText.h"
#include "shopdb/Value.h"

namespace wwweksports {

class Error;
class ShopConnection;

class BulkWriter {
public:
    // `reached(mark)` is told, with marks that never decrease, when the statements written
    // under a mark are about to run (before a round trip: its first statement's mark), have
    // run (after it: its last statement's) or one of them failed (before the error passes).
    explicit BulkWriter(ShopConnection& connection, std::function<void(int)> reached = {});
    // A round trip still under way is waited for; its errors are not reported.
    ~BulkWriter();
    BulkWriter(const BulkWriter&) = delete;
    BulkWriter& operator=(const BulkWriter&) = delete;

    ShopConnection& connection() { return connection_; }
    // The mark of the statements written from now on.
    void setMark(int mark) { mark_ = mark; }
    int mark() const { return mark_; }
    // The bytes one round trip, and so one statement, may take.
    size_t budget() const { return budget_; }

    void appendLiteral(std::string& sql, const Value& value);
    void appendLiteral(std::string& sql, int64_t value);
    void appendLiteral(std::string& sql, double value);
    void appendLiteral(std::string& sql, const QString& text);
    void appendLiteral(std::string& sql, const std::string& text);
    void appendLiteral(std::string& sql, int32_t value) { appendLiteral(sql, int64_t{value}); }

    // What runs when a statement fails, with the error and the statement's mark, before the
    // error passes on; it may throw the error to report instead. A lost link passes on
    // without it.
    using Recover = std::function<void(const Error&, int mark)>;

    // Queues a statement; the round trip under way goes first when the statement would take
    // it past the budget. `name` names it in messages.
    void add(const std::string& statement, const QString& name, Recover recover = {});
    // Sends what is queued, once the round trip under way is answered, without waiting for
    // the answer: the caller goes on with other work while the server runs it.
    void sendQueued() { startTrip(); }
    // Sends what is queued and waits for it. Database errors raise Error(Database).
    void send();

private:
    // The statements of one round trip.
    struct Trip {
        std::string sql;
        std::vector<QString> names;
        std::vector<int> marks;
        std::map<size_t, Recover> recover;  // by statement
    };
    // The round trip queued so far goes out; the writer goes on writing the next while the
    // server runs it.
    void startTrip();
    void finishTrip();

    ShopConnection& connection_;
    std::function<void(int)> reached_;
    size_t budget_;
    int mark_ = 0;
    Trip queued_;
    Trip sent_;          // under way when it has statements
    std::string spare_;  // the text buffer of the last trip answered, kept for the next
};

// The rows of a multi-row INSERT, given as an "INSERT ... VALUES (...)" text with named
// parameters: each row is the text's tuple with its placeholders filled in order. Rows
// go into one statement until end() queues it; a statement that would not fit in a round
// trip is cut short and the rows go on in the next. A statement takes the writer's mark of
// its first row.
class InsertRows {
public:
    // Throws Error(Database) for a text that is not such an INSERT.
    InsertRows(BulkWriter& writer, const QString& text);

    // One value per placeholder of the tuple, in text order.
    template <typename... Values>
    void add(const Values&... values) {
        static_assert(sizeof...(values) > 0);
        beginRow();
        size_t p = 0;
        ((appendSegment(p), writer_.appendLiteral(statement_, values), ++p), ...);
        endRow(p);
    }
    void add(const std::vector<const Value*>& values);

    // Rows added since the last end().
    size_t pending() const { return rows_; }
    // Runs when one of the statements fails (see BulkWriter::add).
    void setRecover(BulkWriter::Recover recover) { recover_ = std::move(recover); }
    // Queues the statement of the rows added since the last end().
    void end();

private:
    void beginRow();
    void appendSegment(size_t placeholder);
    void endRow(size_t placeholders);

    BulkWriter& writer_;
    QString name_;
    SqlText sql_;
    std::vector<size_t> offsets_;  // where each placeholder stands in the tuple
    std::string statement_;
    size_t rowStart_ = 0;  // where the row being added starts in statement_
    size_t rows_ = 0;
    int mark_ = 0;
    BulkWriter::Recover recover_;
};

// What "UPDATE table SET column = value WHERE key = k", run once per row in row order, leaves
// in a table, written as statements of many rows (joins, or for whole numbers of keys close
// together the keys' range by place): rows the table lacks change nothing, and of a
// key given twice the later value stays. Rows whose value is known and would not change are
// left out. When a row is refused, the rows before it are written and none after it, as the
// single statements would leave them, on tables with transactions and without (given the
// values the rows hold now); the error names the single statement. Values are whole
// numbers or texts.
class KeyedUpdate {
public:
    // `name` is the single statement's text, for messages.
    KeyedUpdate(std::string table, std::string key, std::string column, QString name);

    void add(int64_t key, Value value);
    size_t size() const { return keys_.size(); }

    // The value a row holds now as the server gives it in text form, known from an earlier
    // read; or read here for every key added so far, in one round trip, with the table's size.
    void setCurrent(int64_t key, std::optional<std::string> value);
    void readCurrent(ShopConnection& connection);
    // Of the keys added, how many different ones there are, and how many of those the table
    // has (as far as known from readCurrent() or setCurrent()).
    size_t distinctKeys() const;
    size_t keysFound() const { return current_.size(); }
    // The value of each key found, as known now: before write(), what the table holds.
    const std::map<int64_t, std::optional<std::string>>& current() const { return current_; }

    // Queues the statements for rows start .. end - 1.
    void write(BulkWriter& writer, size_t start, size_t end);

private:
    struct Row {
        int64_t key;
        const Value* value;
        // What the row held before, when known: put back when the statement is refused.
        std::optional<std::optional<std::string>> before;
    };
    void recover(BulkWriter& writer, const std::vector<Row>& rows);
    std::string single(BulkWriter& writer, int64_t key, const Value& value) const;

    std::string table_;
    std::string key_;
    std::string column_;
    QString name_;
    std::vector<int64_t> keys_;
    std::vector<Value> values_;
    std::map<int64_t, std::optional<std::string>> current_;  // as the queued statements leave it
    uint64_t tableRows_ = 0;  // as readCurrent() found it; 0 when unknown
};

// The bytes the statements of one round trip may take on a server whose max_allowed_packet is
// `maxPacket`.
size_t RoundTripBudget(uint64_t maxPacket);

// Whether a row of `values` can reach a server whose max_allowed_packet is `maxPacket` in a
// statement's text. A row that cannot is refused by the server whatever the statement.
bool RowFitsPacket(const std::vector<Value>& values, uint64_t maxPacket);

}  // namespace wwweksports
