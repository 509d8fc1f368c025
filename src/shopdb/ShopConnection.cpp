#include "shopdb/ShopConnection.h"

#include <errmsg.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "operator/Error.h"
#include "shopdb/MySql.h"

namespace wwweksports {
namespace {

// What the shop's own driver sets on every connection: without it the server's default
// strict mode refuses the tool's inserts on the shop's NOT NULL columns.
const char kSessionSetup[] = "SET SESSION sql_mode = 'NO_ZERO_IN_DATE,NO_ENGINE_SUBSTITUTION'";

// An unreachable address should not keep the operator waiting for minutes.
const unsigned int kConnectTimeoutSeconds = 20;

// ER_CONNECTION_KILLED: the server ended the session.
const unsigned int kConnectionKilled = 1927;

QString Abbreviated(const QString& statement) {
    QString flat = statement.simplified();
    if (flat.size() > 120) flat = flat.left(117) + QStringLiteral("...");
    return flat;
}

}  // namespace

int WaitForServer(ShopConnection& connection, MYSQL* m, int status);

struct ShopConnection::Impl {
    QMap<QString, QString> params;
    std::function<void()> waitHook;
    MysqlPtr mysql;
    uint64_t session = 0;
    uint64_t maxAllowedPacket = 0;
    Counters counters;
};

ShopConnection::ShopConnection() : d_(std::make_unique<Impl>()) {}
ShopConnection::~ShopConnection() = default;

void ShopConnection::setParam(const QString& name, const QString& value) {
    if (value.isEmpty()) {
        d_->params.remove(name);
    } else {
        d_->params.insert(name, value);
    }
}

bool ShopConnection::hasParam(const QString& name) const { return d_->params.contains(name); }
QString ShopConnection::param(const QString& name) const { return d_->params.value(name); }

void ShopConnection::open() {
    close();

    unsigned int port = 0;
    if (hasParam(QStringLiteral("Port"))) {
        bool ok = false;
        const uint value = param(QStringLiteral("Port")).toUInt(&ok);
        if (!ok || value == 0 || value > 65535) {
            throw Error(Error::Category::Connection,
                        QStringLiteral("Invalid port \"%1\" in the shop database address")
                            .arg(param(QStringLiteral("Port"))));
        }
        port = value;
    }

    MysqlPtr mysql(mysql_init(nullptr));
    if (!mysql) throw Error(Error::Category::Connection, QStringLiteral("Out of memory"));
    const std::string charset = hasParam(QStringLiteral("CharacterSet"))
                                    ? param(QStringLiteral("CharacterSet")).toStdString()
                                    : std::string("utf8mb4");
    mysql_options(mysql.get(), MYSQL_SET_CHARSET_NAME, charset.c_str());
    mysql_options(mysql.get(), MYSQL_OPT_CONNECT_TIMEOUT, &kConnectTimeoutSeconds);
    if (d_->waitHook) mysql_options(mysql.get(), MYSQL_OPT_NONBLOCK, nullptr);

    // A removed parameter leaves the client library's default (host, user, no database).
    auto arg = [this](const char* name, std::string& storage) -> const char* {
        const QString key = QString::fromLatin1(name);
        if (!hasParam(key)) return nullptr;
        storage = param(key).toStdString();
        return storage.c_str();
    };
    std::string server, user, password, database;
    const char* serverArg = arg("Server", server);
    const char* userArg = arg("User_Name", user);
    const char* passwordArg = arg("Password", password);
    const char* databaseArg = arg("Database", database);

    ++d_->counters.connects;
    ++d_->counters.roundTrips;
    // Multi-statements let StatementBatch send many statements in one round trip.
    MYSQL* connected = nullptr;
    if (d_->waitHook) {
        int status =
            mysql_real_connect_start(&connected, mysql.get(), serverArg, userArg, passwordArg,
                                     databaseArg, port, nullptr, CLIENT_MULTI_STATEMENTS);
        while (status != 0)
            status = mysql_real_connect_cont(&connected, mysql.get(),
                                             WaitForServer(*this, mysql.get(), status));
    } else {
        connected = mysql_real_connect(mysql.get(), serverArg, userArg, passwordArg, databaseArg,
                                       port, nullptr, CLIENT_MULTI_STATEMENTS);
    }
    if (!connected)
        throw Error(Error::Category::Connection, QString::fromUtf8(mysql_error(mysql.get())));

    ++d_->counters.roundTrips;
    ++d_->counters.statements;
    if (ConnectionAccess::realQuery(*this, mysql.get(), kSessionSetup, sizeof kSessionSetup - 1) !=
        0) {
        throw Error(Error::Category::Connection, QString::fromUtf8(mysql_error(mysql.get())));
    }
    unsigned int status = 0;
    mariadb_get_infov(mysql.get(), MARIADB_CONNECTION_SERVER_STATUS, &status);
    if ((status & SERVER_STATUS_AUTOCOMMIT) == 0) {
        ++d_->counters.roundTrips;
        if (mysql_autocommit(mysql.get(), 1) != 0) {
            throw Error(Error::Category::Connection, QString::fromUtf8(mysql_error(mysql.get())));
        }
    }

    d_->mysql = std::move(mysql);
    d_->maxAllowedPacket = 0;
    ++d_->session;
}

void ShopConnection::close() {
    d_->mysql.reset();
    d_->maxAllowedPacket = 0;
}

bool ShopConnection::isOpen() const { return d_->mysql != nullptr; }

uint64_t ShopConnection::maxAllowedPacket() {
    if (d_->maxAllowedPacket == 0) {
        MYSQL* m = ConnectionAccess::handle(*this);
        const char sql[] = "SELECT @@max_allowed_packet";
        ++d_->counters.roundTrips;
        ++d_->counters.statements;
        if (ConnectionAccess::realQuery(*this, m, sql, sizeof sql - 1) != 0) {
            ConnectionAccess::fail(*this, mysql_errno(m), mysql_error(m), QString::fromLatin1(sql));
        }
        ResultPtr result(ConnectionAccess::storeResult(*this, m));
        MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr;
        d_->maxAllowedPacket = row && row[0] ? std::stoull(row[0]) : 1024 * 1024;
    }
    return d_->maxAllowedPacket;
}

ShopConnection::Counters ShopConnection::counters() const { return d_->counters; }
void ShopConnection::setWaitHook(std::function<void()> hook) { d_->waitHook = std::move(hook); }
void ShopConnection::resetCounters() { d_->counters = Counters(); }

namespace {

// Waits for what the client library asks for (read, write, timeout), running the hook every
// slice of the wait; returns the events that happened.
int Wait(const std::function<void()>& hook, MYSQL* m, int status) {
    const int kSliceMs = 40;
    pollfd socket{};
    socket.fd = mysql_get_socket(m);
    socket.events = static_cast<short>(((status & MYSQL_WAIT_READ) ? POLLIN : 0) |
                                       ((status & MYSQL_WAIT_WRITE) ? POLLOUT : 0) |
                                       ((status & MYSQL_WAIT_EXCEPT) ? POLLPRI : 0));
    long long remaining =
        (status & MYSQL_WAIT_TIMEOUT) ? static_cast<long long>(mysql_get_timeout_value_ms(m)) : -1;
    while (true) {
        const int slice =
            remaining < 0 ? kSliceMs : static_cast<int>(std::min<long long>(remaining, kSliceMs));
        const int ready = ::poll(&socket, 1, slice);
        if (ready > 0) {
            return ((socket.revents & (POLLIN | POLLHUP | POLLERR)) ? MYSQL_WAIT_READ : 0) |
                   ((socket.revents & POLLOUT) ? MYSQL_WAIT_WRITE : 0) |
                   ((socket.revents & POLLPRI) ? MYSQL_WAIT_EXCEPT : 0);
        }
        if (ready < 0 && errno != EINTR) return MYSQL_WAIT_TIMEOUT;
        if (remaining >= 0) {
            remaining -= slice;
            if (remaining <= 0) return MYSQL_WAIT_TIMEOUT;
        }
        hook();
    }
}

// Runs a call of the client library's non-blocking interface to its end.
template <typename Ret, typename Start, typename Cont>
Ret Await(const std::function<void()>& hook, MYSQL* m, Start start, Cont cont) {
    Ret ret{};
    int status = start(&ret);
    while (status != 0) status = cont(&ret, Wait(hook, m, status));
    return ret;
}

}  // namespace

int WaitForServer(ShopConnection& connection, MYSQL* m, int status) {
    return Wait(ConnectionAccess::waitHook(connection), m, status);
}

const std::function<void()>& ConnectionAccess::waitHook(ShopConnection& connection) {
    return connection.d_->waitHook;
}

int ConnectionAccess::realQuery(ShopConnection& connection, MYSQL* m, const char* sql,
                                unsigned long length) {
    const auto& hook = waitHook(connection);
    if (!hook) return mysql_real_query(m, sql, length);
    return Await<int>(
        hook, m, [&](int* ret) { return mysql_real_query_start(ret, m, sql, length); },
        [&](int* ret, int status) { return mysql_real_query_cont(ret, m, status); });
}

MYSQL_RES* ConnectionAccess::storeResult(ShopConnection& connection, MYSQL* m) {
    const auto& hook = waitHook(connection);
    if (!hook) return mysql_store_result(m);
    return Await<MYSQL_RES*>(
        hook, m, [&](MYSQL_RES** ret) { return mysql_store_result_start(ret, m); },
        [&](MYSQL_RES** ret, int status) { return mysql_store_result_cont(ret, m, status); });
}

int ConnectionAccess::nextResult(ShopConnection& connection, MYSQL* m) {
    const auto& hook = waitHook(connection);
    if (!hook) return mysql_next_result(m);
    return Await<int>(
        hook, m, [&](int* ret) { return mysql_next_result_start(ret, m); },
        [&](int* ret, int status) { return mysql_next_result_cont(ret, m, status); });
}

int ConnectionAccess::stmtPrepare(ShopConnection& connection, MYSQL_STMT* stmt, const char* sql,
                                  unsigned long length) {
    const auto& hook = waitHook(connection);
    if (!hook) return mysql_stmt_prepare(stmt, sql, length);
    return Await<int>(
        hook, stmt->mysql,
        [&](int* ret) { return mysql_stmt_prepare_start(ret, stmt, sql, length); },
        [&](int* ret, int status) { return mysql_stmt_prepare_cont(ret, stmt, status); });
}

int ConnectionAccess::stmtExecute(ShopConnection& connection, MYSQL_STMT* stmt) {
    const auto& hook = waitHook(connection);
    if (!hook) return mysql_stmt_execute(stmt);
    return Await<int>(
        hook, stmt->mysql, [&](int* ret) { return mysql_stmt_execute_start(ret, stmt); },
        [&](int* ret, int status) { return mysql_stmt_execute_cont(ret, stmt, status); });
}

int ConnectionAccess::stmtFetch(ShopConnection& connection, MYSQL_STMT* stmt) {
    const auto& hook = waitHook(connection);
    if (!hook) return mysql_stmt_fetch(stmt);
    return Await<int>(
        hook, stmt->mysql, [&](int* ret) { return mysql_stmt_fetch_start(ret, stmt); },
        [&](int* ret, int status) { return mysql_stmt_fetch_cont(ret, stmt, status); });
}

MYSQL* ConnectionAccess::handle(ShopConnection& connection) {
    if (!connection.isOpen()) connection.open();
    return connection.d_->mysql.get();
}

uint64_t ConnectionAccess::session(const ShopConnection& connection) {
    return connection.d_->session;
}
void ConnectionAccess::countRoundTrip(ShopConnection& connection) {
    ++connection.d_->counters.roundTrips;
}
void ConnectionAccess::countStatement(ShopConnection& connection) {
    ++connection.d_->counters.statements;
}

void ConnectionAccess::fail(ShopConnection& connection, unsigned int number, const char* text,
                            const QString& statement) {
    const QString message = QStringLiteral("Shop database error %1: %2\nStatement: %3")
                                .arg(number)
                                .arg(QString::fromUtf8(text), Abbreviated(statement));
    // After a client-side error (lost or broken connection) the session is dropped. A
    // statement cut off that way may or may not have run, so it is never repeated here; the
    // next statement opens a new session.
    if ((number >= CR_MIN_ERROR && number <= CR_MAX_ERROR) || number == kConnectionKilled)
        connection.close();
    throw Error(Error::Category::Database, message);
}

void ConnectionAccess::failStmt(ShopConnection& connection, MYSQL_STMT* stmt,
                                const QString& statement) {
    fail(connection, mysql_stmt_errno(stmt), mysql_stmt_error(stmt), statement);
}

}  // namespace wwweksports
