#include "shopdb/Query.h"

#include "operator/Error.h"
#include "shopdb/Bindings.h"
#include "shopdb/MySql.h"
#include "shopdb/ShopConnection.h"
#include "shopdb/SqlText.h"

namespace wwweksports {

struct Query::Impl {
    explicit Impl(ShopConnection& c) : connection(c) {}

    ShopConnection& connection;
    QString text;
    SqlText sql;
    std::vector<Value> values;  // one per placeholder
    StmtPtr stmt;
    uint64_t stmtSession = 0;
    QStringList stmtColumns;  // of the prepared statement's result
    Bindings bindings;
    std::vector<MYSQL_BIND> resultBinds;
    std::vector<std::string> resultBuffers;
    std::vector<unsigned long> resultLengths;
    std::vector<my_bool> resultNulls;

    bool open = false;
    QStringList columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
    int current = 0;

    MYSQL_STMT* prepared();
    void execute();
    void storeTextResult(MYSQL* m);
    void storeStmtResult();
    const std::optional<std::string>& field(const QString& column) const;
};

Query::Query(ShopConnection& connection, const QString& text)
    : d_(std::make_unique<Impl>(connection)) {
    setText(text);
}

Query::~Query() = default;

void Query::setText(const QString& text) {
    close();
    d_->stmt.reset();
    d_->text = text;
    d_->sql = ParseSqlText(text);
    d_->values.assign(static_cast<size_t>(d_->sql.paramNames.size()), Value());
}

const QString& Query::text() const { return d_->text; }
const SqlText& Query::sqlText() const { return d_->sql; }
const std::vector<Value>& Query::placeholderValues() const { return d_->values; }
void Query::setParam(const QString& name, const Value& value) {
    bool found = false;
    for (int i = 0; i < d_->sql.paramNames.size(); ++i) {
        if (d_->sql.paramNames[i].compare(name, Qt::CaseInsensitive) == 0) {
            d_->values[static_cast<size_t>(i)] = value;
            found = true;
        }
    }
    if (!found) {
        throw Error(Error::Category::Database,
                    QStringLiteral("The statement has no parameter \"%1\": %2")
                        .arg(name, d_->text.simplified()));
    }
}

MYSQL_STMT* Query::Impl::prepared() {
    MYSQL* m = ConnectionAccess::handle(connection);
    const uint64_t session = ConnectionAccess::session(connection);
    if (stmt && stmtSession == session) return stmt.get();
    stmt.reset(mysql_stmt_init(m));
    if (!stmt) ConnectionAccess::fail(connection, mysql_errno(m), mysql_error(m), text);
    ConnectionAccess::countRoundTrip(connection);
    if (ConnectionAccess::stmtPrepare(connection, stmt.get(), sql.positional.data(),
                                      static_cast<unsigned long>(sql.positional.size())) != 0) {
        StmtPtr failed = std::move(stmt);
        ConnectionAccess::failStmt(connection, failed.get(), text);
    }
    stmtSession = session;
    stmtColumns.clear();
    if (ResultPtr meta{mysql_stmt_result_metadata(stmt.get())}) {
        MYSQL_FIELD* fields = mysql_fetch_fields(meta.get());
        for (unsigned int i = 0; i < mysql_num_fields(meta.get()); ++i)
            stmtColumns << QString::fromUtf8(fields[i].name);
    }
    return stmt.get();
}

void Query::Impl::execute() {
    if (sql.paramNames.isEmpty()) {
        MYSQL* m = ConnectionAccess::handle(connection);
        ConnectionAccess::countRoundTrip(connection);
        ConnectionAccess::countStatement(connection);
        if (ConnectionAccess::realQuery(connection, m, sql.positional.data(),
                                        static_cast<unsigned long>(sql.positional.size())) != 0) {
            ConnectionAccess::fail(connection, mysql_errno(m), mysql_error(m), text);
        }
        storeTextResult(m);
        return;
    }
    MYSQL_STMT* s = prepared();
    bindings.resize(values.size());
    for (size_t i = 0; i < values.size(); ++i) bindings.set(i, values[i]);
    if (mysql_stmt_bind_param(s, bindings.data()) != 0)
        ConnectionAccess::failStmt(connection, s, text);
    ConnectionAccess::countRoundTrip(connection);
    ConnectionAccess::countStatement(connection);
    if (ConnectionAccess::stmtExecute(connection, s) != 0)
        ConnectionAccess::failStmt(connection, s, text);
    storeStmtResult();
}

void Query::Impl::storeTextResult(MYSQL* m) {
    columns.clear();
    rows.clear();
    ResultPtr result(ConnectionAccess::storeResult(connection, m));
    if (!result) {
        if (mysql_field_count(m) != 0)
            ConnectionAccess::fail(connection, mysql_errno(m), mysql_error(m), text);
        return;
    }
    const unsigned int n = mysql_num_fields(result.get());
    MYSQL_FIELD* fields = mysql_fetch_fields(result.get());
    for (unsigned int i = 0; i < n; ++i) columns << QString::fromUtf8(fields[i].name);
    while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
        const unsigned long* lengths = mysql_fetch_lengths(result.get());
        std::vector<std::optional<std::string>> cells(n);
        for (unsigned int i = 0; i < n; ++i) {
            if (row[i]) cells[i] = std::string(row[i], lengths[i]);
        }
        rows.push_back(std::move(cells));
    }
}

void Query::Impl::storeStmtResult() {
    columns.clear();
    rows.clear();
    MYSQL_STMT* s = stmt.get();
    const unsigned int n = mysql_stmt_field_count(s);
    if (n == 0) return;
    columns = stmtColumns;

    // Every column is fetched as text into a buffer that grows when a value does not fit.
    resultBinds.assign(n, MYSQL_BIND{});
    resultBuffers.resize(n);
    resultLengths.assign(n, 0);
    resultNulls.assign(n, 0);
    for (unsigned int i = 0; i < n; ++i) {
        if (resultBuffers[i].size() < 64) resultBuffers[i].resize(64);
        resultBinds[i].buffer_type = MYSQL_TYPE_STRING;
        resultBinds[i].buffer = resultBuffers[i].data();
        resultBinds[i].buffer_length = static_cast<unsigned long>(resultBuffers[i].size());
        resultBinds[i].length = &resultLengths[i];
        resultBinds[i].is_null = &resultNulls[i];
    }
    if (mysql_stmt_bind_result(s, resultBinds.data()) != 0)
        ConnectionAccess::failStmt(connection, s, text);
    while (true) {
        const int rc = ConnectionAccess::stmtFetch(connection, s);
        if (rc == MYSQL_NO_DATA) break;
        if (rc == 1) ConnectionAccess::failStmt(connection, s, text);
        std::vector<std::optional<std::string>> cells(n);
        for (unsigned int i = 0; i < n; ++i) {
            if (resultNulls[i]) continue;
            if (resultLengths[i] > resultBuffers[i].size()) {
                std::string whole(resultLengths[i], '\0');
                MYSQL_BIND column{};
                column.buffer_type = MYSQL_TYPE_STRING;
                column.buffer = whole.data();
                column.buffer_length = resultLengths[i];
                if (mysql_stmt_fetch_column(s, &column, i, 0) != 0)
                    ConnectionAccess::failStmt(connection, s, text);
                cells[i] = std::move(whole);
            } else {
                cells[i] = std::string(resultBuffers[i].data(), resultLengths[i]);
            }
        }
        rows.push_back(std::move(cells));
    }
    mysql_stmt_free_result(s);
}

void Query::exec() {
    d_->open = false;
    d_->execute();
}

void Query::open() {
    d_->execute();
    d_->open = true;
    d_->current = 0;
}

void Query::close() {
    d_->open = false;
    d_->rows.clear();
    d_->columns.clear();
    d_->current = 0;
}

bool Query::isOpen() const { return d_->open; }
bool Query::eof() const { return d_->current >= static_cast<int>(d_->rows.size()); }
void Query::next() {
    if (!eof()) ++d_->current;
}
void Query::first() { d_->current = 0; }
int Query::rowCount() const { return static_cast<int>(d_->rows.size()); }

const std::optional<std::string>& Query::Impl::field(const QString& column) const {
    if (!open || current >= static_cast<int>(rows.size())) {
        throw Error(Error::Category::Database,
                    QStringLiteral("No current row to read \"%1\" from: %2")
                        .arg(column, text.simplified()));
    }
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].compare(column, Qt::CaseInsensitive) == 0)
            return rows[static_cast<size_t>(current)][static_cast<size_t>(i)];
    }
    throw Error(
        Error::Category::Database,
        QStringLiteral("The result has no column \"%1\": %2").arg(column, text.simplified()));
}

int64_t Query::fieldAsInteger(const QString& column) const {
    const auto& value = d_->field(column);
    if (!value) return 0;
    bool ok = false;
    const qlonglong n = QString::fromStdString(*value).toLongLong(&ok);
    if (!ok) {
        throw Error(Error::Category::Database,
                    QStringLiteral("Column \"%1\" holds \"%2\", not a whole number")
                        .arg(column, QString::fromStdString(*value)));
    }
    return n;
}

QString Query::fieldAsText(const QString& column) const {
    const auto& value = d_->field(column);
    return value ? QString::fromStdString(*value) : QString();
}

}  // namespace wwweksports
