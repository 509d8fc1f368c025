// The one place that includes the MariaDB client library: move-only owners of its connection
// and statement handles, and what the shop database layer shares about them.
#pragma once

#include <mysql.h>

#include <QString>
#include <memory>

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
    // Runs a statement without parameters through the text protocol.
    static void query(ShopConnection& connection, const std::string& sql, const QString& statement);
};

}  // namespace wwweksports
