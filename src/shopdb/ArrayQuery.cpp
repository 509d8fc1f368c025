#include "shopdb/ArrayQuery.h"

#include <algorithm>
#include <map>
#include <vector>

#include "operator/Error.h"
#include "shopdb/Bindings.h"
#include "shopdb/Session.h"
#include "shopdb/SqlText.h"
#include "shopdb/StatementBatch.h"

namespace wwweksports {
namespace {

const int kMaxPlaceholders = 65535;
// Room left in a packet for the request header, statement id, flags and parameter types
// beyond what is counted per value.
const size_t kPacketOverhead = 16 * 1024;
const size_t kMinPacketBudget = 64 * 1024;
// Prepared multi-row statements kept per array query (row counts vary only at the end of a
// range and where long rows make a statement shorter).
const size_t kCachedStatements = 4;

size_t PacketBudget(uint64_t packet) {
    return packet > kMinPacketBudget + kPacketOverhead
               ? static_cast<size_t>(packet) - kPacketOverhead
               : kMinPacketBudget;
}

// A value as escaped literal text: quotes, backslashes and the characters escaped with one
// take a byte more.
size_t LiteralSize(const Value& value) {
    const auto* text = std::get_if<std::string>(&value);
    if (!text) return 32;
    size_t size = text->size() + 2;
    for (const char c : *text) {
        if (c == '\'' || c == '"' || c == '\\' || c == '\0' || c == '\n' || c == '\r' ||
            c == '\032')
            ++size;
    }
    return size;
}

}  // namespace

bool RowFitsPacket(const std::vector<Value>& values, uint64_t maxPacket, bool asText) {
    size_t bytes = 0;
    for (const Value& value : values)
        bytes += asText ? LiteralSize(value) + 1 : 3 + WireSize(value);
    return bytes <= PacketBudget(maxPacket);
}

struct ArrayQuery::Impl {
    ShopConnection* connection;
    QString text;
    SqlText sql;
    QStringList names;                       // distinct parameter names
    std::vector<int> placeholderParam;       // placeholder -> index into names
    std::vector<std::vector<Value>> values;  // [param][row]
    int arraySize = 0;
    std::map<int, PreparedStatement> statements;  // by rows per statement
    Bindings bindings;

    int paramIndex(const QString& name) const;
    MYSQL_STMT* statementFor(int rows);
    size_t rowBytes(int row) const;
    void runMultiRow(int startRow, int endRow);
    void runRowByRow(int startRow, int endRow);
};

ArrayQuery::ArrayQuery(ShopConnection& connection, const QString& text) : d_(new Impl) {
    d_->connection = &connection;
    d_->text = text;
    d_->sql = ParseSqlText(text);
    for (const QString& name : d_->sql.paramNames) {
        int index = static_cast<int>(d_->names.size());
        for (int i = 0; i < d_->names.size(); ++i) {
            if (d_->names[i].compare(name, Qt::CaseInsensitive) == 0) index = i;
        }
        if (index == d_->names.size()) d_->names << name;
        d_->placeholderParam.push_back(index);
    }
    d_->values.resize(static_cast<size_t>(d_->names.size()));
}

ArrayQuery::~ArrayQuery() = default;

void ArrayQuery::setArraySize(int rows) {
    d_->arraySize = std::max(rows, 0);
    for (auto& column : d_->values) column.resize(static_cast<size_t>(d_->arraySize));
}

int ArrayQuery::Impl::paramIndex(const QString& name) const {
    // Callers spell the names as the statement does; the exact match is the cheap one.
    for (int i = 0; i < names.size(); ++i) {
        if (names[i] == name) return i;
    }
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    throw Error(
        Error::Category::Database,
        QStringLiteral("The statement has no parameter \"%1\": %2").arg(name, text.simplified()));
}

void ArrayQuery::setValue(const QString& name, int row, Value value) {
    const int param = d_->paramIndex(name);
    if (row < 0 || row >= d_->arraySize) {
        throw Error(Error::Category::Database,
                    QStringLiteral("Row %1 is outside the %2 rows of the statement: %3")
                        .arg(row)
                        .arg(d_->arraySize)
                        .arg(d_->text.simplified()));
    }
    d_->values[static_cast<size_t>(param)][static_cast<size_t>(row)] = std::move(value);
}

void ArrayQuery::execute(int endRow, int startRow) {
    endRow = std::min(endRow, d_->arraySize);
    startRow = std::max(startRow, 0);
    if (startRow >= endRow) return;
    if (d_->sql.multiRow) {
        d_->runMultiRow(startRow, endRow);
    } else {
        d_->runRowByRow(startRow, endRow);
    }
}

MYSQL_STMT* ArrayQuery::Impl::statementFor(int rows) {
    if (statements.count(rows) == 0 && statements.size() >= kCachedStatements) {
        // Keep the single-row and the longest statement: they are the ones used again.
        for (auto it = statements.begin(); it != statements.end(); ++it) {
            if (it->first != 1 && std::next(it) != statements.end()) {
                statements.erase(it);
                break;
            }
        }
    }
    return statements[rows].get(connection->session(), text, [this, rows] {
        std::string sqlText = sql.head;
        sqlText.reserve(sql.head.size() + static_cast<size_t>(rows) * (sql.tuple.size() + 1) +
                        sql.tail.size());
        for (int r = 0; r < rows; ++r) {
            if (r > 0) sqlText += ',';
            sqlText += sql.tuple;
        }
        return sqlText + sql.tail;
    });
}

size_t ArrayQuery::Impl::rowBytes(int row) const {
    size_t bytes = 0;
    for (int param : placeholderParam) {
        // Two bytes of type per placeholder and one bit of the NULL bitmap, rounded up.
        bytes += 3 + WireSize(values[static_cast<size_t>(param)][static_cast<size_t>(row)]);
    }
    return bytes;
}

void ArrayQuery::Impl::runMultiRow(int startRow, int endRow) {
    const int perRow = static_cast<int>(placeholderParam.size());
    const int maxRows = perRow > 0 ? kMaxPlaceholders / perRow : 10000;
    const size_t budget = PacketBudget(connection->maxAllowedPacket());
    const size_t headBytes = sql.head.size() + sql.tail.size();
    const size_t tupleBytes = sql.tuple.size() + 1;

    for (int row = startRow; row < endRow;) {
        int rows = std::min(maxRows, endRow - row);
        // Halve the statement until both its text and its values fit into one packet; a
        // single row that does not fit goes alone and the server gives its own message.
        while (rows > 1) {
            size_t bytes = 0;
            for (int r = row; r < row + rows && bytes <= budget; ++r) bytes += rowBytes(r);
            if (bytes <= budget && headBytes + static_cast<size_t>(rows) * tupleBytes <= budget)
                break;
            rows = (rows + 1) / 2;
        }
        MYSQL_STMT* stmt = statementFor(rows);
        bindings.resize(static_cast<size_t>(perRow) * static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            for (int p = 0; p < perRow; ++p) {
                bindings.set(static_cast<size_t>(r * perRow + p),
                             values[static_cast<size_t>(placeholderParam[static_cast<size_t>(p)])]
                                   [static_cast<size_t>(row + r)]);
            }
        }
        connection->session().execute(stmt, perRow > 0 ? bindings.data() : nullptr, text);
        row += rows;
    }
}

void ArrayQuery::Impl::runRowByRow(int startRow, int endRow) {
    StatementBatch batch(*connection);
    std::vector<const Value*> row(placeholderParam.size());
    for (int r = startRow; r < endRow; ++r) {
        for (size_t p = 0; p < row.size(); ++p)
            row[p] = &values[static_cast<size_t>(placeholderParam[p])][static_cast<size_t>(r)];
        batch.add(sql, row, text);
        if (batch.full()) batch.execute();
    }
    batch.execute();
}

}  // namespace wwweksports
