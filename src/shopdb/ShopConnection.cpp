#include "shopdb/ShopConnection.h"

#include <errmsg.h>
#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

#include <QCoreApplication>
#include <QDir>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "operator/Error.h"
#include "shopdb/LinkSecurityOptions.h"
#include "shopdb/ServerErrors.h"
#include "shopdb/Session.h"
#include "shopdb/ShopDate.h"

namespace wwweksports {
namespace {

// What the shop's own driver sets on every connection: without it the server's default
// strict mode refuses the tool's inserts on the shop's NOT NULL columns.
const char kSessionSetup[] =
    "SET SESSION sql_mode = 'NO_ZERO_IN_DATE,NO_ENGINE_SUBSTITUTION';"
    "SELECT @@max_allowed_packet";

// An unreachable address should not keep the operator waiting for minutes.
const unsigned int kConnectTimeoutSeconds = 20;

// How long a read or write on the link may wait before the link counts as lost: long enough
// for the longest single statement of a 100,000-product catalogue.
const unsigned int kDefaultTimeoutSeconds = 300;

// Server errors after which the session is gone: ER_SERVER_SHUTDOWN, ER_CONNECTION_KILLED and
// MySQL's ER_CLIENT_INTERACTION_TIMEOUT.
const unsigned int kServerShutdown = 1053;
const unsigned int kConnectionKilled = 1927;
const unsigned int kInteractionTimeout = 4031;

bool EndsSession(unsigned int number) {
    return (number >= CR_MIN_ERROR && number <= CR_MAX_ERROR) || number == kServerShutdown ||
           number == kConnectionKilled || number == kInteractionTimeout;
}

// The client library's errors that say the link broke, as opposed to a refused statement.
bool LinkBroke(unsigned int number) {
    return number == CR_SERVER_GONE_ERROR || number == CR_SERVER_LOST ||
           number == CR_SERVER_LOST_EXTENDED || number == CR_CONNECTION_ERROR ||
           number == CR_CONN_HOST_ERROR || number == kServerShutdown ||
           number == kConnectionKilled || number == kInteractionTimeout;
}

// How often the wait hook runs while the tool waits on the server.
const int kWaitSliceMs = 40;

QString Abbreviated(const QString& statement) {
    QString flat = statement.simplified();
    if (flat.size() > 120) flat = flat.left(117) + QStringLiteral("...");
    return flat;
}

[[noreturn]] void FailConnect(MYSQL* m, const LinkSecurity& security) {
    const unsigned int number = mysql_errno(m);
    const QString serverText = QString::fromUtf8(mysql_error(m));
    // The link's security explains its own failures; the rest are the server's.
    QString text = security.explain(number, serverText);
    if (text.isEmpty()) text = ServerErrorText(number, serverText) + security.hint(number);
    if (LinkBroke(number))
        throw Error::LinkLost(text, Error::Category::Connection).setServerError(number);
    throw Error(Error::Category::Connection, text).setServerError(number);
}

}  // namespace

// --- ShopConnection --------------------------------------------------------------------------

ShopConnection::ShopConnection() : d_(std::make_unique<Session>()) {}

void ShopConnection::setParam(const QString& name, const QString& value) {
    if (value.isEmpty()) {
        d_->params_.remove(name);
    } else {
        d_->params_.insert(name, value);
    }
}

void ShopConnection::followParams(ShopConnection& other) {
    d_->params_ = other.d_->params_;
    d_->waitHook_ = other.d_->waitHook_;
    countsInto_ = &other;
}

ShopConnection::~ShopConnection() {
    if (countsInto_) {
        Counters& into = countsInto_->d_->counters_;
        into.statements += d_->counters_.statements;
        into.roundTrips += d_->counters_.roundTrips;
        into.connects += d_->counters_.connects;
    }
}

bool ShopConnection::hasParam(const QString& name) const { return d_->params_.contains(name); }
QString ShopConnection::param(const QString& name) const { return d_->params_.value(name); }

void ShopConnection::open() { d_->open(); }
void ShopConnection::close() { d_->close(); }
bool ShopConnection::isOpen() const { return d_->mysql_ != nullptr; }
uint64_t ShopConnection::maxAllowedPacket() { return d_->maxAllowedPacket(); }
QString ShopConnection::encryption() const { return d_->link_; }
ShopConnection::Counters ShopConnection::counters() const { return d_->counters_; }
void ShopConnection::setWaitHook(std::function<void()> hook) { d_->waitHook_ = std::move(hook); }

void ShopConnection::pause(int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              until - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(
            d_->waitHook_ ? std::min<long long>(left, kWaitSliceMs) : left));
        if (d_->waitHook_) d_->waitHook_();
    }
}

void ShopConnection::runWaitHook() {
    if (d_->waitHook_) d_->waitHook_();
}

ShopConnection::Session& ShopConnection::session() { return *d_; }

// --- Session: opening --------------------------------------------------------------------------

void ShopConnection::Session::open() {
    close();

    unsigned int port = 0;
    if (params_.contains(QStringLiteral("Port"))) {
        const QString text = params_.value(QStringLiteral("Port"));
        bool ok = false;
        const uint value = text.toUInt(&ok);
        if (!ok || value == 0 || value > 65535) {
            throw Error(Error::Category::Connection,
                        QStringLiteral("Nederīgs ports \"%1\" datu bāzes adresē").arg(text));
        }
        port = value;
    }

    MysqlPtr mysql(mysql_init(nullptr));
    if (!mysql) throw Error(Error::Category::Connection, QStringLiteral("Pietrūka atmiņas"));
    MYSQL* m = mysql.get();
    const std::string charset =
        params_.value(QStringLiteral("CharacterSet"), QStringLiteral("utf8mb4")).toStdString();
    mysql_options(m, MYSQL_SET_CHARSET_NAME, charset.c_str());
    unsigned int timeout = kDefaultTimeoutSeconds;
    if (params_.contains(QStringLiteral("Timeout"))) {
        bool ok = false;
        timeout = params_.value(QStringLiteral("Timeout")).toUInt(&ok);
        if (!ok || timeout == 0) timeout = kDefaultTimeoutSeconds;
    }
    const unsigned int connectTimeout = std::min(timeout, kConnectTimeoutSeconds);
    mysql_options(m, MYSQL_OPT_CONNECT_TIMEOUT, &connectTimeout);
    mysql_options(m, MYSQL_OPT_READ_TIMEOUT, &timeout);
    mysql_options(m, MYSQL_OPT_WRITE_TIMEOUT, &timeout);
    // Every call waits in wait(), where the hook runs.
    mysql_options(m, MYSQL_OPT_NONBLOCK, nullptr);
#ifdef _WIN32
    // The client's login methods (caching_sha2_password, ...) are libraries of their own that
    // ship in the folder "plugin" beside the program, not where the client was built.
    if (QCoreApplication::instance()) {
        const QByteArray plugins =
            QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/plugin")
                .toLocal8Bit();
        mysql_options(m, MYSQL_PLUGIN_DIR, plugins.constData());
    }
#endif
    LinkSecurity security(params_);
    security.apply(m);

    // A removed parameter leaves the client library's default (host, user, no database).
    std::string values[4];
    const char* args[4] = {};
    const char* names[4] = {"Server", "User_Name", "Password", "Database"};
    for (int i = 0; i < 4; ++i) {
        const QString key = QString::fromLatin1(names[i]);
        if (!params_.contains(key)) continue;
        values[i] = params_.value(key).toStdString();
        args[i] = values[i].c_str();
    }

    ++counters_.connects;
    ++counters_.roundTrips;
    // Multi-statements let one round trip carry many statements (StatementBatch).
    MYSQL* connected = await<MYSQL*>(
        m,
        [&](MYSQL** ret) {
            return mysql_real_connect_start(ret, m, args[0], args[1], args[2], args[3], port,
                                            nullptr, CLIENT_MULTI_STATEMENTS);
        },
        [&](MYSQL** ret, int status) { return mysql_real_connect_cont(ret, m, status); });
    if (!connected) FailConnect(m, security);
    security.check(m);

    ++counters_.roundTrips;
    const int setup = await<int>(
        m,
        [&](int* ret) {
            return mysql_real_query_start(ret, m, kSessionSetup, sizeof kSessionSetup - 1);
        },
        [&](int* ret, int status) { return mysql_real_query_cont(ret, m, status); });
    if (setup != 0) FailConnect(m, security);
    // The server's packet size comes with the set-up, as the result of its second statement.
    const int next = await<int>(
        m, [&](int* ret) { return mysql_next_result_start(ret, m); },
        [&](int* ret, int s) { return mysql_next_result_cont(ret, m, s); });
    if (next != 0) FailConnect(m, security);
    const ResultPtr packet(await<MYSQL_RES*>(
        m, [&](MYSQL_RES** ret) { return mysql_store_result_start(ret, m); },
        [&](MYSQL_RES** ret, int s) { return mysql_store_result_cont(ret, m, s); }));
    if (!packet) FailConnect(m, security);
    const MYSQL_ROW packetRow = mysql_fetch_row(packet.get());
    const uint64_t maxPacket =
        packetRow && packetRow[0] ? std::strtoull(packetRow[0], nullptr, 10) : 0;
    unsigned int status = 0;
    mariadb_get_infov(m, MARIADB_CONNECTION_SERVER_STATUS, &status);
    if ((status & SERVER_STATUS_AUTOCOMMIT) == 0) {
        ++counters_.roundTrips;
        const my_bool failed = await<my_bool>(
            m, [&](my_bool* ret) { return mysql_autocommit_start(ret, m, 1); },
            [&](my_bool* ret, int s) { return mysql_autocommit_cont(ret, m, s); });
        if (failed) FailConnect(m, security);
    }

    mysql_ = std::move(mysql);
    maxAllowedPacket_ = maxPacket;
    link_ = LinkSecurity::description(m);
    ++generation_;
}

void ShopConnection::Session::close() {
    mysql_.reset();
    maxAllowedPacket_ = 0;
    link_.clear();
}

MYSQL* ShopConnection::Session::handle() {
    if (!mysql_) open();
    return mysql_.get();
}

uint64_t ShopConnection::Session::maxAllowedPacket() {
    handle();  // read in the session's set-up
    return maxAllowedPacket_ > 0 ? maxAllowedPacket_ : 1024 * 1024;
}

// --- Session: waiting ----------------------------------------------------------------------------

namespace {
#ifdef _WIN32
// Winsock's poll; it refuses POLLPRI, which the client library never needs there.
using PollFd = WSAPOLLFD;
int PollSocket(PollFd* socket, int timeoutMs) { return ::WSAPoll(socket, 1, timeoutMs); }
const short kPollExcept = 0;
#else
using PollFd = pollfd;
int PollSocket(PollFd* socket, int timeoutMs) { return ::poll(socket, 1, timeoutMs); }
const short kPollExcept = POLLPRI;
#endif
}  // namespace

int ShopConnection::Session::wait(MYSQL* m, int status) {
    PollFd socket{};
    socket.fd = mysql_get_socket(m);
    socket.events = static_cast<short>(((status & MYSQL_WAIT_READ) ? POLLIN : 0) |
                                       ((status & MYSQL_WAIT_WRITE) ? POLLOUT : 0) |
                                       ((status & MYSQL_WAIT_EXCEPT) ? kPollExcept : 0));
    long long remaining =
        (status & MYSQL_WAIT_TIMEOUT) ? static_cast<long long>(mysql_get_timeout_value_ms(m)) : -1;
    const auto readiness = [&socket] {
        return ((socket.revents & (POLLIN | POLLHUP | POLLERR)) ? MYSQL_WAIT_READ : 0) |
               ((socket.revents & POLLOUT) ? MYSQL_WAIT_WRITE : 0) |
               ((socket.revents & kPollExcept) ? MYSQL_WAIT_EXCEPT : 0);
    };
    // The caller's work fills the time the server takes.
    while (idleWork_) {
        if (PollSocket(&socket, 0) > 0) return readiness();
        if (!idleWork_()) idleWork_ = nullptr;
    }
    while (true) {
        int slice = waitHook_ ? kWaitSliceMs : -1;
        if (remaining >= 0)
            slice = static_cast<int>(slice < 0 ? remaining : std::min<long long>(remaining, slice));
        const int ready = PollSocket(&socket, slice);
        if (ready > 0) return readiness();
        if (ready < 0 && errno != EINTR) return MYSQL_WAIT_TIMEOUT;
        if (ready == 0 && remaining >= 0) {
            remaining -= slice;
            if (remaining <= 0) return MYSQL_WAIT_TIMEOUT;
        }
        if (waitHook_) waitHook_();
    }
}

// --- Session: statements -----------------------------------------------------------------------

std::vector<ResultRows> ShopConnection::Session::run(const std::string& sql,
                                                     const std::vector<QString>& names,
                                                     size_t* completed) {
    counters_.statements += names.size();
    return send(sql, names, completed);
}

std::vector<ResultRows> ShopConnection::Session::send(const std::string& sql,
                                                      const std::vector<QString>& names,
                                                      size_t* completed) {
    if (completed) *completed = 0;
    if (names.empty()) return {};
    request(sql);
    return finish(names, completed);
}

void ShopConnection::Session::start(const std::string& sql, size_t statements) {
    counters_.statements += statements;
    request(sql);
}

void ShopConnection::Session::request(const std::string& sql) {
    MYSQL* m = handle();
    ++counters_.roundTrips;
    started_ = {};
    started_.status = mysql_real_query_start(&started_.ret, m, sql.data(),
                                             static_cast<unsigned long>(sql.size()));
    // Sent once the client only waits to read the answer (with or without a read timeout).
    while (started_.status != 0 &&
           (started_.status & (MYSQL_WAIT_WRITE | MYSQL_WAIT_READ)) != MYSQL_WAIT_READ)
        started_.status = mysql_real_query_cont(&started_.ret, m, wait(m, started_.status));
}

std::vector<ResultRows> ShopConnection::Session::finish(const std::vector<QString>& names,
                                                        size_t* completed) {
    if (completed) *completed = 0;
    std::vector<ResultRows> results;
    const auto name = [&names](size_t k) { return names[std::min(k, names.size() - 1)]; };
    MYSQL* m = mysql_.get();
    if (!m) fail(CR_SERVER_LOST, "Lost connection to server during query", name(0));
    while (started_.status != 0)
        started_.status = mysql_real_query_cont(&started_.ret, m, wait(m, started_.status));
    if (started_.ret != 0) fail(mysql_errno(m), mysql_error(m), name(0));

    results.reserve(names.size());
    for (size_t k = 0;; ++k) {
        ResultRows result;
        ResultPtr rows(await<MYSQL_RES*>(
            m, [&](MYSQL_RES** ret) { return mysql_store_result_start(ret, m); },
            [&](MYSQL_RES** ret, int status) { return mysql_store_result_cont(ret, m, status); }));
        if (rows) {
            const unsigned int n = mysql_num_fields(rows.get());
            MYSQL_FIELD* fields = mysql_fetch_fields(rows.get());
            for (unsigned int i = 0; i < n; ++i)
                result.columns << QString::fromUtf8(fields[i].name);
            result.reserve(static_cast<size_t>(mysql_num_rows(rows.get())), 0);
            while (MYSQL_ROW row = mysql_fetch_row(rows.get())) {
                const unsigned long* lengths = mysql_fetch_lengths(rows.get());
                for (unsigned int i = 0; i < n; ++i) {
                    if (row[i])
                        result.append(row[i], lengths[i]);
                    else
                        result.appendNull();
                }
            }
        } else if (mysql_field_count(m) != 0) {
            fail(mysql_errno(m), mysql_error(m), name(k));
        }
        results.push_back(std::move(result));
        if (completed) *completed = k + 1;
        const int next = await<int>(
            m, [&](int* ret) { return mysql_next_result_start(ret, m); },
            [&](int* ret, int status) { return mysql_next_result_cont(ret, m, status); });
        if (next == -1) break;
        if (next > 0) fail(mysql_errno(m), mysql_error(m), name(k + 1));
    }
    return results;
}

StmtPtr ShopConnection::Session::prepare(const std::string& sql, const QString& name) {
    MYSQL* m = handle();
    StmtPtr stmt(mysql_stmt_init(m));
    if (!stmt) fail(mysql_errno(m), mysql_error(m), name);
    ++counters_.roundTrips;
    MYSQL_STMT* s = stmt.get();
    const int prepared = await<int>(
        m,
        [&](int* ret) {
            return mysql_stmt_prepare_start(ret, s, sql.data(),
                                            static_cast<unsigned long>(sql.size()));
        },
        [&](int* ret, int status) { return mysql_stmt_prepare_cont(ret, s, status); });
    if (prepared != 0) {
        const unsigned int number = mysql_stmt_errno(s);
        const std::string text = mysql_stmt_error(s);
        stmt.reset();
        fail(number, text.c_str(), name);
    }
    return stmt;
}

ResultRows ShopConnection::Session::execute(MYSQL_STMT* stmt, MYSQL_BIND* params,
                                            const QString& name) {
    MYSQL* m = handle();
    if (params && mysql_stmt_bind_param(stmt, params) != 0)
        fail(mysql_stmt_errno(stmt), mysql_stmt_error(stmt), name);
    ++counters_.roundTrips;
    ++counters_.statements;
    const int executed = await<int>(
        m, [&](int* ret) { return mysql_stmt_execute_start(ret, stmt); },
        [&](int* ret, int status) { return mysql_stmt_execute_cont(ret, stmt, status); });
    if (executed != 0) fail(mysql_stmt_errno(stmt), mysql_stmt_error(stmt), name);
    ResultRows result;
    if (mysql_stmt_field_count(stmt) > 0) readStatementRows(stmt, name, result);
    return result;
}

void ShopConnection::Session::readStatementRows(MYSQL_STMT* stmt, const QString& name,
                                                ResultRows& result) {
    MYSQL* m = handle();
    const unsigned int n = mysql_stmt_field_count(stmt);
    if (ResultPtr meta{mysql_stmt_result_metadata(stmt)}) {
        MYSQL_FIELD* fields = mysql_fetch_fields(meta.get());
        for (unsigned int i = 0; i < n; ++i) result.columns << QString::fromUtf8(fields[i].name);
    }
    // Every column is fetched as text into a buffer; a longer value is fetched again whole.
    std::vector<MYSQL_BIND> binds(n, MYSQL_BIND{});
    std::vector<std::string> buffers(n, std::string(64, '\0'));
    std::vector<unsigned long> lengths(n, 0);
    std::vector<my_bool> nulls(n, 0);
    for (unsigned int i = 0; i < n; ++i) {
        binds[i].buffer_type = MYSQL_TYPE_STRING;
        binds[i].buffer = buffers[i].data();
        binds[i].buffer_length = static_cast<unsigned long>(buffers[i].size());
        binds[i].length = &lengths[i];
        binds[i].is_null = &nulls[i];
    }
    if (mysql_stmt_bind_result(stmt, binds.data()) != 0)
        fail(mysql_stmt_errno(stmt), mysql_stmt_error(stmt), name);
    while (true) {
        const int rc = await<int>(
            m, [&](int* ret) { return mysql_stmt_fetch_start(ret, stmt); },
            [&](int* ret, int status) { return mysql_stmt_fetch_cont(ret, stmt, status); });
        if (rc == MYSQL_NO_DATA) break;
        if (rc == 1) fail(mysql_stmt_errno(stmt), mysql_stmt_error(stmt), name);
        for (unsigned int i = 0; i < n; ++i) {
            if (nulls[i]) {
                result.appendNull();
            } else if (lengths[i] > buffers[i].size()) {
                std::string whole(lengths[i], '\0');
                MYSQL_BIND column{};
                column.buffer_type = MYSQL_TYPE_STRING;
                column.buffer = whole.data();
                column.buffer_length = lengths[i];
                if (mysql_stmt_fetch_column(stmt, &column, i, 0) != 0)
                    fail(mysql_stmt_errno(stmt), mysql_stmt_error(stmt), name);
                result.append(whole.data(), whole.size());
            } else {
                result.append(buffers[i].data(), lengths[i]);
            }
        }
    }
    mysql_stmt_free_result(stmt);
}

std::string ShopConnection::Session::literal(const Value& value) {
    std::string out;
    appendLiteral(out, value);
    return out;
}

void ShopConnection::Session::appendLiteral(std::string& out, const Value& value) {
    if (const auto* i = std::get_if<int64_t>(&value)) {
        char buffer[24];
        out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, *i).ptr);
    } else if (const auto* d = std::get_if<double>(&value)) {
        if (!std::isfinite(*d)) {
            out += "NULL";
            return;
        }
        char buffer[64];
        out.append(
            buffer,
            std::to_chars(buffer, buffer + sizeof buffer, *d, std::chars_format::scientific).ptr);
    } else if (const auto* s = std::get_if<std::string>(&value)) {
        appendText(out, s->data(), s->size());
    } else if (const auto* date = std::get_if<QDate>(&value)) {
        out += '\'';
        out += FormatShopDate(*date).toStdString();
        out += '\'';
    } else {
        out += "NULL";
    }
}

void ShopConnection::Session::appendText(std::string& out, const char* text, size_t size) {
    MYSQL* m = handle();
    // Escaped into a buffer kept between calls: the output grows by what the text takes.
    if (escaped_.size() < 2 * size + 1) escaped_.resize(2 * size + 1);
    const unsigned long length =
        mysql_real_escape_string(m, escaped_.data(), text, static_cast<unsigned long>(size));
    out += '\'';
    out.append(escaped_.data(), length);
    out += '\'';
}

void ShopConnection::Session::appendText(std::string& out, QStringView text) {
    if (utf8_.size() < static_cast<size_t>(encoder_.requiredSpace(text.size())))
        utf8_.resize(static_cast<size_t>(encoder_.requiredSpace(text.size())));
    const char* end = encoder_.appendToBuffer(utf8_.data(), text);
    appendText(out, utf8_.data(), static_cast<size_t>(end - utf8_.data()));
}

void ShopConnection::Session::fail(unsigned int number, const char* text,
                                   const QString& statement) {
    const QString message =
        QStringLiteral("%1\nVaicājums: %2")
            .arg(ServerErrorText(number, QString::fromUtf8(text)), Abbreviated(statement));
    if (EndsSession(number)) close();
    if (LinkBroke(number)) throw Error::LinkLost(message).setServerError(number);
    throw Error(Error::Category::Database, message).setServerError(number);
}

}  // namespace wwweksports
