// The one place that includes the MariaDB client library: move-only owners of its connection
// and statement handles, and what the shop database layer shares about them.
#pragma once

#include <mysql.h>

#include <QString>
#include <functional>
#include <memory>
#include <string>

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

class ShopConnection;

// What the statement classes need of a connection, kept out of its public header.
struct ConnectionAccess {
    // The open handle; opens the connection on demand with its parameters.
    static MYSQL* handle(ShopConnection& connection);
    // Changes whenever the connection is opened anew: prepared statements of an older
    // session are gone and must be prepared again.
    static uint64_t session(const ShopConnection& connection);
    static void countRoundTrip(ShopConnection& connection);
    static void countStatement(ShopConnection& connection);
    // Raises Error(Database) with the server's error number and text; after a lost
    // connection the next statement opens a new one.
    [[noreturn]] static void fail(ShopConnection& connection, unsigned int number, const char* text,
                                  const QString& statement);
    [[noreturn]] static void failStmt(ShopConnection& connection, MYSQL_STMT* stmt,
                                      const QString& statement);
    // The client library's calls that wait on the server. With a wait hook set on the
    // connection they wait without blocking and run the hook while they wait.
    static int realQuery(ShopConnection& connection, MYSQL* m, const char* sql,
                         unsigned long length);
    static MYSQL_RES* storeResult(ShopConnection& connection, MYSQL* m);
    static int nextResult(ShopConnection& connection, MYSQL* m);
    static int stmtPrepare(ShopConnection& connection, MYSQL_STMT* stmt, const char* sql,
                           unsigned long length);
    static int stmtExecute(ShopConnection& connection, MYSQL_STMT* stmt);
    static int stmtFetch(ShopConnection& connection, MYSQL_STMT* stmt);
    static const std::function<void()>& waitHook(ShopConnection& connection);
};

}  // namespace wwweksports
