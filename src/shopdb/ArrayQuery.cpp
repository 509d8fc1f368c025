#include "shopdb/ArrayQuery.h"

#include <algorithm>
#include <map>
#include <vector>

#include "operator/Error.h"
#include "shopdb/Bindings.h"
#include "shopdb/MySql.h"
#include "shopdb/ShopConnection.h"
#include "shopdb/SqlText.h"
#include "shopdb/StatementBatch.h"

namespace wwweksports {
namespace {

// Room left in a packet for the request header, statement id, flags and parameter types
// beyond what is counted per value.
const size_t kPacketOverhead = 16 * 1024;
const size_t kMinPacketBudget = 64 * 1024;
// Prepared multi-row statements kept per array query (row counts vary only at the end of a
// range and where long rows make a statement shorter).
const size_t kCachedStatements = 4;

}  // namespace

struct ArrayQuery::Impl {
    explicit Impl(ShopConnection& c) : connection(c) {}

    ShopConnection& connection;
    QString text;
    SqlText sql;
    QStringList names;                       // distinct parameter names
    std::vector<int> placeholderParam;       // placeholder -> index into names
    std::vector<std::vector<Value>> values;  // [param][row]
    int arraySize = 0;
    bool rowByRow = false;
    size_t packetBudget = 0;

    std::map<int, StmtPtr> statements;  // by rows per statement; 1 is the single-row text
    uint64_t statementsSession = 0;
    Bindings bindings;

    MYSQL_STMT* statementFor(int rows);
    size_t budget();
    size_t rowBytes(int row) const;
    void run(MYSQL_STMT* stmt, int firstRow, int rows);
};

ArrayQuery::ArrayQuery(ShopConnection& connection, const QString& text)
    : d_(std::make_unique<Impl>(connection)) {
    d_->text = text;
    d_->sql = ParseSqlText(text);
    for (const QString& name : d_->sql.paramNames) {
        int index = -1;
        for (int i = 0; i < d_->names.size(); ++i) {
            if (d_->names[i].compare(name, Qt::CaseInsensitive) == 0) index = i;
        }
        if (index < 0) {
            index = static_cast<int>(d_->names.size());
            d_->names << name;
        }
        d_->placeholderParam.push_back(index);
    }
    d_->values.resize(static_cast<size_t>(d_->names.size()));
}

ArrayQuery::~ArrayQuery() = default;

const QString& ArrayQuery::text() const { return d_->text; }

void ArrayQuery::setArraySize(int rows) {
    d_->arraySize = std::max(rows, 0);
    for (auto& column : d_->values) column.resize(static_cast<size_t>(d_->arraySize));
}

int ArrayQuery::arraySize() const { return d_->arraySize; }

int ArrayQuery::paramIndex(const QString& name) const {
    // Callers spell the names as the statement does; the exact match is the cheap one.
    for (int i = 0; i < d_->names.size(); ++i) {
        if (d_->names[i] == name) return i;
    }
    for (int i = 0; i < d_->names.size(); ++i) {
        if (d_->names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    throw Error(Error::Category::Database,
                QStringLiteral("The statement has no parameter \"%1\": %2")
                    .arg(name, d_->text.simplified()));
}

void ArrayQuery::setValue(int param, int row, Value value) {
    if (param < 0 || param >= d_->names.size() || row < 0 || row >= d_->arraySize) {
        throw Error(Error::Category::Database,
                    QStringLiteral("Row %1 is outside the %2 rows of the statement: %3")
                        .arg(row)
                        .arg(d_->arraySize)
                        .arg(d_->text.simplified()));
    }
    d_->values[static_cast<size_t>(param)][static_cast<size_t>(row)] = std::move(value);
}

void ArrayQuery::setRowByRow(bool rowByRow) { d_->rowByRow = rowByRow; }
void ArrayQuery::setPacketBudgetForTesting(size_t bytes) { d_->packetBudget = bytes; }

MYSQL_STMT* ArrayQuery::Impl::statementFor(int rows) {
    MYSQL* m = ConnectionAccess::handle(connection);
    const uint64_t session = ConnectionAccess::session(connection);
    if (statementsSession != session) {
        statements.clear();
        statementsSession = session;
    }
    auto found = statements.find(rows);
    if (found != statements.end()) return found->second.get();
    if (statements.size() >= kCachedStatements) {
        // Keep the single-row and the longest statement: they are the ones used again.
        for (auto it = statements.begin(); it != statements.end(); ++it) {
            if (it->first != 1 && std::next(it) != statements.end()) {
                statements.erase(it);
                break;
            }
        }
    }

    std::string sqlText;
    if (rows == 1) {
        sqlText = sql.positional;
    } else {
        sqlText.reserve(sql.head.size() + static_cast<size_t>(rows) * (sql.tuple.size() + 1) +
                        sql.tail.size());
        sqlText = sql.head;
        sqlText += sql.tuple;
        for (int r = 1; r < rows; ++r) {
            sqlText += ',';
            sqlText += sql.tuple;
        }
        sqlText += sql.tail;
    }
    StmtPtr stmt(mysql_stmt_init(m));
    if (!stmt) ConnectionAccess::fail(connection, mysql_errno(m), mysql_error(m), text);
    ConnectionAccess::countRoundTrip(connection);
    if (ConnectionAccess::stmtPrepare(connection, stmt.get(), sqlText.data(),
                                      static_cast<unsigned long>(sqlText.size())) != 0) {
        ConnectionAccess::failStmt(connection, stmt.get(), text);
    }
    MYSQL_STMT* raw = stmt.get();
    statements.emplace(rows, std::move(stmt));
    return raw;
}

size_t ArrayQuery::Impl::budget() {
    if (packetBudget != 0) return packetBudget;
    const uint64_t max = connection.maxAllowedPacket();
    return max > kMinPacketBudget + kPacketOverhead ? static_cast<size_t>(max) - kPacketOverhead
                                                    : kMinPacketBudget;
}

size_t ArrayQuery::Impl::rowBytes(int row) const {
    size_t bytes = 0;
    for (int param : placeholderParam) {
        // Two bytes of type per placeholder and one bit of the NULL bitmap, rounded up.
        bytes += 3 + WireSize(values[static_cast<size_t>(param)][static_cast<size_t>(row)]);
    }
    return bytes;
}

void ArrayQuery::Impl::run(MYSQL_STMT* stmt, int firstRow, int rows) {
    const size_t perRow = placeholderParam.size();
    bindings.resize(perRow * static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        for (size_t p = 0; p < perRow; ++p) {
            bindings.set(static_cast<size_t>(r) * perRow + p,
                         values[static_cast<size_t>(placeholderParam[p])]
                               [static_cast<size_t>(firstRow + r)]);
        }
    }
    if (perRow > 0 && mysql_stmt_bind_param(stmt, bindings.data()) != 0) {
        ConnectionAccess::failStmt(connection, stmt, text);
    }
    ConnectionAccess::countRoundTrip(connection);
    ConnectionAccess::countStatement(connection);
    if (ConnectionAccess::stmtExecute(connection, stmt) != 0)
        ConnectionAccess::failStmt(connection, stmt, text);
}

void ArrayQuery::execute(int endRow, int startRow) {
    endRow = std::min(endRow, d_->arraySize);
    startRow = std::max(startRow, 0);
    if (startRow >= endRow) return;

    if (d_->rowByRow) {
        for (int row = startRow; row < endRow; ++row) d_->run(d_->statementFor(1), row, 1);
        return;
    }
    if (!d_->sql.multiRow) {
        // One statement per row, many rows to a round trip.
        StatementBatch pending(d_->connection);
        std::vector<const Value*> values(d_->placeholderParam.size());
        for (int row = startRow; row < endRow; ++row) {
            for (size_t p = 0; p < values.size(); ++p) {
                values[p] = &d_->values[static_cast<size_t>(d_->placeholderParam[p])]
                                       [static_cast<size_t>(row)];
            }
            pending.add(d_->sql, values, d_->text);
            if (pending.full()) pending.execute();
        }
        pending.execute();
        return;
    }

    const int perRow = static_cast<int>(d_->placeholderParam.size());
    const int maxRows = perRow > 0 ? kMaxPlaceholders / perRow : 10000;
    const size_t budget = d_->budget();
    const size_t headBytes = d_->sql.head.size() + d_->sql.tail.size();
    const size_t tupleBytes = d_->sql.tuple.size() + 1;

    for (int row = startRow; row < endRow;) {
        int rows = std::min(maxRows, endRow - row);
        // Halve the statement until both its text and its values fit into one packet; a
        // single row that does not fit goes alone and the server gives its own message.
        while (rows > 1) {
            size_t bytes = 0;
            for (int r = row; r < row + rows && bytes <= budget; ++r) bytes += d_->rowBytes(r);
            if (bytes <= budget && headBytes + static_cast<size_t>(rows) * tupleBytes <= budget)
                break;
            rows = (rows + 1) / 2;
        }
        d_->run(d_->statementFor(rows), row, rows);
        row += rows;
    }
}

}  // namespace wwweksports
