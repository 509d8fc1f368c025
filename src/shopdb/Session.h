// Inside shopdb/ only: the one place that includes the MariaDB client library. The Session
// is the link behind a ShopConnection: it opens on demand with the connection's parameters,
// counts the statements and round trips it sends, waits on the server in one place (running
// the connection's wait hook meanwhile), and runs plain and prepared statements.
#pragma once

#include <mysql.h>

#include <QMap>
#include <QString>
#include <QStringEncoder>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shopdb/Result.h"
#include "shopdb/ShopConnection.h"
#include "shopdb/Value.h"

namespace wwweksports {

struct MysqlCloser {
    void operator()(MYSQL* m) const { mysql_close(m); }
};
struct StmtCloser {
    void operator()(MYSQL_STMT* s) const { mysql_stmt_close(s); }
};
struct ResultFreer {
    void operator()(MYSQL_RES* r) const { mysql_free_result(r); }
};

using MysqlPtr = std::unique_ptr<MYSQL, MysqlCloser>;
using StmtPtr = std::unique_ptr<MYSQL_STMT, StmtCloser>;
using ResultPtr = std::unique_ptr<MYSQL_RES, ResultFreer>;

class ShopConnection::Session {
public:
    // The open handle; opens a session with the connection's parameters when there is none.
    MYSQL* handle();
    // Changes whenever a session is opened: statements prepared on an older one are gone.
    uint64_t generation() const { return generation_; }
    uint64_t maxAllowedPacket();

    // Sends `sql`, one statement or several joined by ";", in one round trip and reads every
    // result in order. `names` holds each statement's text for messages. A failing
    // statement raises Error(Database) naming it; `completed` tells how many ran before.
    std::vector<ResultRows> run(const std::string& sql, const std::vector<QString>& names,
                                size_t* completed = nullptr);
    // run() in two halves, so that the caller can work while the server does: start()
    // returns once the request is sent (`sql` must live until finish()), finish() waits for
    // the results. Nothing else may run on the session in between.
    void start(const std::string& sql, size_t statements);
    std::vector<ResultRows> finish(const std::vector<QString>& names, size_t* completed);
    // While set, every wait for the server calls `work()` as long as nothing has arrived,
    // until it returns false (nothing left to do).
    void setIdleWork(std::function<bool()> work) { idleWork_ = std::move(work); }

    StmtPtr prepare(const std::string& sql, const QString& name);
    // Binds `params` (may be null for a statement without placeholders), executes and reads
    // the rows the statement returns.
    ResultRows execute(MYSQL_STMT* stmt, MYSQL_BIND* params, const QString& name);

    // A value as a literal of statement text (see StatementBatch::literal).
    std::string literal(const Value& value);
    void appendLiteral(std::string& out, const Value& value);
    // UTF-8 text as a quoted literal.
    void appendText(std::string& out, const char* text, size_t size);
    void appendText(std::string& out, QStringView text);

    // Raises Error(Database) with the server's error number and text. After a lost or broken
    // connection the session is dropped; a statement cut off that way may or may not have
    // run, so it is never repeated: the next statement opens a new session.
    [[noreturn]] void fail(unsigned int number, const char* text, const QString& statement);

private:
    friend class ShopConnection;

    void open();
    void close();
    // Waits for what the client library asks for, running the wait hook every slice.
    int wait(MYSQL* m, int status);
    // Runs a call of the client library's non-blocking interface to its end.
    template <typename Ret, typename Start, typename Cont>
    Ret await(MYSQL* m, Start start, Cont cont) {
        Ret ret{};
        int status = start(&ret);
        while (status != 0) status = cont(&ret, wait(m, status));
        return ret;
    }
    // run() without counting statements: the connection's own queries.
    std::vector<ResultRows> send(const std::string& sql, const std::vector<QString>& names,
                                 size_t* completed);
    void request(const std::string& sql);
    void readStatementRows(MYSQL_STMT* stmt, const QString& name, ResultRows& result);

    QMap<QString, QString> params_;
    std::function<void()> waitHook_;
    std::function<bool()> idleWork_;
    MysqlPtr mysql_;
    uint64_t generation_ = 0;
    uint64_t maxAllowedPacket_ = 0;
    QString link_;  // how the open session is encrypted; empty when it is not
    Counters counters_;
    std::vector<char> escaped_;
    std::vector<char> utf8_;
    QStringEncoder encoder_{QStringEncoder::Utf8};
    struct {
        int status = 0;
        int ret = 0;
    } started_;  // the request start() sent
};

// A statement prepared on a connection's session, prepared again when the session is new.
class PreparedStatement {
public:
    // `makeSql()` gives the statement's text; it is called only when it has to be prepared.
    template <typename MakeSql>
    MYSQL_STMT* get(ShopConnection::Session& session, const QString& name, MakeSql makeSql) {
        session.handle();  // a new session, if one has to be opened, before the comparison
        if (!stmt_ || generation_ != session.generation()) {
            stmt_.reset();
            stmt_ = session.prepare(makeSql(), name);
            generation_ = session.generation();
        }
        return stmt_.get();
    }

private:
    StmtPtr stmt_;
    uint64_t generation_ = 0;
};

}  // namespace wwweksports
